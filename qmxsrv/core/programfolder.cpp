#include "programfolder.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>

namespace qmxsrv::folders {

namespace {

namespace fs = std::filesystem;

// Clean, without "." and ".." and without a trailing separator; the root
// folder is "".
std::string clean(const fs::path &path)
{
    std::string text = path.lexically_normal().string();
    while (!text.empty() && text.back() == '/')
        text.pop_back();
    return text;
}

std::string environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

std::string homeFolder()
{
    std::string home = environment("HOME");
    if (home.empty())
        if (const passwd *pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
            home = pw->pw_dir;
    return home;
}

} // namespace

std::string programFolder(const std::string &home, const std::string &executable)
{
    if (home.empty())
        return clean(fs::path(executable).parent_path());
    std::error_code ec;
    return clean(fs::absolute(home, ec));
}

bool runsInstalled(const std::string &executableFolder)
{
    std::error_code ec;
    return fs::exists(installedDataFolder(executableFolder), ec) ||
           ::access(executableFolder.empty() ? "/" : executableFolder.c_str(), W_OK) != 0;
}

std::string installedDataFolder(const std::string &executableFolder)
{
    return clean(fs::path(executableFolder) / ".." / "share" / "qmxsrv");
}

std::string userDataFolder()
{
    std::string base = environment("XDG_DATA_HOME");
    if (base.empty() || base.front() != '/') // relative: to be ignored, says XDG
        base = homeFolder() + "/.local/share";
    return clean(fs::path(base) / "qmxsrv");
}

std::string executable()
{
    std::error_code ec;
    return fs::read_symlink("/proc/self/exe", ec).string();
}

std::string programFolder()
{
    const std::string home = environment("QMXSRV_HOME");
    const std::string program = executable();
    if (!home.empty() || !runsInstalled(programFolder("", program)))
        return programFolder(home, program);
    return userDataFolder();
}

} // namespace qmxsrv::folders
