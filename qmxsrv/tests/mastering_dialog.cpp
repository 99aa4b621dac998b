// The mastering dialog against the simulated board, standalone: the test
// runs the scan cycle's ticks itself, between the operator's clicks.
#include "dialogs_support.h"

#include "dialogs/formmastering.h"
#include "mainwindow/scancycle.h"

using namespace qmxtest;
using qmxsrv::FormMastering;
using ::testing::Each;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

class MasteringDialog : public Standalone {
protected:
    MasteringDialog()
    {
        useCounts(4, 4, 0);
        for (int i : {1, 2, 4})
            ch(i).setFormula("T" + std::to_string(i));
        takeCalls();
        QObject::connect(&scan, &qmxsrv::ScanCycle::masteringValue, &dialog,
                         &FormMastering::showChannelValue);
    }

    qmxsrv::channel &ch(int i) { return state.Channels.Item(i); }
    void twoMasters(int i, float m1, float m2)
    {
        ch(i).UseTwoMasters = true;
        ch(i).Master1 = m1;
        ch(i).Master2 = m2;
    }
    void open(bool zeroMode)
    {
        state.view.MasteringZeroMode = zeroMode;
        dialog.show();
    }
    // The master piece under probe n, a tick, and the step button.
    void measure(int probe, double position)
    {
        board.setProbe(probe, position);
        scan.tick();
        click(&dialog, "CommandMaster");
    }
    void spin(bool up) { qmxtest::spin(&dialog, "SpinButtonChannel", up); }
    void expectShown(const Texts &texts) { qmxtest::expectShown(&dialog, texts); }
    bool red() const
    {
        const QColor colour =
            control<QLabel>(&dialog, "LblInstruction")->palette().color(QPalette::WindowText);
        return colour == Qt::red;
    }

    FormMastering dialog{state};
    qmxsrv::ScanCycle scan{state};
};

TEST_F(MasteringDialog, OpensAtChannelOneInItsFormat)
{
    ch(1).Decimals = 3;
    ch(1).Master1 = 1;
    open(true);
    EXPECT_EQ(dialog.windowTitle().toStdString(), "Zero Channels");
    expectShown({{"TextMasterChannel", "1"},
                 {"TextDescription", "Channel 1"},
                 {"TextMaster1Value", " 1.000"},
                 {"TextMaster2Value", "Not Used"},
                 {"TxtSlope", " 1.000"},
                 {"TxtIntercept", " 0.000"},
                 {"LblInstruction", "Insert Master 1:  1.000"},
                 {"CommandMaster", "Start Zero"}});
    EXPECT_EQ(red(), false);
    EXPECT_EQ(state.live.MasteringChannel, 1);

    ch(2).Decimals = 0;
    ch(2).Master1 = 2;
    spin(true);
    expectShown({{"TextMaster1Value", " 2."},
                 {"LblInstruction", "Insert Master 1:  2."},
                 {"TxtSlope", " 1."}});
}

TEST_F(MasteringDialog, RefusedCalibrationChangesNothingAndTakesMasterTwoAgain)
{
    twoMasters(2, 1, 3);
    open(false);
    spin(true);
    measure(2, 1.0);
    takeCalls();
    measure(2, 1.00004);
    expectShown({{"LblInstruction", "Mastering unsuccessful."},
                 {"CommandMaster", "Do Again"},
                 {"TxtM1", " 1.00000"},
                 {"TxtM2", " 1.00004"}});
    EXPECT_TRUE(red());

    ch(2).Master2 = 1; // would leave a scaling of 0 behind
    measure(2, 2.0);
    expectShown({{"LblInstruction", "Mastering unsuccessful: Master 1 and Master 2 are equal."},
                 {"TxtSlope", " 1.00000"}});
    EXPECT_EQ(dialog.step(), FormMastering::WaitMaster2);
    EXPECT_THAT(takeCalls(), Each(Not(StartsWith("QmxSetC"))));

    ch(2).Master2 = 3; // reading 1 is kept: one click completes
    measure(2, 2.0);
    expectShown({{"LblInstruction", "Mastering completed."}});
    EXPECT_FLOAT_EQ(boardReading(board, 2, 1.0), 1.0f);
    EXPECT_FLOAT_EQ(boardReading(board, 2, 2.0), 3.0f);
}

