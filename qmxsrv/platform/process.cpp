#include "platform/process.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace qmxsrv {

QString programFolder(const QString &home, const QString &executable)
{
    const QString folder = home.isEmpty() ? QFileInfo(executable).absolutePath()
                                          : QDir::cleanPath(QDir(home).absolutePath());
    return folder == QLatin1String("/") ? QString() : folder;
}

QString programFolder()
{
    return programFolder(qEnvironmentVariable("QMXSRV_HOME"),
                         QFile::symLinkTarget(QStringLiteral("/proc/self/exe")));
}

QString commandLine(const QStringList &arguments)
{
    return arguments.mid(1).join(QLatin1Char(' '));
}

} // namespace qmxsrv
