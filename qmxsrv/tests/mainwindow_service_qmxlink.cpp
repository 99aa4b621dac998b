// qmxlink run as a program against a service in this test.
#include "mainwindow/livevalueservice.h"
#include "mainwindow_service_client.h"

#include <QProcess>
#include <QTcpServer>

#include <gtest/gtest.h>

using namespace qmxsrv;

namespace {

class Qmxlink : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(service.listen({QHostAddress(QHostAddress::LocalHost), 0}));
        service.setItemCount(2);
        service.setItemText(1, " 0.01230");
        service.setItemText(2, "-1.50000");
    }

    QString url() const { return QStringLiteral("ws://127.0.0.1:%1/FormMain").arg(service.port()); }

    // Starts qmxlink; the service answers while the test waits on it.
    void start(const QStringList &arguments, const QString &link = QString())
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("QMXSRV_LINK");
        if (!link.isEmpty())
            environment.insert("QMXSRV_LINK", link);
        process.setProcessEnvironment(environment);
        process.start(QMXLINK_PATH, arguments);
        ASSERT_TRUE(process.waitForStarted());
    }

    bool finish()
    {
        return waitFor([this] { return process.state() == QProcess::NotRunning; });
    }

    LiveValueService service;
    QProcess process;
};

} // namespace

TEST_F(Qmxlink, RequestPrintsTheText)
{
    start({"--url", url(), "request", "1"});
    ASSERT_TRUE(finish());
    EXPECT_EQ(process.readAllStandardOutput(), " 0.01230\n");
    EXPECT_EQ(process.exitCode(), 0);

    const QString link = QStringLiteral("127.0.0.1:%1").arg(service.port());
    start({"request", "0"}, link);
    ASSERT_TRUE(finish());
    EXPECT_EQ(process.readAllStandardOutput(), "DDE\n") << "the server from QMXSRV_LINK";
}

TEST_F(Qmxlink, AdvisePrintsAnItemAndTextLinePerUpdate)
{
    start({"--url", url(), "--count", "5", "advise", "*"});
    QByteArray out;
    ASSERT_TRUE(waitFor([&] {
        out += process.readAllStandardOutput();
        return out.count('\n') == 3;
    })) << out.toStdString();
    EXPECT_EQ(out, "0\tDDE\n1\t 0.01230\n2\t-1.50000\n");
    service.setItemText(2, "-1.40000");
    service.setItemText(1, " 0.01240");
    ASSERT_TRUE(finish());
    out += process.readAllStandardOutput();
    EXPECT_EQ(out, "0\tDDE\n1\t 0.01230\n2\t-1.50000\n2\t-1.40000\n1\t 0.01240\n");
    EXPECT_EQ(process.exitCode(), 0);
}

TEST_F(Qmxlink, FailuresExitWithAMessage)
{
    QTcpServer nothing;
    ASSERT_TRUE(nothing.listen(QHostAddress::LocalHost, 0));
    const QString deadUrl = QStringLiteral("ws://127.0.0.1:%1/FormMain").arg(nothing.serverPort());
    nothing.close();
    struct Case {
        QStringList arguments;
        int exitCode;
        const char *says;
    } cases[] = {
        {{"--url", url(), "request", "9"}, 1, "no item"},
        {{"--url", url(), "request", "*"}, 1, "one item"},
        {{"--url", deadUrl, "request", "1"}, 3, "no gauge server"},
        {{"--url", url().replace("FormMain", "Other"), "request", "1"}, 3, "unknown topic"},
        {{"--url", url(), "subscribe", "1"}, 2, "unknown command"},
        {{"--url", url(), "--count", "x", "advise", "1"}, 2, "--count"},
    };
    for (const Case &c : cases) {
        start(c.arguments);
        ASSERT_TRUE(finish()) << c.arguments.join(' ').toStdString();
        const QString err = QString::fromUtf8(process.readAllStandardError());
        EXPECT_EQ(process.exitCode(), c.exitCode) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(err.contains(c.says)) << err.toStdString();
        EXPECT_TRUE(process.readAllStandardOutput().isEmpty());
    }
}
