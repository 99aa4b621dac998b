// The plant's feed against a mosquitto of the bench's own on a loopback port:
// - the CPU of a tick with 255 channels that all change, feed on against
//   off (the main thread's, which the scan runs on), and what the feed's
//   threads spend besides;
// - the time from recording a part to its `part` message at a subscriber;
// - a soak: 10 server processes (24 channels on display, the 400 ms scan) on the one
//   broker, each asked for a part every 200 ms over its WebSocket for 60 s;
//   then every part a station answered for must have reached the subscriber.
// The subscriber is libmosquitto on its own thread in this process, with
// QoS 1, stamping each message on the clock the recording side reads.
#include "benchbroker.h"
#include "benchserver.h"
#include "core/programstate.h"
#include "core/setupfile.h"
#include "mainwindow/formmain.h"
#include "mainwindow/resultscommands.h"
#include "service/bench/benchsupport.h"
#include "service/livevalueservice.h"
#include "service/mqttfeed.h"
#include "stationprocess.h"

#include <qmxboard.h>

#include <QApplication>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebSocket>

#include <mosquitto.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace bench;

// This process's threads of those names.
std::vector<pid_t> threadsOf(const QList<QByteArray> &names)
{
    std::vector<pid_t> found;
    for (const QString &task :
         QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(task));
        if (comm.open(QIODevice::ReadOnly) && names.contains(comm.readAll().trimmed()))
            found.push_back(task.toInt());
    }
    return found;
}

// Their CPU time together (from schedstat: ns on the CPU).
double threadsCpuUs(const std::vector<pid_t> &threads)
{
    double us = 0;
    for (pid_t tid : threads) {
        QFile stat(QStringLiteral("/proc/self/task/%1/schedstat").arg(tid));
        if (stat.open(QIODevice::ReadOnly))
            us += stat.readAll().split(' ').value(0).toDouble() / 1e3;
    }
    return us;
}

// The text of a live message, or of the feed's message of the channel.
QString textOf(const QByteArray &message)
{
    return QJsonDocument::fromJson(message).object().value("text").toString();
}

// Every channel's text changes on every tick: the probes flip between two
// values. Two servers, feed off and on, tick in turn, so that the machine's
// own ups and downs fall on both alike. The handover of the tick's changes,
// at its end, runs inside the measured span. The ticks come at a short scan's
// pace, and the next waits until the broker has the last channel's new text:
// as at the real 400 ms scan, the feed's threads are done before the next
// tick, and what is measured is the scan's own cost, not two threads taking
// turns on the same cores.
int tickCost(qmxboard::Control &board, const Broker &broker)
{
    constexpr int channels = 255, ticks = 600, warm = 20;
    constexpr qint64 periodNs = 5'000'000;
    std::int64_t clockNs = 0;
    board.setClock([&clockNs] { return clockNs; });
    std::unique_ptr<Server> servers[2] = {serverOn(nullptr, channels), serverOn(&broker, channels)};
    if (!servers[0] || !servers[1])
        return 1;
    const std::vector<pid_t> feedThreads =
        threadsOf({"mosquitto loop", qmxsrv::MqttFeed::ComposerName});
    Subscriber last(broker.port, "qmx/bench/channel/255");
    waitUntil([&] { return last.subscribed.load(); }, 5000);
    std::vector<double> cpu[2];
    double feedStart = 0;
    for (int tick = 0; tick < ticks; ++tick) {
        if (tick == warm) // the first ones show everything afresh
            feedStart = threadsCpuUs(feedThreads);
        for (int probe = 1; probe <= 64; ++probe)
            board.setProbe(probe, (tick % 2 ? 0.1 : 0.2) + probe / 1000.0);
        clockNs += 400'000'000;
        for (const bool on : {false, true}) {
            const qint64 due = nowNs() + periodNs;
            qmxsrv::FormMain &window = servers[on]->window();
            const double start = cpuUs();
            window.scanCycle().tick();
            QCoreApplication::processEvents();
            if (tick >= warm)
                cpu[on].push_back(cpuUs() - start);
            if (on) {
                const QString want = textOf(window.liveValues().answer(255).toUtf8());
                bool arrived = false;
                if (!waitUntil(
                        [&] {
                            for (const Subscriber::Message &m : last.take())
                                arrived = textOf(m.payload) == want;
                            return arrived;
                        },
                        5000)) {
                    std::fprintf(stderr, "tick %d: channel 255 did not reach the broker\n", tick);
                    return 1;
                }
            }
            while (nowNs() < due)
                ::usleep(200);
        }
    }
    board.setClock({});
    const double off = percentile(cpu[0], 0.5), on = percentile(cpu[1], 0.5);
    std::printf("  255 changing channels, CPU per tick: main thread median %.0f us off, %.0f us on "
                "(%+.1f %%, target < +10 %%); the feed's threads %.0f us a tick besides\n",
                off, on, 100.0 * (on / off - 1),
                (threadsCpuUs(feedThreads) - feedStart) / (ticks - warm));
    return 0;
}

