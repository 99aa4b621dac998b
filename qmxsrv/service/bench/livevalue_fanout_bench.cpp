// The live-value service's fan-out: how long from setting 24 changed item
// texts until the last of 100 advised clients has received them, and the
// server's resident memory meanwhile. The clients run in a child process
// (this program started again with --clients), so neither their work nor
// their memory counts for the server; both sides read the same monotonic
// clock.
#include "service/bench/benchsupport.h"
#include "service/livevalueservice.h"

#include <QCoreApplication>
#include <QWebSocket>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

using namespace bench;

constexpr int items = 24;
constexpr int clients = 100;
constexpr int rounds = 200;

// The round a pushed text belongs to: texts are " <round>.<item>".
int roundOf(const QString &message)
{
    const qsizetype at = message.indexOf(QLatin1String("\"text\":\" "));
    if (at < 0)
        return 0;
    const qsizetype start = at + 9;
    const qsizetype dot = message.indexOf(QLatin1Char('.'), start);
    return dot < 0 ? 0 : message.mid(start, dot - start).toInt();
}

// Child: 100 clients advised on every item; prints "ready" when each has had
// the first texts, then "<round> <ns>" when the last client has had a round.
int runClients(const QUrl &url)
{
    std::vector<std::unique_ptr<QWebSocket>> sockets;
    int firstTexts = 0;
    std::vector<int> received(rounds + 1, 0);
    for (int i = 0; i < clients; ++i) {
        auto socket = std::make_unique<QWebSocket>();
        QWebSocket *s = socket.get();
        QObject::connect(s, &QWebSocket::connected, s,
                         [s] { s->sendTextMessage(QStringLiteral("{\"advise\":\"*\"}")); });
        QObject::connect(s, &QWebSocket::textMessageReceived, s, [&](const QString &message) {
            const int round = roundOf(message);
            if (round <= 0 || round > rounds) {
                if (++firstTexts == clients * (items + 1)) {
                    std::printf("ready\n");
                    std::fflush(stdout);
                }
                return;
            }
            if (++received[std::size_t(round)] == clients * items) {
                std::printf("%d %lld\n", round, static_cast<long long>(nowNs()));
                std::fflush(stdout);
            }
        });
        QObject::connect(s, &QWebSocket::disconnected, qApp, [] { QCoreApplication::exit(1); });
        s->open(url);
        sockets.push_back(std::move(socket));
    }
    return QCoreApplication::exec();
}

// What setting an item costs the scan when nobody is advised on it: ns per
// call over 255 items, with changed and with unchanged texts.
void costOfSetting()
{
    qmxsrv::LiveValueService service;
    service.setItemCount(255);
    const int passes = 2000;
    std::vector<QString> texts[2];
    for (int item = 0; item <= 255; ++item) {
        texts[0].push_back(QString::asprintf(" %d.00000", item));
        texts[1].push_back(QString::asprintf(" %d.00001", item));
    }
    for (const bool changed : {true, false}) {
        const qint64 start = nowNs();
        for (int pass = 0; pass < passes; ++pass) {
            for (int item = 1; item <= 255; ++item)
                service.setItemText(item, texts[changed ? pass % 2 : 0][std::size_t(item)]);
        }
        std::printf("  setItemText with no client advised, %s text: %.0f ns a call\n",
                    changed ? "changed" : "unchanged",
                    double(nowNs() - start) / (double(passes) * 255));
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--clients")
        return runClients(QUrl(QString::fromLocal8Bit(argv[2])));

    qmxsrv::LiveValueService service;
    service.setItemCount(items);
    if (!service.listen({QHostAddress(QHostAddress::LocalHost), 0})) {
        std::fprintf(stderr, "cannot listen: %s\n", qPrintable(service.errorString()));
        return 1;
    }
    const Fanout f =
        timeRounds(QCoreApplication::applicationFilePath(),
                   QStringLiteral("ws://127.0.0.1:%1/FormMain").arg(service.port()), rounds,
                   [&service](int round) {
                       for (int item = 1; item <= items; ++item)
                           service.setItemText(item, QString::asprintf(" %d.%05d", round, item));
                   });
    if (!f.ok)
        return 1;

    std::printf("live-value fan-out: %d changed items to %d advised clients, %d rounds\n", items,
                clients, rounds);
    std::printf("  time to the last client: median %.2f ms, 95%% %.2f ms, max %.2f ms "
                "(target < 50 ms)\n",
                percentile(f.ms, 0.5), percentile(f.ms, 0.95), percentile(f.ms, 1.0));
    std::printf("  server resident memory with %d clients: %.1f MB after connecting, "
                "%.1f MB after the rounds, peak %.1f MB (target < 100 MB)\n",
                clients, f.idleKb / 1024.0, f.rssKb / 1024.0, f.peakKb / 1024.0);
    costOfSetting();
    return 0;
}
