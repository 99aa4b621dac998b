// A station's soak: one QMXSRV process with 64 channels on display whose
// probes the simulated board moves, 10 WebSocket clients advised on every
// item, a part recorded every second through the remote record command, and
// a client that connects, advises and closes every 0.2 s. Every few seconds
// it prints the server's resident memory (anonymous, file-backed and shared
// besides), its open files, the parts recorded and the size of the results
// store's WAL; at the end, how the memory grew: over the first third of the
// run and per part there, and per minute over the last third.
//
//   soak_bench [SECONDS [EVERY]]      default 180 s, a line every 10 s
//
// The server gets this process's environment, so MALLOC_ARENA_MAX or
// QMXSRV_RESULTS set here are the server's too. Exits 1 when the server ends,
// a record is refused or left unanswered, an advised client is dropped or
// hears nothing for 10 s, or a client coming and going is refused or closed.
#include "service/bench/benchsupport.h"
#include "stationprocess.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <QWebSocket>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace bench;

constexpr int channels = 64, advisers = 10, recordEveryMs = 1000, churnEveryMs = 200;
// Records asked for and not yet answered, and seconds an advised client hears
// nothing while 64 channels move, before the soak calls it a fault.
constexpr int maxUnanswered = 5, silentSeconds = 10;

// Channel i over probes i and the next, in four kinds of formula; limits
// inside the probes' swing (about ±0.0005), so that verdicts change too.
QString writeSetup(const QString &folder)
{
    const QString path = folder + QStringLiteral("/soak.qmx");
    std::ofstream out(path.toStdString(), std::ios::binary);
    out << "[QMXSRV Version 1.0]\r\n[General Setup]\r\nMaxChannel= " << channels
        << " \r\nMaxLVDT= 64 \r\nMaxAnalog= 2 \r\nMaxDigital=0\r\nMaxStrain=0\r\n"
        << "Decimals= 4 \r\n[End Section]\r\n";
    for (int i = 1; i <= channels; ++i) {
        const std::string a = "T" + std::to_string((i - 1) % 64 + 1);
        const std::string b = "T" + std::to_string(i % 64 + 1);
        const std::string formulas[] = {a, "(" + a + "+" + b + ")/2", a + "-" + b,
                                        "GOR(" + a + "," + b + ")-LOR(" + a + "," + b + ")"};
        out << "[Channel]\r\n"
            << i << "\r\nChannel " << i << "\r\n"
            << formulas[(i - 1) % 4] << "\r\n4\r\nmm\r\n0\r\n0\r\nFalse\r\n"
            << "0.0005\r\n0.0003\r\n-0.0003\r\n-0.0005\r\n1\r\n0\r\n0.001\r\n-0.001\r\n"
            << "[End Channel]\r\n";
    }
    out << "[End Setup]\r\n";
    return path;
}

struct Sample {
    double seconds;
    long rssKb, anonKb, fileKb, shmemKb;
    int files;
    long parts;
};

// Least-squares slope of the resident memory against time, kB a minute.
double slopeKbPerMinute(const std::vector<Sample> &samples)
{
    if (samples.size() < 2)
        return 0;
    double t = 0, m = 0;
    for (const Sample &s : samples) {
        t += s.seconds;
        m += double(s.rssKb);
    }
    t /= double(samples.size());
    m /= double(samples.size());
    double num = 0, den = 0;
    for (const Sample &s : samples) {
        num += (s.seconds - t) * (double(s.rssKb) - m);
        den += (s.seconds - t) * (s.seconds - t);
    }
    return den > 0 ? 60.0 * num / den : 0;
}

class Soak {
public:
    Soak(StationProcess &station, int seconds, int everySeconds)
        : station_(station), seconds_(seconds), everySeconds_(everySeconds)
    {
        const QByteArray results = qgetenv("QMXSRV_RESULTS");
        walPath_ = (results.isEmpty() ? station.home.filePath(QStringLiteral("results.sqlite"))
                                      : QString::fromLocal8Bit(results)) +
                   QStringLiteral("-wal");
    }

