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

bool runsInstalled(const QString &executableFolder)
{
    return QFileInfo::exists(installedDataFolder(executableFolder)) ||
           !QFileInfo(executableFolder).isWritable();
}

QString installedDataFolder(const QString &executableFolder)
{
    return QDir::cleanPath(executableFolder + QStringLiteral("/../share/qmxsrv"));
}

QString userDataFolder()
{
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base)) // relative: to be ignored, says XDG
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(base + QStringLiteral("/qmxsrv"));
}

QString programFolder()
{
    const QString home = qEnvironmentVariable("QMXSRV_HOME");
    const QString executable = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    if (!home.isEmpty() || !runsInstalled(QFileInfo(executable).absolutePath()))
        return programFolder(home, executable);
    const QString folder = userDataFolder();
    if (!QFileInfo::exists(folder) && QDir().mkpath(folder))
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return folder;
}

QString commandLine(const QStringList &arguments)
{
    return arguments.mid(1).join(QLatin1Char(' '));
}

} // namespace qmxsrv
