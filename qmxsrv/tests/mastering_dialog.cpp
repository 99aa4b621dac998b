// The mastering dialog against the simulated board, standalone: the test
// plays the scan tick's part (read the channel, store the value, show its
// text) where the main window's scan cycle would.
#include "core_board.h"
#include "mastering_support.h"

#include "dialogs/formmastering.h"
#include "core/numbertext.h"
#include "platform/spinbutton.h"

#include <QToolButton>

namespace {

using qmxsrv::FormMastering;
using qmxtest::callAt;
using qmxtest::click;

class MasteringDialog : public qmxtest::OnBoard {
protected:
    MasteringDialog()
    {
        useCounts(4, 4, 0);
        for (int i : {1, 2, 4})
            state.Channels.Item(i).setFormula("T" + std::to_string(i));
        takeCalls();
    }
    ~MasteringDialog() override { dialog.hide(); }

    qmxsrv::channel &ch(int i) { return state.Channels.Item(i); }
    void open(bool zeroMode)
    {
        state.view.MasteringZeroMode = zeroMode;
        dialog.show();
    }
    void tick()
    {
        const std::int16_t n = state.live.MasteringChannel;
        if (n == 0)
            return;
        const float v = device.read(&qmxsrv::Device::QmxReadChannel, n);
        state.live.MasteringValue = v;
        dialog.showChannelValue(qmxsrv::formatValue(v, ch(n).Decimals));
    }
    // The master piece under probe n, a tick, and the step button.
    void measure(int probe, double position)
    {
        board.setProbe(probe, position);
        tick();
        click(dialog, "CommandMaster");
    }
    void spin(bool up)
    {
        auto *s = dialog.findChild<qmxsrv::SpinButton *>("SpinButtonChannel");
        QTest::mouseClick(up ? s->upArrow() : s->downArrow(), Qt::LeftButton);
    }
    std::string shown(const char *name) const { return qmxtest::shown(dialog, name); }
    bool red() const { return qmxtest::textColour(dialog, "LblInstruction") == QColor(Qt::red); }
    float boardValue(int n)
    {
        float v = 0;
        board.channelValue(n, v);
        return v;
    }