    int run()
    {
        QObject::connect(&station_.process, &QProcess::finished, &loop_, [this](int code) {
            station_.up();
            fail(QStringLiteral("the server ended (exit %1):\n%2")
                     .arg(code)
                     .arg(QString::fromLocal8Bit(station_.output)));
        });
        if (!openAdvisers() || !openRecorder())
            return 1;

        QTimer record, churn, sample;
        QObject::connect(&record, &QTimer::timeout, [this] { askRecord(); });
        QObject::connect(&churn, &QTimer::timeout, [this] { churnClient(); });
        QObject::connect(&sample, &QTimer::timeout, [this] { takeSample(); });
        std::printf("soak: %d channels, %d clients advised on every item, a part every %d ms, "
                    "a client connecting and closing every %d ms, for %d s (server pid %lld)\n",
                    channels, advisers, recordEveryMs, churnEveryMs, seconds_,
                    static_cast<long long>(station_.pid()));
        std::printf("%7s %8s %8s %8s %8s %6s %7s %8s\n", "s", "RSS MB", "anon MB", "file MB",
                    "shmem MB", "fds", "parts", "WAL kB");
        start_ = nowNs();
        takeSample();
        record.start(recordEveryMs);
        churn.start(churnEveryMs);
        sample.start(everySeconds_ * 1000);
        QTimer::singleShot(seconds_ * 1000, &loop_, [this, &sample] {
            sample.stop();
            if (elapsed() - samples_.back().seconds > 1)
                takeSample();
            loop_.quit();
        });
        loop_.exec();
        record.stop();
        churn.stop();
        sample.stop();
        // What closes from here on is the soak's own doing.
        for (auto &a : advisers_)
            a->socket.disconnect();
        recorder_.disconnect();
        if (!failure_.isEmpty()) {
            std::fprintf(stderr, "soak failed after %.0f s: %s\n", elapsed(), qPrintable(failure_));
            return 1;
        }
        summarise();
        return 0;
    }

private:
    struct Adviser {
        QWebSocket socket;
        long messages = 0;
        qint64 lastNs = 0; // when the last came
    };

    double elapsed() const { return double(nowNs() - start_) / 1e9; }

    void fail(const QString &why)
    {
        if (failure_.isEmpty())
            failure_ = why;
        loop_.quit();
    }

    bool openAdvisers()
    {
        for (int i = 0; i < advisers; ++i) {
            auto a = std::make_unique<Adviser>();
            Adviser *adviser = a.get();
            QObject::connect(&a->socket, &QWebSocket::connected, [this, adviser] {
                adviser->socket.sendTextMessage(QStringLiteral("{\"advise\":\"*\"}"));
                adviser->lastNs = nowNs();
                ++advisersOpen_;
            });
            QObject::connect(&a->socket, &QWebSocket::textMessageReceived, [adviser] {
                ++adviser->messages;
                adviser->lastNs = nowNs();
            });
            QObject::connect(&a->socket, &QWebSocket::disconnected, [this, i] {
                fail(QStringLiteral("advised client %1 was dropped (%2)")
                         .arg(i + 1)
                         .arg(advisers_[std::size_t(i)]->socket.closeReason()));
            });
            a->socket.open(QUrl(station_.url));
            advisers_.push_back(std::move(a));
        }
        if (!waitUntil([&] { return advisersOpen_ == advisers || !failure_.isEmpty(); }, 10000) ||
            !failure_.isEmpty()) {
            std::fprintf(stderr, "the advised clients did not connect %s\n", qPrintable(failure_));
            return false;
        }
        return true;
    }

    bool openRecorder()
    {
        QObject::connect(&recorder_, &QWebSocket::textMessageReceived, [this](const QString &text) {
            const QJsonObject reply = QJsonDocument::fromJson(text.toUtf8()).object();
            if (reply.value("reply").toString() != QLatin1String("record"))
                return;
            --unanswered_;
            if (reply.contains("part"))
                ++parts_;
            else
                fail(QStringLiteral("a record was refused: %1").arg(text));
        });
        QObject::connect(&recorder_, &QWebSocket::disconnected,
                         [this] { fail(QStringLiteral("the recording client was dropped")); });
        recorder_.open(station_.commandRequest());
        if (!waitUntil([this] { return recorder_.state() == QAbstractSocket::ConnectedState; },
                       10000)) {
            std::fprintf(stderr, "the recording client did not connect\n");
            return false;
        }
        return true;
    }

    void askRecord()
    {
        if (++unanswered_ > maxUnanswered)
            return fail(QStringLiteral("%1 records unanswered").arg(unanswered_ - 1));
        recorder_.sendTextMessage(QStringLiteral("{\"command\":\"record\"}"));
    }

