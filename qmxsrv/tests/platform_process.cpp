// The program folder, the command line and the offscreen decision.
#include "platform/offscreen.h"
#include "platform/process.h"
#include "platform/stationtoken.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace qmxsrv;

TEST(ProgramFolder, FromHomeOrExecutable)
{
    struct Case {
        QString home, executable, expected;
    } cases[] = {
        {"", "/opt/qmx/bin/QMXSRV", "/opt/qmx/bin"},
        {"", "/QMXSRV", ""}, // the root folder: "" + "/qmxsrv.ini" is still right
        {"/data//station1/./", "/opt/qmx/bin/QMXSRV", "/data/station1"},
        {"/", "/opt/qmx/bin/QMXSRV", ""},
        {"station1", "/opt/qmx/bin/QMXSRV", QDir::currentPath() + "/station1"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(programFolder(c.home, c.executable), c.expected) << c.home.toStdString();
}

TEST(ProgramFolder, AnInstalledProgramKeepsItsDataInTheUsersDataFolder)
{
    QTemporaryDir tree;
    const QString prefix = tree.path();
    QDir().mkpath(prefix + "/usr/bin");
    QDir().mkpath(prefix + "/usr/share/qmxsrv");
    QDir().mkpath(prefix + "/build/bin");
    EXPECT_TRUE(runsInstalled(prefix + "/usr/bin")) << "the install layout";
    EXPECT_FALSE(runsInstalled(prefix + "/build/bin")) << "a build folder";
    EXPECT_EQ(installedDataFolder(prefix + "/usr/bin"), prefix + "/usr/share/qmxsrv");

    const QByteArray oldHome = qgetenv("HOME"), oldData = qgetenv("XDG_DATA_HOME");
    qputenv("HOME", "/home/op");
    for (const auto &[data, folder] :
         {std::pair<const char *, const char *>{"", "/home/op/.local/share/qmxsrv"},
          {"/srv/data/", "/srv/data/qmxsrv"},
          {"relative", "/home/op/.local/share/qmxsrv"}}) {
        qputenv("XDG_DATA_HOME", data);
        EXPECT_EQ(userDataFolder(), folder) << data;
    }
    qputenv("HOME", oldHome);
    qputenv("XDG_DATA_HOME", oldData);
}

TEST(CommandLine, ArgumentsJoinedBySingleBlanks)
{
    struct Case {
        QStringList arguments;
        QString expected;
    } cases[] = {
        {{}, ""},
        {{"/opt/qmx/QMXSRV"}, ""},
        {{"/opt/qmx/QMXSRV", "line1.qmx"}, "line1.qmx"},
        {{"/opt/qmx/QMXSRV", "my", "setups/line 1.qmx"}, "my setups/line 1.qmx"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(commandLine(c.arguments), c.expected) << c.arguments.join('|').toStdString();
}

TEST(Offscreen, ChosenOnlyWithoutDisplayOrChoice)
{
    struct Case {
        QStringList variables; // NAME=value
        QStringList arguments;
        bool expected;
    } cases[] = {
        {{}, {"QMXSRV"}, true},
        {{"DISPLAY=:0"}, {"QMXSRV"}, false},
        {{"DISPLAY=", "WAYLAND_DISPLAY="}, {"QMXSRV"}, true},
        {{"QT_QPA_PLATFORM=vnc"}, {"QMXSRV"}, false},
        {{}, {"QMXSRV", "--platform", "vnc"}, false},
    };
    for (const Case &c : cases) {
        QProcessEnvironment environment;
        for (const QString &variable : c.variables)
            environment.insert(variable.section('=', 0, 0), variable.section('=', 1));
        EXPECT_EQ(offscreenNeeded(environment, c.arguments), c.expected)
            << (c.variables + c.arguments).join(' ').toStdString();
    }
}

TEST(StationToken, MadeOnceSecretAndComparedWhole)
{
    QTemporaryDir folder;
    QString error;
    const QByteArray token = stationToken(folder.path(), error);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_EQ(token.size(), 64);
    EXPECT_EQ(QByteArray::fromHex(token).toHex(), token) << "hexadecimal";
    const QString file = folder.filePath(TokenFileName);
    namespace fs = std::filesystem;
    EXPECT_EQ(fs::status(file.toStdString()).permissions(),
              fs::perms::owner_read | fs::perms::owner_write)
        << "no one else may read it";
    EXPECT_EQ(stationToken(folder.path(), error), token) << "the same at the next start";
    QTemporaryDir other;
    EXPECT_NE(stationToken(other.path(), error), token);

    QFile broken(file);
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write("not a token\n");
    broken.close();
    EXPECT_TRUE(stationToken(folder.path(), error).isEmpty());
    EXPECT_TRUE(error.contains("does not hold a token")) << error.toStdString();

    for (const auto &[given, same] : {std::pair<QByteArray, bool>{token, true},
                                      {token.left(63), false},
                                      {token + "0", false},
                                      {QByteArray(64, '0'), false},
                                      {{}, false}})
        EXPECT_EQ(sameToken(given, token), same) << given.toStdString();
    EXPECT_FALSE(sameToken({}, {})) << "an empty token matches nothing";
}

// A token file that is there but cannot be read says why at once: no
// endless retry (a stack overflow at start), no wait on a FIFO.
TEST(StationToken, AnUnreadableTokenFileSaysWhyAndNeverHangs)
{
    namespace fs = std::filesystem;
    const struct {
        const char *what;
        std::function<void(const fs::path &)> make;
        const char *why;
    } cases[] = {
        {"a folder", [](const fs::path &p) { fs::create_directory(p); }, "is not a file"},
        {"a dangling link",
         [](const fs::path &p) { fs::create_symlink(p.parent_path() / "gone", p); },
         "leads nowhere"},
        {"a FIFO", [](const fs::path &p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); },
         "is not a file"},
        {"a link round in a circle", [](const fs::path &p) { fs::create_symlink(p, p); },
         "Too many levels of symbolic links"},
        {"unreadable",
         [](const fs::path &p) {
             std::ofstream(p) << std::string(64, 'a') << "\n";
             fs::permissions(p, fs::perms::none);
         },
         ::geteuid() == 0 ? "" : "Permission denied"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir folder;
        c.make(fs::path(folder.filePath(TokenFileName).toStdString()));
        QString error;
        const QByteArray token = stationToken(folder.path(), error);
        if (::geteuid() == 0 && std::string(c.why).empty())
            continue; // root reads what it likes
        EXPECT_TRUE(token.isEmpty());
        EXPECT_TRUE(error.contains(c.why)) << error.toStdString();
    }
}

TEST(StationToken, TheBearerSchemeInAnyCase)
{
    const QByteArray token(64, 'a');
    const struct {
        QByteArray header;
        bool shown;
    } cases[] = {{"Bearer " + token, true},
                 {"bearer " + token, true},
                 {"BeArEr  " + token, true},
                 {"Bearer\t" + token + " ", true},
                 {"Basic " + token, false},
                 {"Bearer" + token, false},
                 {"Bearer " + token + "a", false},
                 {token, false},
                 {"Bearer", false},
                 {{}, false}};
    for (const auto &c : cases)
        EXPECT_EQ(bearerTokenMatches(c.header, token), c.shown) << c.header.toStdString();
    EXPECT_FALSE(bearerTokenMatches("Bearer ", {})) << "no token, no commands";
}
