// The start routine against the simulated board: what reaches the board and
// in which order, the messages, the second instance, and the main window as
// its load leaves it. (A setup named on the command line: dialogs_wired.cpp.)
#include "mainwindow_support.h"

#include "platform/instancelock.h"
#include "qmxcom32_host.h"
#include "service/livevalueservice.h"

using namespace qmxsrv;
using namespace qmxtest;
using ::testing::_;
using ::testing::FieldsAre;

namespace {

class Startup : public Running {
protected:
    // Every look at the library's clock is a second later: its waits for a
    // board that does not answer yet cost no time.
    Startup()
    {
        QmxHostSetClock([](void *now) { return (*static_cast<long *>(now))++; }, &now);
    }
    ~Startup() override { QmxHostSetClock(nullptr, nullptr); }
    long now = 0;
};

TEST_F(Startup, ColdBoardWithoutSettingsFile)
{
    std::filesystem::copy_file(QMX_FIRMWARE_IMAGE, dir.file("Rdx44k.bin"));
    board.reset(qmxboard::Start::Cold);

    ASSERT_EQ(launch("", ""), Program::Started::Running);

    EXPECT_THAT(messages(), ElementsAre("qmxsrv.ini file not found. Default values used."));
    EXPECT_EQ(board.state().loaderResult, "started") << "the firmware was downloaded";
    EXPECT_EQ(board.state().baseAddress, 0x310u);
    // The firmware it started answers from the scan start on; then the
    // defaults of every object, and nothing else: no tick has run yet.
    std::vector<std::string> expected = {"QmxStartScan()", "QmxSetScanTime(500)", "QmxSetAdcAvg(4)",
                                         "QmxSetRunAvg(1)"};
    const std::pair<int, std::vector<std::string>> defaults[] = {
        {24, {"QmxClearChannel(#)", "QmxSetCzero(#, 0)", "QmxSetCscale(#, 1)"}},
        {24, {"QmxSetTzero(#, 0)", "QmxSetTfsv(#, 0.005)"}},
        {4, {"QmxSetAzero(#, 0)", "QmxSetAfsv(#, 1)"}}};
    for (const auto &[count, calls] : defaults)
        for (int i = 1; i <= count; ++i)
            for (std::string call : calls)
                expected.push_back(call.replace(call.find('#'), 1, std::to_string(i)));
    EXPECT_EQ(board.calls(), expected);
    EXPECT_FALSE(std::filesystem::exists(dir.file("qmxsrv.ini"))) << "written at exit only";
}

TEST_F(Startup, TheWindowAsItsLoadLeavesIt)
{
    start("MaxChannel=3\r\nMaxLVDT=2\r\nMaxAnalog=1\r\n");
    EXPECT_THAT(messages(), IsEmpty());

    const ViewState &view = state().view;
    EXPECT_EQ(view.DisplayMode, ViewState::ShowLVDTs);
    EXPECT_EQ(view.ScanHold, 0);
    EXPECT_TRUE(view.UpdateEnabled);
    EXPECT_EQ(view.SetupFileName, "");
    EXPECT_TRUE(item("UpdateToggle")->isChecked());
    EXPECT_FALSE(item("EnableGrid")->isChecked());
    EXPECT_FALSE(item("EnableBarGraphs")->isChecked());

    const QTimer *timer = control<QTimer>(&form(), "Timer1");
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 400);
    EXPECT_EQ(form().windowTitle(), "QMX-X1");
    EXPECT_TRUE(form().isVisible());
    const QWidgetList windows = QApplication::topLevelWidgets();
    const auto shown = [](const QWidget *w) { return w->isVisible(); };
    EXPECT_EQ(std::count_if(windows.begin(), windows.end(), shown), 1) << "no display window";

    EXPECT_EQ(form().labelChan().count(), 3);
    EXPECT_EQ(form().labelChan().caption(0), "DDE");
    EXPECT_EQ(form().liveValues().itemCount(), 3);
    EXPECT_NE(form().liveValues().port(), 0);
}

TEST_F(Startup, SecondInstanceTouchesNothing)
{
    const std::string settings = "MaxChannel=3\r\n";
    writeFile(dir.file("qmxsrv.ini"), settings);
    InstanceLock first(QString::fromStdString(dir.path()));
    ASSERT_EQ(first.acquire(), InstanceLock::Result::Acquired);
    const auto written = std::filesystem::last_write_time(dir.file("qmxsrv.ini"));
    board.clearTraffic();

    EXPECT_EQ(launch("", ""), Program::Started::AlreadyRunning);

    EXPECT_THAT(boxes.shown, ElementsAre(FieldsAre("This application is already running", "QMXSRV",
                                                   Buttons::Ok, _)));
    EXPECT_EQ(board.portCounts().total(), 0u);
    EXPECT_EQ(readFile(dir.file("qmxsrv.ini")), settings);
    EXPECT_EQ(std::filesystem::last_write_time(dir.file("qmxsrv.ini")), written);
}

} // namespace