int recordToMessage(qmxboard::Control &board, const Broker &broker)
{
    constexpr int parts = 200;
    board.freeze();
    const std::unique_ptr<Server> server = serverOn(&broker, 24);
    if (!server)
        return 1;
    Subscriber subscriber(broker.port, "qmx/bench/part");
    if (!waitUntil([&] { return subscriber.subscribed.load(); }, 5000))
        return std::fprintf(stderr, "the subscriber did not subscribe\n"), 1;
    std::vector<double> ms, recordMs;
    for (int round = 1; round <= parts; ++round) {
        board.setProbe(1, round / 1000.0);
        server->window().scanCycle().tick();
        const qint64 start = nowNs();
        const auto recorded = server->window().results().recordNow();
        recordMs.push_back(double(nowNs() - start) / 1e6);
        if (!recorded.part)
            return std::fprintf(stderr, "not recorded: %s\n", recorded.error.c_str()), 1;
        std::vector<Subscriber::Message> got;
        if (!waitUntil(
                [&] {
                    got = subscriber.take();
                    return !got.empty();
                },
                5000) ||
            QJsonDocument::fromJson(got.front().payload).object().value("part").toInteger() !=
                *recorded.part)
            return std::fprintf(stderr, "part %d did not arrive\n", round), 1;
        ms.push_back(double(got.front().ns - start) / 1e6);
    }
    board.freeze(false);
    std::printf(
        "  record to the part message at a subscriber, %d parts: median %.2f ms, 95 %% "
        "%.2f ms, max %.2f ms (target: median < 20 ms); of it the record itself: median %.2f ms\n",
        parts, percentile(ms, 0.5), percentile(ms, 0.95), percentile(ms, 1.0),
        percentile(recordMs, 0.5));
    return 0;
}

// One station of the soak: QMXSRV of its own, and the WebSocket that asks it
// for parts with the station's token.
struct Station {
    explicit Station(const QString &setup, const std::map<QString, QString> &env)
        : process(QStringLiteral(QMXSRV_PATH), "MaxChannel=24\r\nMaxLVDT=64\r\n", {setup}, env)
    {
    }
    StationProcess process;
    std::unique_ptr<QWebSocket> socket;
    bool open = false;
    std::set<qint64> answered; // the parts it said it recorded
    int refused = 0;
    std::set<qint64> arrived;
    int duplicates = 0, outOfOrder = 0;
    qint64 lastArrived = 0;
};

