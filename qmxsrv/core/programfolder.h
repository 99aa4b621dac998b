// Where the server keeps its settings, lock, token and results: the one
// rule, shared by the server and the tools that read what it keeps (they
// must look where it writes). No Qt in here, so that every tool can use it.
#pragma once

#include <string>

namespace qmxsrv::folders {

// The program folder, without a trailing separator (the root folder is ""),
// so that files join as folder + "/" + name. home is QMXSRV_HOME, which
// wins when set; executable is the path of the running program.
std::string programFolder(const std::string &home, const std::string &executable);

// Whether the program in this folder runs installed rather than from its
// build folder: the install layout is around it (<prefix>/share/qmxsrv beside
// <prefix>/bin), or the folder is not writable, so nothing could be kept there.
bool runsInstalled(const std::string &executableFolder);
// The installed program's own data (the firmware image): <prefix>/share/qmxsrv.
std::string installedDataFolder(const std::string &executableFolder);
// Where an installed program keeps its settings, lock, token and results:
// $XDG_DATA_HOME/qmxsrv, else $HOME/.local/share/qmxsrv.
std::string userDataFolder();

// The path of the running program (/proc/self/exe).
std::string executable();
// The rule for this process: QMXSRV_HOME; else, run installed, the user data
// folder; else the folder of the program. Makes nothing.
std::string programFolder();

} // namespace qmxsrv::folders
