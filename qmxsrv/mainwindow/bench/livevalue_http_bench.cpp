// Plain HTTP GETs of one item on the started server while its scan runs
// (24 channels on the simulated board, a tick every 400 ms): requests per
// second from 8 connections that keep alive, and from 8 that each open a
// connection per request; beside them the CPU time of the scan's ticks
// under each load and with none. The clients run in a child process (this
// program started again with --clients), so their work does not count for
// the server.
#include "benchserver.h"
#include "core/messageboxes.h"
#include "core/programstate.h"
#include "mainwindow/formmain.h"
#include "mainwindow/program.h"
#include "platform/scriptedfiledialogs.h"
#include "service/bench/benchsupport.h"
#include "service/livevalueservice.h"

#include <qmxboard.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <http_parser.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace bench;

constexpr int channels = 24;
constexpr int connections = 8;
constexpr int seconds = 4;
const QByteArray keepAliveRequest = "GET /FormMain/3 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
const QByteArray closeRequest =
    "GET /FormMain/3 HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";

// One client connection: a request, its whole answer, the next request.
class Client {
public:
    Client(quint16 port, bool keepAlive, long &answered)
        : port_(port), keepAlive_(keepAlive), answered_(answered)
    {
        settings_.on_message_complete = [](http_parser *p) {
            auto &c = *static_cast<Client *>(p->data);
            if (p->status_code == 200)
                ++c.answered_;
            c.complete_ = true;
            return 0;
        };
        QObject::connect(&socket_, &QTcpSocket::connected, &socket_, [this] { request(); });
        QObject::connect(&socket_, &QTcpSocket::readyRead, &socket_, [this] { read(); });
        QObject::connect(&socket_, &QTcpSocket::disconnected, &socket_, [this] {
            if (!keepAlive_)
                QTimer::singleShot(0, &socket_, [this] { open(); });
        });
        open();
    }

private:
    void open()
    {
        socket_.abort();
        socket_.connectToHost(QHostAddress::LocalHost, port_);
    }
    void request()
    {
        http_parser_init(&parser_, HTTP_RESPONSE);
        parser_.data = this;
        complete_ = false;
        socket_.write(keepAlive_ ? keepAliveRequest : closeRequest);
    }
    void read()
    {
        const QByteArray data = socket_.readAll();
        http_parser_execute(&parser_, &settings_, data.constData(), std::size_t(data.size()));
        if (!complete_)
            return;
        if (keepAlive_)
            request();
        else // as curl does once it has the whole answer
            socket_.disconnectFromHost();
    }

    QTcpSocket socket_;
    quint16 port_;
    bool keepAlive_;
    long &answered_;
    http_parser parser_{};
    http_parser_settings settings_{};
    bool complete_ = false;
};

// Child: 8 clients for the given seconds, then "<answers> <ns>".
int runClients(quint16 port, bool keepAlive)
{
    long answered = 0;
    std::vector<std::unique_ptr<Client>> clients;
    for (int i = 0; i < connections; ++i)
        clients.push_back(std::make_unique<Client>(port, keepAlive, answered));
    const qint64 start = nowNs();
    QTimer::singleShot(seconds * 1000, [&] {
        std::printf("%ld %lld\n", answered, static_cast<long long>(nowNs() - start));
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });
    return QCoreApplication::exec();
}

struct Phase {
    long answers = 0;
    double seconds = 0;
    std::vector<double> tickUs;
};

// The scan ticks every 400 ms for the phase's length, timed; with a load,
// the clients run meanwhile.
Phase runPhase(Server &server, qmxboard::Control &board, const char *load)
{
    Phase phase;
    int round = 0;
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        ++round;
        for (int i = 1; i <= channels; ++i)
            board.setProbe(i, round % 100 / 1000.0 + i / 100000.0);
        const double start = cpuUs();
        server.window().scanCycle().tick();
        if (round > 1) // the first after a pause runs on cold caches
            phase.tickUs.push_back(cpuUs() - start);
    });
    ticks.start(400);
    if (!load) {
        QTimer done;
        done.setSingleShot(true);
        done.start(seconds * 1000);
        while (done.isActive())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        return phase;
    }
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--clients"), QString::number(server.window().liveValues().port()),
                 QString::fromLatin1(load)});
    const QList<QByteArray> answer = nextLine(child).split(' ');
    child.waitForFinished();
    if (answer.size() == 2) {
        phase.answers = answer[0].toLong();
        phase.seconds = double(answer[1].toLongLong()) / 1e9;
    }
    return phase;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && std::string(argv[1]) == "--clients") {
        QCoreApplication app(argc, argv);
        return runClients(quint16(std::atoi(argv[2])), std::string(argv[3]) == "keep-alive");
    }
    ::setenv("QMX_PORTS", "sim", 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    qmxboard::Control board;
    board.reset(qmxboard::Start::Running);
    board.freeze();
    Server server(channels);

    std::printf("HTTP GET of one item, %d connections, %d s each, scan of %d channels every "
                "400 ms:\n",
                connections, seconds, channels);
    int failed = 0;
    const char *none = nullptr;
    for (const char *load : {none, "keep-alive", "close", none}) {
        const Phase p = runPhase(server, board, load);
        if (load && p.answers == 0) {
            std::fprintf(stderr, "  %s: no answers\n", load);
            ++failed;
            continue;
        }
        const double median = p.tickUs.empty() ? 0 : percentile(p.tickUs, 0.5);
        if (!load) {
            std::printf("  no requests:          scan tick CPU median %.0f us\n", median);
            continue;
        }
        std::printf("  %-10s %8.0f requests/s (target > %d); scan tick CPU median %.0f us\n", load,
                    double(p.answers) / p.seconds, std::string(load) == "keep-alive" ? 5000 : 1000,
                    median);
    }
    return failed;
}
