#include "platform/process.h"

#include "core/programfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace qmxsrv {

namespace {
std::string local(const QString &path) { return QFile::encodeName(path).toStdString(); }
QString qt(const std::string &path) { return QFile::decodeName(QByteArray::fromStdString(path)); }
} // namespace

QString programFolder(const QString &home, const QString &executable)
{
    return qt(folders::programFolder(local(home), local(executable)));
}

bool runsInstalled(const QString &executableFolder)
{
    return folders::runsInstalled(local(executableFolder));
}

QString installedDataFolder(const QString &executableFolder)
{
    return qt(folders::installedDataFolder(local(executableFolder)));
}

QString userDataFolder() { return qt(folders::userDataFolder()); }

QString programFolder()
{
    const QString folder = qt(folders::programFolder());
    // Run installed, the folder is the user's data folder: made private.
    if (qEnvironmentVariableIsEmpty("QMXSRV_HOME") &&
        folders::runsInstalled(folders::programFolder("", folders::executable())) &&
        !QFileInfo::exists(folder) && QDir().mkpath(folder))
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return folder;
}

QString commandLine(const QStringList &arguments)
{
    return arguments.mid(1).join(QLatin1Char(' '));
}

} // namespace qmxsrv
