// What the program learns about its own process: its folder and its
// command line.
#pragma once

#include <QString>
#include <QStringList>

namespace qmxsrv {

// The program folder, without a trailing separator (the root folder is ""),
// so that files join as folder + "/" + name. home is QMXSRV_HOME, which
// wins when set; executable is the path of the running program.
QString programFolder(const QString &home, const QString &executable);

// The same for this process: QMXSRV_HOME, else the folder of /proc/self/exe.
QString programFolder();

// The program's arguments (arguments[0] is the program itself and is left
// out) joined by single blanks; empty when there are none.
QString commandLine(const QStringList &arguments);

} // namespace qmxsrv
