// How long a client waits for a value while the board answers slowly: the
// started server (8 channels, its 400 ms scan running) on the simulated
// board, whose control command "delay 1" (as its control socket takes it)
// holds every reply back for a second, so that
// a tick takes some eight seconds. A thread of this program asks over plain
// sockets, every 250 ms for 20 s: an HTTP GET of one item on a kept-alive
// connection and {"request":"status"} on a WebSocket. Figures with no delay
// first, then with it. Fails when an answer does not come within 5 s.
#include "benchserver.h"
#include "service/bench/benchsupport.h"
#include "service/livevalueservice.h"

#include <qmxboard.h>

#include <QApplication>
#include <QTimer>

#include <arpa/inet.h>
#include <atomic>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace bench;

constexpr int channels = 8;
constexpr int rounds = 80; // every 250 ms: 20 s
constexpr int answerWaitMs = 5000;

// A blocking loopback connection; reads wait at most answerWaitMs.
class Connection {
public:
    explicit Connection(quint16 port) : fd_(::socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ok_ = ::connect(fd_, reinterpret_cast<sockaddr *>(&to), sizeof to) == 0;
    }
    ~Connection() { ::close(fd_); }
    bool send(const std::string &bytes)
    {
        return ok_ && ::write(fd_, bytes.data(), bytes.size()) == ssize_t(bytes.size());
    }
    // Reads until done(received) says so; false on a time-out or an end.
    template <typename Done> bool readUntil(Done done)
    {
        while (ok_ && !done(received)) {
            pollfd p{fd_, POLLIN, 0};
            char buffer[4096];
            const ssize_t got =
                ::poll(&p, 1, answerWaitMs) == 1 ? ::read(fd_, buffer, sizeof buffer) : -1;
            if (got <= 0)
                ok_ = false;
            else
                received.append(buffer, std::size_t(got));
        }
        return ok_;
    }
    std::string received;

private:
    int fd_;
    bool ok_ = false;
};

struct Latencies {
    std::vector<double> get, status;
    int unanswered = 0;
};

// The client side, on its own thread: nothing here waits for the server's
// event loop, only for its answers.
Latencies ask(quint16 port)
{
    Latencies l;
    Connection http(port), ws(port);
    ws.send("GET /FormMain HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\n"
            "Connection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
            "Sec-WebSocket-Version: 13\r\n\r\n");
    if (!ws.readUntil([](const std::string &r) { return r.find("\r\n\r\n") != std::string::npos; }))
        return l.unanswered = rounds, l;
    ws.received.clear();
    const std::string status = "{\"request\":\"status\"}";
    const std::string frame =
        std::string{char(0x81), char(0x80 | status.size()), 0, 0, 0, 0} + status;
    for (int i = 0; i < rounds; ++i) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(250);
        http.received.clear();
        qint64 t = nowNs();
        const bool got = http.send("GET /FormMain/1 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n") &&
                         http.readUntil([](const std::string &r) {
                             const auto head = r.find("\r\n\r\n");
                             const auto length = r.find("Content-Length: ");
                             return head != std::string::npos && length != std::string::npos &&
                                    r.size() >= head + 4 + std::stoul(r.substr(length + 16));
                         });
        got ? l.get.push_back(double(nowNs() - t) / 1e6) : void(++l.unanswered);
        ws.received.clear();
        t = nowNs();
        const bool told = ws.send(frame) && ws.readUntil([](const std::string &r) {
            return r.size() >= 2 && r.size() >= std::size_t(2 + (r[1] & 0x7f));
        });
        told ? l.status.push_back(double(nowNs() - t) / 1e6) : void(++l.unanswered);
        std::this_thread::sleep_until(deadline);
    }
    return l;
}

void print(const char *what, const std::vector<double> &ms)
{
    if (ms.empty())
        return void(std::printf("  %-22s no answers\n", what));
    std::printf("  %-22s median %7.2f ms   95 %% %7.2f ms   max %7.2f ms   (%zu)\n", what,
                percentile(ms, 0.5), percentile(ms, 0.95), percentile(ms, 1.0), ms.size());
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QMX_PORTS", "sim");
    qputenv("QMX_SIM_STATE", "running");
    QApplication app(argc, argv);
    Server server(channels);
    server.window().findChild<QTimer *>(QStringLiteral("Timer1"))->start();
    const quint16 port = server.window().liveValues().port();

    std::printf("A value and the status over the live-value service, %d channels on display,\n"
                "the scan running; each reply of the board held back by its delay command:\n",
                channels);
    int failures = 0;
    for (const char *delay : {"0", "1"}) {
        qmxboard::Control board;
        const std::string said = board.command(std::string("delay ") + delay);
        if (said.rfind("ok", 0) != 0)
            return std::fprintf(stderr, "the board refused the delay: %s\n", said.c_str()), 1;
        Latencies l;
        std::atomic<bool> done{false};
        std::thread client([&] {
            l = ask(port);
            done = true;
        });
        const qint64 start = nowNs();
        int ticks = 0;
        QObject::connect(&server.window().scanCycle(), &qmxsrv::ScanCycle::ticked, &app,
                         [&ticks] { ++ticks; });
        while (!done)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        client.join();
        std::printf("delay %s s (%d ticks in %.1f s):\n", delay, ticks,
                    double(nowNs() - start) / 1e9);
        print("HTTP GET /FormMain/1", l.get);
        print("WebSocket status", l.status);
        if (l.unanswered)
            std::printf("  %d requests unanswered within %d ms\n", l.unanswered, answerWaitMs);
        failures += l.unanswered;
        board.command("delay 0");
        server.window().scanCycle().disconnect(&app);
    }
    return failures ? 1 : 0;
}
