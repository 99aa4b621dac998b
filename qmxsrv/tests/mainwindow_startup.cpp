// The start routine against the simulated board: what reaches the board and
// in which order, the messages, the second instance, and the main window as
// its load leaves it.
#include "mainwindow_support.h"
#include "mainwindow/formmain.h"
#include "mainwindow/livevalueservice.h"
#include "mainwindow/program.h"
#include "platform/instancelock.h"
#include "platform/scriptedfiledialogs.h"

#include "core/messageboxes.h"
#include "core/programstate.h"
#include "core/setupfile.h"
#include "qmxcom32_host.h"

#include <qmxboard.h>

#include <QAction>
#include <QApplication>
#include <QTimer>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

using namespace qmxsrv;
using ::testing::ElementsAre;

namespace {

// Every look at the library's clock is a second later: its waits for a
// board that does not answer yet cost no time.
long tickingClock(void *context)
{
    return (*static_cast<long *>(context))++;
}

class Startup : public ::testing::Test {
protected:
    Startup()
    {
        QmxHostSetClock(tickingClock, &now);
    }
    ~Startup() override { QmxHostSetClock(nullptr, nullptr); }

    std::vector<std::string> texts() const
    {
        std::vector<std::string> t;
        for (const auto &s : boxes.shown)
            t.push_back(s.text);
        return t;
    }
    QAction *item(const char *name)
    {
        return program.window().findChild<QAction *>(QString::fromLatin1(name));
    }

    long now = 0;
    qmxboard::Control board;
    ScriptedMessageBoxes boxes;
    ScriptedFileDialogs dialogs;
    qmxtest::TempDir dir;
    StartOptions options = qmxtest::startIn(dir);
    Program program{boxes, dialogs};
};

// The defaults that CreateDefaultObjects sends, in its order.
std::vector<std::string> defaultObjectCalls(int channels, int lvdts, int analogs)
{
    std::vector<std::string> calls;
    for (int i = 1; i <= channels; ++i) {
        const std::string n = std::to_string(i);
        calls.insert(calls.end(), {"QmxClearChannel(" + n + ")", "QmxSetCzero(" + n + ", 0)",
                                   "QmxSetCscale(" + n + ", 1)"});
    }
    for (int i = 1; i <= lvdts; ++i) {
        const std::string n = std::to_string(i);
        calls.insert(calls.end(), {"QmxSetTzero(" + n + ", 0)", "QmxSetTfsv(" + n + ", 0.005)"});
    }
    for (int i = 1; i <= analogs; ++i) {
        const std::string n = std::to_string(i);
        calls.insert(calls.end(), {"QmxSetAzero(" + n + ", 0)", "QmxSetAfsv(" + n + ", 1)"});
    }
    return calls;
}

TEST_F(Startup, ColdBoardWithoutSettingsFile)
{
    std::filesystem::copy_file(QMX_FIRMWARE_IMAGE, dir.file("Rdx44k.bin"));
    board.reset(qmxboard::Start::Cold);

    ASSERT_EQ(program.Main(options), Program::Started::Running);

    EXPECT_THAT(texts(), ElementsAre("qmxsrv.ini file not found. Default values used."));
    const qmxboard::BoardState s = board.state();
    EXPECT_EQ(s.loaderResult, "started") << "the firmware was downloaded";
    EXPECT_EQ(s.baseAddress, 0x310u);
    // The firmware it started answers from the scan start on.
    std::vector<std::string> expected = {"QmxStartScan()", "QmxSetScanTime(500)",
                                         "QmxSetAdcAvg(4)", "QmxSetRunAvg(1)"};
    const std::vector<std::string> objects = defaultObjectCalls(24, 24, 4);
    expected.insert(expected.end(), objects.begin(), objects.end());
    EXPECT_EQ(board.calls(), expected) << "and nothing else: no tick has run yet";
    EXPECT_FALSE(std::filesystem::exists(dir.file("qmxsrv.ini"))) << "written at exit only";
}

TEST_F(Startup, TheWindowAsItsLoadLeavesIt)
{
    qmxtest::writeFile(dir.file("qmxsrv.ini"), "MaxChannel=3\r\nMaxLVDT=2\r\nMaxAnalog=1\r\n");
    ASSERT_EQ(program.Main(options), Program::Started::Running);
    EXPECT_THAT(texts(), ::testing::IsEmpty());

    const ViewState &view = program.state().view;
    EXPECT_EQ(view.DisplayMode, ViewState::ShowLVDTs);
    EXPECT_EQ(view.ScanHold, 0);
    EXPECT_TRUE(view.UpdateEnabled);
    EXPECT_EQ(view.SetupFileName, "");
    EXPECT_TRUE(item("UpdateToggle")->isChecked());
    EXPECT_FALSE(item("EnableGrid")->isChecked());
    EXPECT_FALSE(item("EnableBarGraphs")->isChecked());

    FormMain &form = program.window();
    const QTimer *timer = form.findChild<QTimer *>(QStringLiteral("Timer1"));
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 400);
    EXPECT_EQ(form.windowTitle(), "QMX-X1");
    EXPECT_TRUE(form.isVisible());
    int shown = 0;
    for (const QWidget *w : QApplication::topLevelWidgets())
        shown += w->isVisible() ? 1 : 0;
    EXPECT_EQ(shown, 1) << "no display window";