TEST_F(MasteringDialog, NoReadingIsTakenBeforeTheTickHasShownTheChannel)
{
    open(false);
    click(&dialog, "CommandMaster"); // nothing read since the opening
    expectShown({{"LblInstruction", "No live value yet: try again."}});
    EXPECT_TRUE(red());
    scan.tick(); // channel 1's value ...
    spin(true);  // ... is not channel 2's
    click(&dialog, "CommandMaster");
    EXPECT_EQ(dialog.step(), FormMastering::WaitMaster1);
    EXPECT_THAT(takeCalls(), Each(Not(StartsWith("QmxSetC"))));
    measure(2, 0.5);
    expectShown({{"LblInstruction", "Master completed."}});
}

// Our own refusals last only until the next instruction; the colour of
// "Mastering unsuccessful." lasts until the channel is prepared again.
TEST_F(MasteringDialog, ARefusalIsRedOnlyUntilTheNextInstruction)
{
    struct Case {
        bool zeroMode;
        const char *next;
    };
    for (const Case &c :
         {Case{false, "Insert Master 2:  3.00000"}, Case{true, "Zero completed."}}) {
        SCOPED_TRACE(c.next);
        twoMasters(1, 1, 3);
        open(c.zeroMode);
        click(&dialog, "CommandMaster");
        expectShown({{"LblInstruction", "No live value yet: try again."}});
        EXPECT_TRUE(red());
        measure(1, 1.0);
        expectShown({{"LblInstruction", c.next}});
        EXPECT_FALSE(red());
        dialog.hide();
    }
}

TEST_F(MasteringDialog, ReadingsTooCloseAskNothingOfTheBoard)
{
    twoMasters(2, 1, 3);
    open(false);
    spin(true);
    measure(2, 1.0);
    board.setProbe(2, 1.00004);
    scan.tick();
    takeCalls();
    click(&dialog, "CommandMaster");
    expectShown({{"LblInstruction", "Mastering unsuccessful."}});
    EXPECT_THAT(takeCalls(), ::testing::IsEmpty());
    measure(2, 2.0);
    expectShown({{"LblInstruction", "Mastering completed."}});
    EXPECT_TRUE(red()); // as "Mastering unsuccessful." left it
}

TEST_F(MasteringDialog, WalksAndWrapsThroughTheChannels)
{
    open(false);
    spin(false);
    expectShown({{"TextMasterChannel", "4"}});
    spin(true);
    spin(true);
    spin(true); // channel 3 has no formula
    expectShown({{"TextMasterChannel", "3"},
                 {"LblInstruction", "This Channel has no formula"},
                 {"CommandMaster", "Cannot Master"}});
    EXPECT_TRUE(red());
    EXPECT_FALSE(dialog.findChild<QWidget *>("CommandMaster")->isEnabled());
    EXPECT_EQ(state.live.MasteringChannel, 0);
    spin(true);
    measure(4, 0.25);
    click(&dialog, "CommandMaster"); // "Next Channel" on the last channel
    expectShown({{"TextMasterChannel", "1"}, {"CommandMaster", "Start Master"}});
    EXPECT_EQ(state.live.MasteringChannel, 1);
    EXPECT_FALSE(red());
    takeCalls();
    click(&dialog, "CommandResetMM");
    EXPECT_EQ(takeCalls().at(0).rfind("QmxResetMM(", 0), 0u);
}

TEST_F(MasteringDialog, ReopeningResumesAtTheChannelInStepOne)
{
    twoMasters(2, 0, 1);
    open(false);
    spin(true);
    measure(2, 0.5);
    ASSERT_EQ(dialog.step(), FormMastering::WaitMaster2);
    click(&dialog, "CommandDone");
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(state.live.MasteringChannel, 0);

    open(true);
    expectShown({{"TextMasterChannel", "2"}, {"CommandMaster", "Start Zero"}, {"TxtM1", ""}});
    EXPECT_EQ(dialog.step(), FormMastering::WaitMaster1);
    EXPECT_EQ(state.live.MasteringChannel, 2);
    dialog.close(); // the close box
    EXPECT_EQ(state.live.MasteringChannel, 0);

    // A remembered channel that no longer exists: channel 1.
    open(true);
    spin(true);
    spin(true);
    dialog.close();
    qmxsrv::CreateChannels(state, 2);
    open(true);
    expectShown({{"TextMasterChannel", "1"}});
}

} // namespace
