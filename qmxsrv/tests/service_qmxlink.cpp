// qmxlink run as a program against a service in this test (its advise
// against the running demo: e2e_demo.cpp).
#include "service/livevalueservice.h"
#include "service_client.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(Qmxlink, RequestAndWhatItSaysOfMistakes)
{
    qmxsrv::LiveValueService service;
    ASSERT_TRUE(service.listen({QHostAddress(QHostAddress::LocalHost), 0}));
    service.setItemCount(2);
    service.setItemText(1, " 0.01230");
    const QString url = QStringLiteral("ws://127.0.0.1:%1/FormMain").arg(service.port());
    // Commands: the reply names the command and the serial that came.
    service.setToken("ab12");
    service.setCommandHandler([](const QJsonObject &c, qmxsrv::LiveValueService::Reply reply) {
        reply(QString::fromUtf8(
            QJsonDocument(QJsonObject{{"reply", c.value("command")}, {"serial", c.value("serial")}})
                .toJson(QJsonDocument::Compact)));
    });
    QTemporaryDir folder;
    const QString good = folder.filePath("good.token"), bad = folder.filePath("bad.token");
    for (const auto &[file, token] : {std::pair{good, "ab12\n"}, {bad, "ab13\n"}}) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(token);
    }
    const struct {
        QStringList arguments;
        QString link; // QMXSRV_LINK
        int exitCode;
        const char *out, *err;
    } cases[] = {
        {{"--url", url, "request", "1"}, "", 0, " 0.01230\n", ""},
        {{"request", "0"}, QStringLiteral("127.0.0.1:%1").arg(service.port()), 0, "DDE\n", ""},
        {{"--url", url, "request", "9"}, "", 1, "", "no item"},
        {{"--url", url, "request", "status"},
         "",
         0,
         R"({"status":{"alarms":null,"board":null,"channels":2,"parts":null,"recording":null,)"
         R"("setup":null}})"
         "\n",
         ""},
        {{"--url", url, "--token-file", good, "reconnect"},
         "",
         0,
         "{\"reply\":\"reconnect\"}\n",
         ""},
        {{"--url", url, "--token-file", good, "reconnect", "now"}, "", 2, "", "takes no item"},
        {{"--url", url, "subscribe", "1"}, "", 2, "", "unknown command"},
        {{"--url", url, "--token-file", good, "record", "--serial", "A0100"},
         "",
         0,
         "{\"reply\":\"record\",\"serial\":\"A0100\"}\n",
         ""},
        {{"--url", url, "--token-file", good, "command", R"({"command":"reset-maxmin"})"},
         "",
         0,
         "{\"reply\":\"reset-maxmin\"}\n",
         ""},
        {{"--url", url, "--token-file", bad, "record"}, "", 1, "", "not authorized"},
        {{"--url", url, "--token-file", folder.filePath("none"), "record"},
         "",
         2,
         "",
         "cannot read the station's token"},
        {{"--url", url, "--token-file", good, "command", "reset"}, "", 2, "", "one JSON object"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("QMXSRV_LINK");
        if (!c.link.isEmpty())
            environment.insert("QMXSRV_LINK", c.link);
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(QMXLINK_PATH, c.arguments);
        // The service answers while the test waits.
        ASSERT_TRUE(waitFor([&] { return process.state() == QProcess::NotRunning; }));
        EXPECT_EQ(process.exitCode(), c.exitCode);
        EXPECT_EQ(process.readAllStandardOutput(), c.out);
        const QString err = QString::fromUtf8(process.readAllStandardError());
        EXPECT_TRUE(err.contains(c.err)) << err.toStdString();
    }
}