    // Closes the last one and opens the next. One still connecting is left
    // to it (a loaded machine) and counted; one that could not connect, or
    // that the server closed, fails the soak.
    void churnClient()
    {
        if (churn_) {
            if (churn_->state() == QAbstractSocket::UnconnectedState)
                return fail(QStringLiteral("a client coming and going: %1 %2")
                                .arg(churn_->errorString(), churn_->closeReason()));
            if (churn_->state() != QAbstractSocket::ConnectedState) {
                ++churnLate_;
                return;
            }
            QWebSocket *old = churn_.release();
            old->disconnect();
            QObject::connect(old, &QWebSocket::disconnected, old, &QObject::deleteLater);
            old->close();
        }
        churn_ = std::make_unique<QWebSocket>();
        QWebSocket *s = churn_.get();
        QObject::connect(s, &QWebSocket::connected, [this, s] {
            ++churned_;
            s->sendTextMessage(QStringLiteral("{\"advise\":\"*\"}"));
        });
        s->open(QUrl(station_.url));
    }

    void takeSample()
    {
        station_.up(); // keeps its pipe drained
        if (!station_.running())
            return;
        const Sample s{elapsed(),
                       station_.statusKb("VmRSS:"),
                       station_.statusKb("RssAnon:"),
                       station_.statusKb("RssFile:"),
                       station_.statusKb("RssShmem:"),
                       station_.openFiles(),
                       parts_};
        samples_.push_back(s);
        std::printf("%7.0f %8.1f %8.1f %8.1f %8.1f %6d %7ld %8lld\n", s.seconds, s.rssKb / 1024.0,
                    s.anonKb / 1024.0, s.fileKb / 1024.0, s.shmemKb / 1024.0, s.files, s.parts,
                    static_cast<long long>(QFileInfo(walPath_).size() / 1024));
        std::fflush(stdout);
        for (std::size_t i = 0; i < advisers_.size(); ++i)
            if (nowNs() - advisers_[i]->lastNs > qint64(silentSeconds) * 1'000'000'000)
                fail(QStringLiteral("advised client %1 heard nothing for %2 s")
                         .arg(i + 1)
                         .arg(silentSeconds));
    }

    void summarise() const
    {
        const Sample &first = samples_.front(), &last = samples_.back();
        // The first third of the run, and the last; a timer may fire a
        // little early, hence the half second.
        std::size_t early = 0;
        while (early + 1 < samples_.size() && samples_[early].seconds < last.seconds / 3 - 0.5)
            ++early;
        const Sample &e = samples_[early];
        std::vector<Sample> late;
        for (const Sample &s : samples_)
            if (s.seconds >= last.seconds * 2 / 3 - 0.5)
                late.push_back(s);
        const auto perPart = [](const Sample &a, const Sample &b) {
            return b.parts > a.parts ? double(b.rssKb - a.rssKb) / double(b.parts - a.parts) : 0;
        };
        long messages = 0;
        for (const auto &a : advisers_)
            messages += a->messages;
        std::printf("growth: %+.1f MB in the first %.0f s (%.1f kB a part), %+.1f kB a minute "
                    "over the last %.0f s (least squares); %+.1f MB over the whole run, %.1f kB "
                    "a part\n",
                    double(e.rssKb - first.rssKb) / 1024.0, e.seconds - first.seconds,
                    perPart(first, e), slopeKbPerMinute(late), last.seconds - late.front().seconds,
                    double(last.rssKb - first.rssKb) / 1024.0, perPart(first, last));
        std::printf("open files %d at the start, %d at the end; %ld parts recorded; %ld "
                    "messages to the advised clients; %ld clients came and went (%ld late)\n",
                    first.files, last.files, last.parts, messages, churned_, churnLate_);
    }

    StationProcess &station_;
    const int seconds_, everySeconds_;
    QString walPath_;
    QEventLoop loop_;
    QString failure_;
    qint64 start_ = 0;
    std::vector<std::unique_ptr<Adviser>> advisers_;
    int advisersOpen_ = 0;
    QWebSocket recorder_;
    long parts_ = 0;
    int unanswered_ = 0;
    std::unique_ptr<QWebSocket> churn_;
    long churned_ = 0, churnLate_ = 0;
    std::vector<Sample> samples_;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 180;
    const int every = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    QTemporaryDir folder;
    const QString setup = writeSetup(folder.path());
    StationProcess station(QStringLiteral(QMXSRV_PATH), "MaxChannel=64\r\nMaxLVDT=64\r\n", {setup},
                           {{"QMXSRV_VIEW", "channels"}});
    if (!waitUntil([&] { return station.up() || !station.running(); }, 30000) || !station.up()) {
        std::fprintf(stderr, "the server did not start:\n%s\n", station.output.constData());
        return 1;
    }
    return Soak(station, seconds, every).run();
}
