// A QMXSRV process that a soak starts: a program folder of its own, the
// simulated board running, the offscreen platform, live values on a free
// loopback port, and what /proc says about the process.
#pragma once

#include "service/bench/benchsupport.h"

#include <QDir>
#include <QFile>
#include <QNetworkRequest>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QUrl>

#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace bench {

class StationProcess {
public:
    // ini is qmxsrv.ini's text; env is set on top of this process's own
    // environment (so that a MALLOC_ARENA_MAX, say, reaches the server too).
    StationProcess(const QString &server, const QByteArray &ini, const QStringList &arguments,
                   const std::map<QString, QString> &env = {})
    {
        QFile file(home.filePath(QStringLiteral("qmxsrv.ini")));
        file.open(QIODevice::WriteOnly);
        file.write(ini);
        file.close();
        QProcessEnvironment all = QProcessEnvironment::systemEnvironment();
        all.insert("QMXSRV_HOME", home.path());
        all.insert("QMX_PORTS", "sim");
        all.insert("QMX_SIM_STATE", "running");
        all.insert("QT_QPA_PLATFORM", "offscreen");
        all.insert("QMXSRV_LINK", "127.0.0.1:0");
        for (const auto &[name, value] : env)
            all.insert(name, value);
        process.setProcessEnvironment(all);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(server, arguments);
    }
    ~StationProcess()
    {
        process.terminate();
        process.waitForFinished(10000);
    }

    // Whether the server has said where its live values are; reads what it
    // printed meanwhile (into output).
    bool up()
    {
        output += process.readAll();
        if (url.isEmpty()) {
            const qsizetype at = output.indexOf("live values at ");
            const qsizetype end = at < 0 ? -1 : output.indexOf('\n', at);
            if (end >= 0)
                url = QString::fromUtf8(output.mid(at + 15, end - at - 15)).trimmed();
        }
        return !url.isEmpty();
    }

    // A handshake that carries the station's token: its commands are taken.
    QNetworkRequest commandRequest() const
    {
        QFile token(home.filePath(QStringLiteral("qmxsrv.token")));
        token.open(QIODevice::ReadOnly);
        QNetworkRequest request{QUrl(url)};
        request.setRawHeader("Authorization", "Bearer " + token.readAll().trimmed());
        return request;
    }

    qint64 pid() const { return process.processId(); }
    bool running() const { return process.state() != QProcess::NotRunning; }
    // A field of its /proc status in kB ("VmRSS:", "RssAnon:").
    long statusKb(const char *field) const { return residentKb(field, pid()); }
    int openFiles() const
    {
        return int(QDir(QStringLiteral("/proc/%1/fd").arg(pid()))
                       .entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)
                       .size());
    }
    // User and system CPU time in clock ticks.
    long cpuTicks() const
    {
        std::ifstream stat("/proc/" + std::to_string(pid()) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), {});
        const std::size_t paren = text.rfind(')');
        if (paren == std::string::npos)
            return 0;
        std::istringstream fields(text.substr(paren + 2));
        std::string skip;
        for (int i = 3; i <= 13; ++i)
            fields >> skip;
        long user = 0, system = 0;
        fields >> user >> system;
        return user + system;
    }

    QTemporaryDir home;
    QProcess process;
    QByteArray output;
    QString url;
};

} // namespace bench
