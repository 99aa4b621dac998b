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

// Whether the program in this folder runs installed rather than from its
// build folder: the install layout is around it (<prefix>/share/qmxsrv beside
// <prefix>/bin), or the folder is not writable, so nothing could be kept there.
bool runsInstalled(const QString &executableFolder);
// The installed program's own data (the firmware image): <prefix>/share/qmxsrv.
QString installedDataFolder(const QString &executableFolder);
// Where an installed program keeps its settings, lock, token and results:
// $XDG_DATA_HOME/qmxsrv, else $HOME/.local/share/qmxsrv.
QString userDataFolder();

// The same for this process: QMXSRV_HOME; else, run installed, the user data
// folder (made, mode 0700, when missing); else the folder of /proc/self/exe.
QString programFolder();

// The program's arguments (arguments[0] is the program itself and is left
// out) joined by single blanks; empty when there are none.
QString commandLine(const QStringList &arguments);

} // namespace qmxsrv