int soak(const Broker &broker, const QString &setup, int seconds)
{
    constexpr int stations = 10, everyMs = 200;
    Subscriber subscriber(broker.port, "qmx/#");
    if (!waitUntil([&] { return subscriber.subscribed.load(); }, 5000))
        return std::fprintf(stderr, "the subscriber did not subscribe\n"), 1;
    std::vector<std::unique_ptr<Station>> all;
    for (int i = 1; i <= stations; ++i)
        all.push_back(std::make_unique<Station>(
            setup, std::map<QString, QString>{{"QMXSRV_MQTT", broker.url()},
                                              {"QMXSRV_STATION", QStringLiteral("soak%1").arg(i)},
                                              {"QMXSRV_RESULTS", {}}})); // in its folder
    const bool started = waitUntil(
        [&] {
            return std::all_of(all.begin(), all.end(), [](auto &s) { return s->process.up(); });
        },
        30000);
    if (!started)
        return std::fprintf(stderr, "the stations did not start\n"), 1;
    for (auto &s : all) {
        s->socket = std::make_unique<QWebSocket>();
        Station *station = s.get();
        QObject::connect(s->socket.get(), &QWebSocket::connected,
                         [station] { station->open = true; });
        QObject::connect(
            s->socket.get(), &QWebSocket::textMessageReceived, [station](const QString &text) {
                const QJsonObject reply = QJsonDocument::fromJson(text.toUtf8()).object();
                if (reply.value("reply").toString() != QLatin1String("record"))
                    return;
                if (reply.contains("part"))
                    station->answered.insert(reply.value("part").toInteger());
                else if (++station->refused == 1)
                    std::fprintf(stderr, "refused: %s\n", qPrintable(text));
            });
        s->socket->open(s->process.commandRequest());
    }
    if (!waitUntil(
            [&] { return std::all_of(all.begin(), all.end(), [](auto &s) { return s->open; }); },
            10000))
        return std::fprintf(stderr, "the stations' WebSockets did not open\n"), 1;
    // The channels on display, so that their live values stream beside the parts.
    for (auto &s : all)
        s->socket->sendTextMessage(QStringLiteral("{\"command\":\"view\",\"view\":\"channels\"}"));

    std::map<std::string, Station *> byTopic;
    for (int i = 0; i < stations; ++i)
        byTopic["qmx/soak" + std::to_string(i + 1) + "/part"] = all[std::size_t(i)].get();
    long channelMessages = 0;
    const auto drain = [&] {
        for (const Subscriber::Message &m : subscriber.take()) {
            const auto station = byTopic.find(m.topic);
            if (station == byTopic.end()) {
                channelMessages += m.topic.find("/channel/") != std::string::npos;
                continue;
            }
            Station &s = *station->second;
            const qint64 part =
                QJsonDocument::fromJson(m.payload).object().value("part").toInteger();
            if (!s.arrived.insert(part).second)
                ++s.duplicates;
            else if (part < s.lastArrived)
                ++s.outOfOrder;
            s.lastArrived = std::max(s.lastArrived, part);
        }
    };

    std::vector<long> cpuStart;
    for (auto &s : all)
        cpuStart.push_back(s->process.cpuTicks());
    const qint64 soakStart = nowNs();
    QTimer ask;
    QObject::connect(&ask, &QTimer::timeout, [&] {
        for (auto &s : all)
            s->socket->sendTextMessage(QStringLiteral("{\"command\":\"record\"}"));
    });
    ask.start(everyMs);
    waitUntil(
        [&] {
            drain();
            return nowNs() - soakStart > qint64(seconds) * 1'000'000'000;
        },
        (seconds + 5) * 1000);
    ask.stop();
    const double soakSeconds = double(nowNs() - soakStart) / 1e9;
    std::vector<double> cpuPercent;
    for (std::size_t i = 0; i < all.size(); ++i)
        cpuPercent.push_back(100.0 * double(all[i]->process.cpuTicks() - cpuStart[i]) /
                             double(sysconf(_SC_CLK_TCK)) / soakSeconds);
    // The last answers and parts in flight.
    const auto lost = [&] {
        long n = 0;
        for (auto &s : all)
            for (qint64 part : s->answered)
                n += !s->arrived.count(part);
        return n;
    };
    waitUntil(
        [&] {
            drain();
            return lost() == 0;
        },
        30000);

    long answered = 0, refused = 0, duplicates = 0, outOfOrder = 0;
    for (auto &s : all) {
        answered += long(s->answered.size());
        refused += s->refused;
        duplicates += s->duplicates;
        outOfOrder += s->outOfOrder;
        s->socket->close();
        s->process.process.terminate();
    }
    for (auto &s : all)
        s->process.process.waitForFinished(10000);
    std::printf("  soak, %d stations x 24 channels for %.0f s, a part asked of each every %d ms: "
                "%ld parts recorded (%ld refused), %ld lost (target 0), %ld duplicates, %ld out "
                "of order; %ld channel messages; station CPU median %.1f %%, max %.1f %%\n",
                stations, soakSeconds, everyMs, answered, refused, lost(), duplicates, outOfOrder,
                channelMessages, percentile(cpuPercent, 0.5), percentile(cpuPercent, 1.0));
    return lost() == 0 && answered > 0 ? 0 : 1;
}

// The soak's setup: 24 channels T1 to T24, written as the server saves one.
QString soakSetup(QTemporaryDir &folder)
{
    Server server(24);
    for (int i = 1; i <= 24; ++i)
        server.state().Channels.Item(std::int16_t(i)).InUse = true;
    const QString path = folder.filePath(QStringLiteral("soak.qmx"));
    std::ofstream(path.toStdString(), std::ios::binary) << qmxsrv::setupText(server.state());
    return path;
}

} // namespace

int main(int argc, char **argv)
{
    ::setenv("QMX_PORTS", "sim", 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::unsetenv("QMXSRV_MQTT");
    QApplication app(argc, argv);
    qmxboard::Control board;
    board.reset(qmxboard::Start::Running);
    Broker broker;
    if (!broker.up)
        return std::fprintf(stderr, "the broker did not start\n"), 1;

    std::printf("plant feed on a local mosquitto:\n");
    QTemporaryDir folder;
    const QString setup = soakSetup(folder);
    if (tickCost(board, broker) || recordToMessage(board, broker))
        return 1;
    // A shorter soak when asked: mqtt_feed_bench SECONDS.
    return soak(broker, setup, argc > 1 ? std::max(1, std::atoi(argv[1])) : 60);
}
