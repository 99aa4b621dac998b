// The demo as a person on a machine without a display runs it: scripts/demo.sh
// starts the real QMXSRV with the demo setup against the simulated board;
// qmxlink watches the values and qmxboard-ctl puts a master on the gauge.
// Warm board, its own program folder, control socket and port.
#include "core_support.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <csignal>
#include <filesystem>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

class Demo : public ::testing::Test {
protected:
    void SetUp() override
    {
        environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "QMXSRV_VIEW"})
            environment.remove(QString::fromLatin1(name));
        environment.insert("QMX_SIM_STATE", "running");
        environment.insert("QMXSRV_HOME", QString::fromStdString(dir.path()));
        environment.insert("QMXSRV_LINK", "127.0.0.1:0");
        environment.insert("QMX_SIM_CONTROL", socket);
        server.setProcessEnvironment(environment);
        server.start(QStringLiteral("/bin/sh"), {QMX_DEMO_SCRIPT, QMX_BUILD_DIR});
        ASSERT_TRUE(server.waitForStarted());
        // The server says on stderr where its live values are.
        const QRegularExpression started("live values at (ws://\\S+)");
        for (QDeadlineTimer deadline(10000); !started.match(stderrText).hasMatch();) {
            ASSERT_FALSE(deadline.hasExpired() || server.state() == QProcess::NotRunning)
                << stderrText.toStdString();
            server.waitForReadyRead(100);
            stderrText += QString::fromLocal8Bit(server.readAllStandardError());
        }
        url = started.match(stderrText).captured(1);
    }
    void TearDown() override
    {
        server.terminate();
        server.waitForFinished(5000);
    }

    // Runs a tool to its end: its exit status and what it printed.
    struct Run {
        int status;
        QString out, err;
    };
    Run run(const QString &program, const QStringList &arguments)
    {
        QProcess p;
        p.setProcessEnvironment(environment);
        p.start(program, arguments);
        const bool finished = p.waitForStarted() && p.waitForFinished(10000);
        return {finished ? p.exitCode() : -1, QString::fromLocal8Bit(p.readAllStandardOutput()),
                QString::fromLocal8Bit(p.readAllStandardError())};
    }

    qmxtest::TempDir dir;
    const QString socket = QString::fromStdString(dir.file("board.sock"));
    QProcessEnvironment environment;
    QProcess server;
    QString url, stderrText;
};

// A WebSocket client of the started server in plain sockets: the handshake,
// then everything the server sends until it closes.
class RawConversation {
public:
    explicit RawConversation(const QString &url)
    {
        const int port = QRegularExpression(":(\\d+)/").match(url).captured(1).toInt();
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(std::uint16_t(port));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const std::string request = "GET /FormMain HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                                    "Upgrade: websocket\r\nConnection: Upgrade\r\n"
                                    "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                                    "Sec-WebSocket-Version: 13\r\n\r\n";
        open_ = ::connect(fd_, reinterpret_cast<sockaddr *>(&to), sizeof to) == 0 &&
                ::write(fd_, request.data(), request.size()) == ssize_t(request.size());
    }
    ~RawConversation() { ::close(fd_); }
    // The server's 101 answer has come.
    bool open()
    {
        char c;
        while (open_ && header_.find("\r\n\r\n") == std::string::npos)
            open_ = ::read(fd_, &c, 1) == 1 && (header_ += c, true);
        return open_ && header_.rfind("HTTP/1.1 101", 0) == 0;
    }
    // What came until the server closed the connection.
    std::string rest()
    {
        std::string got;
        char buffer[4096];
        for (ssize_t n; (n = ::read(fd_, buffer, sizeof buffer)) > 0;)
            got.append(buffer, std::size_t(n));
        return got;
    }

private:
    int fd_ = -1;
    bool open_ = false;
    std::string header_;
};