    FormMastering dialog{state};
};

TEST_F(MasteringDialog, FirstOpeningShowsChannelOne)
{
    ch(1).Decimals = 3;
    ch(1).Master1 = 1;
    open(true);
    EXPECT_EQ(dialog.windowTitle().toStdString(), "Zero Channels");
    EXPECT_EQ(shown("TextMasterChannel"), "1");
    EXPECT_EQ(shown("TextDescription"), "Channel 1");
    EXPECT_EQ(shown("TextMaster1Value"), " 1.000");
    EXPECT_EQ(shown("TextMaster2Value"), "Not Used");
    EXPECT_EQ(shown("TxtSlope"), " 1.000");
    EXPECT_EQ(shown("TxtIntercept"), " 0.000");
    EXPECT_EQ(shown("LblInstruction"), "Insert Master 1:  1.000");
    EXPECT_EQ(qmxtest::textColour(dialog, "LblInstruction"),
              dialog.palette().color(QPalette::ButtonText));
    EXPECT_EQ(shown("CommandMaster"), "Start Zero");
    EXPECT_EQ(state.live.MasteringChannel, 1);
}

TEST_F(MasteringDialog, ZeroModeTakesOneReadingEvenForTwoMasters)
{
    ch(1).UseTwoMasters = true;
    ch(1).Master1 = 1;
    ch(1).Master2 = 2;
    ch(1).setZeroOffset(0.01f);
    open(true);
    takeCalls();
    measure(1, 1.01); // the channel reads 1.02
    EXPECT_EQ(shown("TxtM1"), " 1.02000");
    EXPECT_EQ(shown("TxtIntercept"), "-0.01000");
    EXPECT_EQ(shown("LblInstruction"), "Zero completed.");
    EXPECT_EQ(shown("CommandMaster"), "Next Channel");
    EXPECT_EQ(dialog.step(), FormMastering::ChannelDone);
    EXPECT_TRUE(state.view.SetupModified);
    const std::vector<std::string> calls = takeCalls();
    EXPECT_NE(callAt(calls, "QmxSetCzero(1, -0.0099"), -1);
    EXPECT_EQ(callAt(calls, "QmxSetCscale"), -1);
    tick();
    EXPECT_EQ(shown("TextChannelValue"), " 1.00000");
}

TEST_F(MasteringDialog, TwoMastersMakeTheChannelReadTheMasterSizes)
{
    ch(2).UseTwoMasters = true;
    ch(2).Master1 = 1;
    ch(2).Master2 = 2;
    ch(2).setZeroOffset(0.1f);
    ch(2).setScaling(1.5f);
    open(false);
    spin(true);
    measure(2, 0.7); // reads 1.15
    EXPECT_EQ(shown("LblInstruction"), "Insert Master 2:  2.00000");
    EXPECT_EQ(shown("CommandMaster"), "Read");
    takeCalls();
    measure(2, 1.45); // reads 2.275
    EXPECT_EQ(shown("LblInstruction"), "Mastering completed.");
    EXPECT_EQ(shown("CommandMaster"), "Next Channel");
    const std::vector<std::string> calls = takeCalls();
    ASSERT_NE(callAt(calls, "QmxSetCzero(2, "), -1);
    EXPECT_LT(callAt(calls, "QmxSetCzero(2, "), callAt(calls, "QmxSetCscale(2, "));
    board.setProbe(2, 0.7);
    EXPECT_FLOAT_EQ(boardValue(2), 1.0f);
    board.setProbe(2, 1.45);
    EXPECT_FLOAT_EQ(boardValue(2), 2.0f);
    EXPECT_EQ(shown("TxtSlope"), " 1.33333");
    EXPECT_EQ(shown("TxtIntercept"), " 0.06667");
}

TEST_F(MasteringDialog, RefusedCalibrationChangesNothingAndTakesMasterTwoAgain)
{
    ch(2).UseTwoMasters = true;
    ch(2).Master1 = 1;
    ch(2).Master2 = 3;
    open(false);
    spin(true);
    measure(2, 1.0);
    takeCalls();
    measure(2, 1.00004);
    EXPECT_EQ(shown("LblInstruction"), "Mastering unsuccessful.");
    EXPECT_TRUE(red());
    EXPECT_EQ(shown("CommandMaster"), "Do Again");
    EXPECT_EQ(shown("TxtM1"), " 1.00000");
    EXPECT_EQ(shown("TxtM2"), " 1.00004");
    EXPECT_EQ(callAt(takeCalls(), "QmxSet"), -1);

    // Master 1 equal to master 2 would leave a scaling of 0 behind.
    ch(2).Master2 = 1;
    measure(2, 2.0);
    EXPECT_EQ(shown("LblInstruction"), "Mastering unsuccessful: Master 1 and Master 2 are equal.");
    EXPECT_EQ(dialog.step(), FormMastering::WaitMaster2);
    EXPECT_EQ(callAt(takeCalls(), "QmxSet"), -1);
    EXPECT_EQ(shown("TxtSlope"), " 1.00000");

    // One more click takes master 2 only; reading 1 is kept.
    ch(2).Master2 = 3;
    measure(2, 2.0);
    EXPECT_EQ(shown("LblInstruction"), "Mastering completed.");
    board.setProbe(2, 1.0);
    EXPECT_FLOAT_EQ(boardValue(2), 1.0f);
    board.setProbe(2, 2.0);
    EXPECT_FLOAT_EQ(boardValue(2), 3.0f);
}

TEST_F(MasteringDialog, NoReadingIsTakenBeforeTheTickHasShownTheChannel)
{
    ch(1).Master1 = 1;
    ch(2).Master1 = 1;
    open(false);
    click(dialog, "CommandMaster"); // nothing read since the opening
    EXPECT_EQ(shown("LblInstruction"), "No live value yet: try again.");
    EXPECT_TRUE(red());
    tick();     // channel 1's value ...
    spin(true); // ... is not channel 2's
    click(dialog, "CommandMaster");
    EXPECT_EQ(dialog.step(), FormMastering::WaitMaster1);
    EXPECT_EQ(callAt(takeCalls(), "QmxSetCzero"), -1);
    measure(2, 0.5);
    EXPECT_EQ(shown("LblInstruction"), "Master completed.");
}

TEST_F(MasteringDialog, WalksAndWrapsThroughTheChannels)
{
    open(false);
    spin(false);
    EXPECT_EQ(shown("TextMasterChannel"), "4");
    spin(true);
    EXPECT_EQ(shown("TextMasterChannel"), "1");
    spin(true);
    spin(true); // channel 3 has no formula
    EXPECT_EQ(shown("LblInstruction"), "This Channel has no formula");
    EXPECT_TRUE(red());
    EXPECT_EQ(shown("CommandMaster"), "Cannot Master");
    EXPECT_FALSE(dialog.findChild<QWidget *>("CommandMaster")->isEnabled());
    EXPECT_EQ(state.live.MasteringChannel, 0);
    spin(true);
    measure(4, 0.25);
    click(dialog, "CommandMaster"); // "Next Channel" on the last channel
    EXPECT_EQ(shown("TextMasterChannel"), "1");
    EXPECT_EQ(dialog.step(), FormMastering::WaitMaster1);
    EXPECT_EQ(state.live.MasteringChannel, 1);
    EXPECT_FALSE(red());
    takeCalls();
    click(dialog, "CommandResetMM");
    EXPECT_NE(callAt(takeCalls(), "QmxResetMM"), -1);
}

TEST_F(MasteringDialog, ReopeningResumesAtTheChannelInStepOne)
{
    ch(2).UseTwoMasters = true;
    ch(2).Master2 = 1;
    open(false);
    spin(true);
    measure(2, 0.5);
    ASSERT_EQ(dialog.step(), FormMastering::WaitMaster2);
    click(dialog, "CommandDone");
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(state.live.MasteringChannel, 0);

    open(true);
    EXPECT_EQ(shown("TextMasterChannel"), "2");
    EXPECT_EQ(dialog.step(), FormMastering::WaitMaster1);
    EXPECT_EQ(shown("CommandMaster"), "Start Zero");
    EXPECT_EQ(shown("TxtM1"), "");
    EXPECT_EQ(state.live.MasteringChannel, 2);
    dialog.close(); // the close box
    EXPECT_EQ(state.live.MasteringChannel, 0);

    // A remembered channel that no longer exists starts over at channel 1.
    open(true);
    spin(true);
    spin(true);
    dialog.close();
    qmxsrv::CreateChannels(state, 2);
    open(true);
    EXPECT_EQ(shown("TextMasterChannel"), "1");
}

TEST_F(MasteringDialog, DecimalsZeroEndWithThePoint)
{
    ch(1).Decimals = 0;
    ch(1).Master1 = 2;
    open(true);
    EXPECT_EQ(shown("TextMaster1Value"), " 2.");
    EXPECT_EQ(shown("LblInstruction"), "Insert Master 1:  2.");
    EXPECT_EQ(shown("TxtSlope"), " 1.");
}

} // namespace