    EXPECT_EQ(form.labelChan().count(), 3);
    EXPECT_EQ(form.labelChan().caption(0), "DDE");
    EXPECT_EQ(form.liveValues().itemCount(), 3);
    EXPECT_NE(form.liveValues().port(), 0);
}

TEST_F(Startup, SecondInstanceTouchesNothing)
{
    const std::string settings = "MaxChannel=3\r\n";
    qmxtest::writeFile(dir.file("qmxsrv.ini"), settings);
    InstanceLock first(options.programFolder);
    ASSERT_EQ(first.acquire(), InstanceLock::Result::Acquired);
    const auto written = std::filesystem::last_write_time(dir.file("qmxsrv.ini"));
    board.clearTraffic();

    EXPECT_EQ(program.Main(options), Program::Started::AlreadyRunning);

    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "This application is already running");
    EXPECT_EQ(boxes.shown[0].title, "QMXSRV");
    EXPECT_EQ(boxes.shown[0].buttons, Buttons::Ok);
    EXPECT_EQ(board.portCounts().total(), 0u);
    EXPECT_EQ(qmxtest::readFile(dir.file("qmxsrv.ini")), settings);
    EXPECT_EQ(std::filesystem::last_write_time(dir.file("qmxsrv.ini")), written);
}

TEST_F(Startup, TheDemoSetupNamedOnTheCommandLine)
{
    qmxtest::writeFile(dir.file("qmxsrv.ini"), "MaxChannel=2\r\n");
    options.commandLine = QMX_DEMO_SETUP;
    ASSERT_EQ(program.Main(options), Program::Started::Running);

    EXPECT_THAT(texts(), ::testing::IsEmpty()) << "the shipped setup loads cleanly";
    ProgramState &state = program.state();
    EXPECT_EQ(state.view.SetupFileName, QMX_DEMO_SETUP);
    EXPECT_EQ(program.window().windowTitle().toStdString(),
              std::string("QMX-X1 [") + QMX_DEMO_SETUP + "]");
    EXPECT_FALSE(state.view.SetupModified);
    EXPECT_TRUE(state.view.UpdateEnabled);
    EXPECT_EQ(state.settings.MaxChannel, 6);
    EXPECT_EQ(program.window().liveValues().itemCount(), 6) << "items for the loaded count";
    EXPECT_TRUE(board.receivedInOrder({"QmxDefineChannel(1, \"T1+T2\")", "QmxSetCzero(1, 0)"}));
    EXPECT_EQ(state.Groups.Count(), 2);

    // It is what the writer writes: saved again, not a byte differs.
    state.view.SetupFileName = dir.file("again.qmx");
    ASSERT_TRUE(SaveSetupFile(state));
    EXPECT_EQ(qmxtest::readFile(dir.file("again.qmx")), qmxtest::readFile(QMX_DEMO_SETUP));
}

} // namespace