TEST_F(Demo, ServesTheChannelsOfTheDemoSetup)
{
    EXPECT_TRUE(stderrText.contains("offscreen platform")) << "the note on stderr";
    EXPECT_TRUE(stderrText.contains("QMXSRV: qmxsrv.ini file not found. Default values used."));
    EXPECT_TRUE(stderrText.contains("qmxlink advise")) << "how to watch it";

    // Six channels, moving: item 1 (the bore, 4 decimals) gets value texts.
    const Run watched = run(QMXLINK_PATH, {"--url", url, "--count", "20", "advise", "*"});
    ASSERT_EQ(watched.status, 0) << watched.err.toStdString();
    const QStringList lines = watched.out.split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.value(0), "0\tDDE");
    EXPECT_FALSE(lines.filter(QRegularExpression("^6\t")).isEmpty());
    EXPECT_TRUE(lines.filter(QRegularExpression("^7\t")).isEmpty()) << "six channels";
    EXPECT_FALSE(lines.filter(QRegularExpression("^1\t[ -]\\d\\.\\d{4}$")).isEmpty())
        << watched.out.toStdString();

    // A master on the gauge: probes 1 and 2 give the bore diameter.
    for (const QString command : {"freeze", "set T1 0.004", "set T2 0.003"})
        ASSERT_EQ(run(QMXBOARD_CTL_PATH, QStringList{socket} + command.split(' ')).status, 0)
            << command.toStdString();
    QString bore;
    QDeadlineTimer deadline(5000);
    while (bore != " 0.0070\n" && !deadline.hasExpired())
        bore = run(QMXLINK_PATH, {"--url", url, "request", "1"}).out;
    EXPECT_EQ(bore, " 0.0070\n");

    // A second start in the same program folder is refused.
    const Run second = run(QStringLiteral(QMX_BUILD_DIR "/bin/QMXSRV"), {});
    EXPECT_EQ(second.status, 1);
    EXPECT_TRUE(second.err.contains("This application is already running"))
        << second.err.toStdString();
    EXPECT_EQ(server.state(), QProcess::Running);
}

// A service manager's stop or Ctrl-C closes as File > Exit does, with no one
// to ask: qmxsrv.ini is written (with the close's empty line 15), the lock
// is given up, and the exit is a clean one.
TEST_F(Demo, AStopSignalClosesInOrder)
{
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
        if (server.state() == QProcess::NotRunning) {
            stderrText.clear();
            SetUp();
        }
        RawConversation client(url);
        ASSERT_TRUE(client.open());
        // Taken after ours: ours is a conversation by now.
        ASSERT_EQ(run(QMXLINK_PATH, {"--url", url, "request", "0"}).out, "DDE\n");
        ASSERT_EQ(::kill(static_cast<pid_t>(server.processId()), signalNumber), 0);
        ASSERT_TRUE(server.waitForFinished(10000)) << signalNumber;
        // A stop, not a crash: the last frame is a close, "going away".
        const std::string got = client.rest();
        const std::size_t close = got.rfind("\x88");
        ASSERT_NE(close, std::string::npos) << signalNumber << ": no close frame";
        ASSERT_GE(got.size(), close + 4);
        EXPECT_EQ(got.substr(close + 2, 2), std::string("\x03\xe9", 2)) << "1001";
        EXPECT_NE(got.find("the station stops", close), std::string::npos);
        EXPECT_EQ(server.exitStatus(), QProcess::NormalExit) << signalNumber;
        EXPECT_EQ(server.exitCode(), 0) << signalNumber;
        const std::string settings = qmxtest::readFile(dir.file("qmxsrv.ini"));
        EXPECT_EQ(std::count(settings.begin(), settings.end(), '\n'), 15) << signalNumber;
        EXPECT_EQ(settings.substr(settings.size() - std::min<std::size_t>(4, settings.size())),
                  "\r\n\r\n")
            << signalNumber;
        EXPECT_FALSE(std::filesystem::exists(dir.file("qmxsrv.lock"))) << signalNumber;
        std::filesystem::remove(dir.file("qmxsrv.ini"));
    }
}

} // namespace
