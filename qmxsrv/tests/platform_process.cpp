// The program folder, the command line and the offscreen decision.
#include "platform/offscreen.h"
#include "platform/process.h"

#include <QCoreApplication>
#include <QDir>

#include <gtest/gtest.h>

#include <optional>

using namespace qmxsrv;

namespace {

// Sets an environment variable for one scope and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const std::optional<QByteArray> &value)
        : name_(name), old_(qEnvironmentVariableIsSet(name)
                                ? std::optional<QByteArray>(qgetenv(name))
                                : std::nullopt)
    {
        set(value);
    }
    ~ScopedEnv() { set(old_); }

private:
    void set(const std::optional<QByteArray> &value)
    {
        if (value)
            qputenv(name_, *value);
        else
            qunsetenv(name_);
    }
    const char *name_;
    std::optional<QByteArray> old_;
};

} // namespace

TEST(ProgramFolder, FromHomeOrExecutable)
{
    const QString cwd = QDir::currentPath();
    struct Case {
        QString home, executable, expected;
    } cases[] = {
        {"", "/opt/qmx/bin/QMXSRV", "/opt/qmx/bin"},
        {"", "/QMXSRV", ""}, // the root folder: "" + "/qmxsrv.ini" is still right
        {"/data/station1", "/opt/qmx/bin/QMXSRV", "/data/station1"},
        {"/data/station1/", "/opt/qmx/bin/QMXSRV", "/data/station1"},
        {"/data//station1/./", "/opt/qmx/bin/QMXSRV", "/data/station1"},
        {"/", "/opt/qmx/bin/QMXSRV", ""},
        {"station1", "/opt/qmx/bin/QMXSRV", cwd + "/station1"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(programFolder(c.home, c.executable), c.expected)
            << "home \"" << c.home.toStdString() << "\"";
}

TEST(ProgramFolder, OfThisProcess)
{
    {
        ScopedEnv home("QMXSRV_HOME", std::nullopt);
        EXPECT_EQ(programFolder(), QCoreApplication::applicationDirPath());
    }
    {
        ScopedEnv home("QMXSRV_HOME", QByteArray("/srv/gauge/"));
        EXPECT_EQ(programFolder(), "/srv/gauge");
    }
    {
        ScopedEnv home("QMXSRV_HOME", QByteArray(""));
        EXPECT_EQ(programFolder(), QCoreApplication::applicationDirPath());
    }
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
        {{"/opt/qmx/QMXSRV", "\"quoted.qmx\""}, "\"quoted.qmx\""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(commandLine(c.arguments), c.expected) << c.arguments.join('|').toStdString();
}

TEST(Offscreen, ChosenOnlyWithoutDisplayOrChoice)
{
    struct Case {
        const char *what;
        QStringList variables; // NAME=value
        QStringList arguments;
        bool expected;
    } cases[] = {
        {"nothing set", {}, {"QMXSRV"}, true},
        {"X display", {"DISPLAY=:0"}, {"QMXSRV"}, false},
        {"Wayland display", {"WAYLAND_DISPLAY=wayland-0"}, {"QMXSRV"}, false},
        {"empty display variables", {"DISPLAY=", "WAYLAND_DISPLAY="}, {"QMXSRV"}, true},
        {"platform chosen", {"QT_QPA_PLATFORM=vnc"}, {"QMXSRV"}, false},
        {"empty platform variable", {"QT_QPA_PLATFORM="}, {"QMXSRV"}, true},
        {"-platform argument", {}, {"QMXSRV", "-platform", "vnc"}, false},
        {"--platform argument", {}, {"QMXSRV", "--platform", "vnc"}, false},
        {"-platform without a name", {}, {"QMXSRV", "-platform"}, true},
        {"setup file only", {}, {"QMXSRV", "line1.qmx"}, true},
    };
    for (const Case &c : cases) {
        QProcessEnvironment environment;
        for (const QString &variable : c.variables)
            environment.insert(variable.section('=', 0, 0), variable.section('=', 1));
        EXPECT_EQ(offscreenNeeded(environment, c.arguments), c.expected) << c.what;
    }
}
