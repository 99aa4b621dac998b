// The program folder, the command line and the offscreen decision.
#include "platform/offscreen.h"
#include "platform/process.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <filesystem>

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
