// Zero and Master as the operator runs them: from the main window's buttons
// and menus, against master pieces put on the simulated board's probes, with
// the main window's own scan timer feeding the dialog's live value.
#include "mainwindow_support.h"

#include "dialogs/formmastering.h"

using namespace qmxsrv;
using namespace qmxtest;
using ::testing::StartsWith;

namespace {

class MasteringFromMainWindow : public Running {
protected:
    static constexpr char FourChannels[] = "MaxChannel=4\r\nMaxLVDT=4\r\nMaxAnalog=1\r\n";
    channel &ch(int n) { return state().Channels.Item(n); }
    static FormMastering::Step step(QDialog *d) { return qobject_cast<FormMastering *>(d)->step(); }
    // The master piece is in: a scan tick reads the channel (wait for the
    // timer's, or make one), then the step button.
    void takeReading(QDialog *d, bool waitForTimer = true)
    {
        const std::string read = "QmxReadChannel(" + text(d, "TextMasterChannel") + ")";
        board.clearTraffic();
        if (waitForTimer)
            EXPECT_TRUE(QTest::qWaitFor([&] { return board.receivedInOrder({read}); }, 5000));
        else
            QMetaObject::invokeMethod(control<QTimer>(&form(), "Timer1"), "timeout");
        click(d, "CommandMaster");
    }
};

TEST_F(MasteringFromMainWindow, ZeroAndMasterAChannelAgainstMasterPieces)
{
    start(FourChannels);
    ch(1).setFormula("T1");
    ch(1).Decimals = 4;
    ch(1).UseTwoMasters = true;
    ch(1).Master1 = 24.99f;
    ch(1).Master2 = 25.01f;

    whenOpen("FormMastering", [&](QDialog *d) {
        EXPECT_EQ(d->windowTitle().toStdString(), "Zero Channels");
        board.setProbe(1, 24.9937);
        takeReading(d);
        expectShown(d, {{"TxtM1", " 24.9937"},
                        {"TxtIntercept", "-0.0037"},
                        {"LblInstruction", "Zero completed."}});
        click(d, "CommandDone");
    });
    press("CommandZero");
    EXPECT_EQ(state().live.MasteringChannel, 0);
    EXPECT_FLOAT_EQ(boardReading(board, 1, 24.9937), 24.99f);
    EXPECT_FLOAT_EQ(board.state().channels[0].scale, 1.0f);

    whenOpen("FormMastering", [&](QDialog *d) {
        EXPECT_EQ(d->windowTitle().toStdString(), "Master Channels");
        EXPECT_EQ(text(d, "TextMasterChannel"), "1");
        board.setProbe(1, 24.9812);
        takeReading(d);
        EXPECT_EQ(text(d, "LblInstruction"), "Insert Master 2:  25.0100");
        board.setProbe(1, 25.0233);
        takeReading(d);
        EXPECT_EQ(text(d, "LblInstruction"), "Mastering completed.");
        click(d, "CommandDone");
    });
    press("CommandMaster");
    std::vector<std::string> w = board.calls(); // the calibrations written, in order
    w.erase(std::remove_if(w.begin(), w.end(),
                           [](const std::string &c) { return c.rfind("QmxSetC", 0) != 0; }),
            w.end());
    EXPECT_THAT(w, ElementsAre(StartsWith("QmxSetCzero(1, "), StartsWith("QmxSetCscale(1, ")));
    EXPECT_FLOAT_EQ(boardReading(board, 1, 24.9812), 24.99f);
    EXPECT_FLOAT_EQ(boardReading(board, 1, 25.0233), 25.01f);
    EXPECT_TRUE(state().view.SetupModified);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(MasteringFromMainWindow, ZeroAndMasterWalkThroughTheDemoSetup)
{
    start(FourChannels, QMX_DEMO_SETUP);
    const int channels = state().Channels.Count();
    ASSERT_GT(channels, 1);
    // Master 1 and, 0.02 larger, master 2 on the bore probes.
    const auto bore = [&](double d) {
        for (int t = 1; t <= 4; ++t)
            board.setProbe(t, d / 2);
    };
    for (const char *item : {"ZeroChannel", "MasterChannel"}) {
        whenOpen("FormMastering", [&](QDialog *d) {
            for (int n = 1; n <= channels; ++n) {
                SCOPED_TRACE(std::string(item) + " channel " + std::to_string(n));
                EXPECT_EQ(text(d, "TextMasterChannel"), std::to_string(n));
                if (!control(d, "CommandMaster")->isEnabled()) {
                    spin(d, "SpinButtonChannel", true);
                    continue;
                }
                bore(ch(n).Master1);
                takeReading(d, false);
                if (step(d) == FormMastering::WaitMaster2) {
                    bore(ch(n).Master2);
                    takeReading(d, false);
                }
                EXPECT_EQ(step(d), FormMastering::ChannelDone) << text(d, "LblInstruction");
                click(d, "CommandMaster");
            }
            click(d, "CommandDone");
        });
        choose(item);
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(MasteringFromMainWindow, AboutFromItsMenuOnABoardThatWasAlreadyRunning)
{
    start();
    whenOpen("FormAboutQMXSRV", [](QDialog *box) {
        EXPECT_EQ(box->windowTitle().toStdString(), "About");
        // Each line ends with character 13, shown as a line break.
        expectShown(box, {{"LabelFirmware", "QMX-X1 Firmware\nFile: Rdx44k.bin\nVersion: \n"},
                          {"LabelDLL", "Qmxcom32.dll\nVersion: 1.00\n"}});
        const std::string program = text(box, "LabelDescription");
        EXPECT_EQ(program.rfind("Qmxsrv program\nVersion 1.0\n", 0), 0u);
        EXPECT_EQ(std::count(program.begin(), program.end(), '\n'), 4);
        EXPECT_FALSE(control<QLabel>(box, "Picture1")->pixmap().isNull());
        click(box, "CommandOK");
    });
    choose("AboutQMXSRV");
}

} // namespace
