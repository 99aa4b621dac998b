// The channel, LVDT and analog setup dialogs against the simulated board,
// opened as the main window opens them.
#include "dialogs_support.h"

#include "dialogs/formsetupanalog.h"
#include "dialogs/formsetupchan.h"
#include "dialogs/formsetuplvdt.h"
#include "dialogs/setupmemory.h"

#include <QCheckBox>

using namespace qmxsrv;
using namespace qmxtest;
using ::testing::_;
using ::testing::FieldsAre;

namespace {

class ItemSetup : public Standalone {
protected:
    ItemSetup() { useCounts(8, 4, 4); }
    // Made, sent to item n (none for 0), shown; the board traffic of
    // showing it passed over.
    template <typename Dialog, typename Memory> std::unique_ptr<Dialog>
    openOn(Memory &part, void (Dialog::*setCurrent)(std::int16_t), std::int16_t n)
    {
        auto dialog = std::make_unique<Dialog>(state, part);
        if (n)
            (dialog.get()->*setCurrent)(n);
        dialog->show();
        takeCalls();
        return dialog;
    }
    std::unique_ptr<FormSetupChan> open(std::int16_t n = 0)
    {
        return openOn(memory.channel, &FormSetupChan::SetCurrentChannel, n);
    }
    std::unique_ptr<FormSetupLvdt> openLvdt(std::int16_t n = 0)
    {
        return openOn(memory.lvdt, &FormSetupLvdt::SetCurrentLvdt, n);
    }
    std::unique_ptr<FormSetupAnalog> openAnalog(std::int16_t n = 0)
    {
        return openOn(memory.analog, &FormSetupAnalog::SetCurrentAnalog, n);
    }

    SetupDialogsMemory memory;
};

TEST_F(ItemSetup, ChannelStepsWrapAndShowingIsNoEdit)
{
    state.Channels.Item(1).UseTwoMasters = true;
    for (auto [from, button, shown] :
         {std::tuple{8, "CommandNext", "1"}, {1, "CommandPrev", "8"}, {4, "CommandNext", "5"}}) {
        auto dialog = open(static_cast<std::int16_t>(from));
        click(dialog.get(), button);
        spin(dialog.get(), "SpinButtonChannel", true);
        spin(dialog.get(), "SpinButtonChannel", false);
        EXPECT_EQ(text(dialog.get(), "TextCurrentChannel"), shown);
        EXPECT_EQ(text(dialog.get(), "TextDescription"), std::string("Channel ") + shown);
        const bool twoMasters = shown[0] == '1';
        EXPECT_EQ(control(dialog.get(), "TextMaster2Value")->isEnabled(), twoMasters);
        EXPECT_EQ(control<QCheckBox>(dialog.get(), "CheckUse2Masters")->isChecked(), twoMasters);
    }
    EXPECT_THAT(messages(), IsEmpty());
}

TEST_F(ItemSetup, ChannelDecimalsSpinStopsAtZeroAndFiveValuesFollowTheDecimals)
{
    channel &c = state.Channels.Item(2);
    c.Decimals = 3;
    c.HiTol = 1.5f;
    c.LoTol = -1.5f;
    auto dialog = open(2);
    EXPECT_EQ(text(dialog.get(), "TextHiTolValue"), " 1.500");
    EXPECT_EQ(text(dialog.get(), "TextLoTolValue"), "-1.500");
    EXPECT_EQ(text(dialog.get(), "TextScalingValue"), " 1.000");
    for (int i = 0; i < 3; ++i)
        spin(dialog.get(), "SpinButtonDecimals", true);
    EXPECT_EQ(text(dialog.get(), "TextDecimals"), "5");
    for (int i = 0; i < 6; ++i)
        spin(dialog.get(), "SpinButtonDecimals", false);
    EXPECT_EQ(text(dialog.get(), "TextDecimals"), "0");
    // Typed decimals are no edit, but they are programmed as typed.
    type(dialog.get(), "TextDecimals", "4");
    boxes.answerNext(Answer::Yes);
    click(dialog.get(), "CommandNext");
    EXPECT_EQ(c.Decimals, 4);
}

TEST_F(ItemSetup, ChannelSaveQuestionOnNextCancelNoYes)
{
    state.Channels.Item(3).Description = "Bore top";
    for (auto [answer, shownAfter, hiTol] : {std::tuple{Answer::Cancel, "3", 0.01f},
                                             {Answer::No, "4", 0.01f},
                                             {Answer::Yes, "4", 0.02f}}) {
        auto dialog = open(3);
        type(dialog.get(), "TextHiTolValue", "0.02");
        boxes.answerNext(answer);
        click(dialog.get(), "CommandNext");
        EXPECT_THAT(boxes.shown, ElementsAre(FieldsAre("Channel 3 has been modified\rSave changes",
                                                       "Bore top", Buttons::YesNoCancel, _)));
        EXPECT_EQ(text(dialog.get(), "TextCurrentChannel"), shownAfter);
        EXPECT_EQ(text(dialog.get(), "TextHiTolValue"),
                  answer == Answer::Cancel ? "0.02" : " 0.01000");
        EXPECT_EQ(state.Channels.Item(3).HiTol, hiTol);
        boxes.shown.clear();
    }
}

TEST_F(ItemSetup, ChannelProgramSendsFormulaScalingZeroInOrder)
{
    auto dialog = open(3);
    type(dialog.get(), "TextFormula", "T1-T2");
    click(dialog.get(), "CheckUse2Masters");
    for (auto [name, value] : {std::pair{"TextMaster2Value", "1.75"},
                               {"TextBarBotValue", "-0.1"},
                               {"TextScalingValue", "2"},
                               {"TextZeroValue", "0.5"}})
        type(dialog.get(), name, value);
    click(dialog.get(), "CommandProgram");
    EXPECT_THAT(takeCalls(), ElementsAre("QmxDefineChannel(3, \"T1-T2\")", "QmxSetCscale(3, 2)",
                                         "QmxSetCzero(3, 0.5)"));
    const channel &c = state.Channels.Item(3);
    EXPECT_TRUE(c.UseTwoMasters && c.InUse && state.view.SetupModified);
    EXPECT_EQ(c.Master2, 1.75f);
    EXPECT_EQ(c.BarDisplayBot, -0.1f);
}

TEST_F(ItemSetup, ChannelAutoIncrementLeavesTheLiveValueOnTheProgrammedChannel)
{
    auto dialog = open(4);
    click(dialog.get(), "CheckShowCurrentValue");
    click(dialog.get(), "CheckAutoIncChannel");
    click(dialog.get(), "CommandProgram");
    EXPECT_EQ(text(dialog.get(), "TextCurrentChannel"), "5");
    EXPECT_EQ(state.live.LiveChannel, 4);
    click(dialog.get(), "CommandNext");
    EXPECT_EQ(state.live.LiveChannel, 6);
    click(dialog.get(), "CommandDone");
    EXPECT_EQ(state.live.LiveChannel, 0);

    // The channel and both switches are there at the next opening.
    dialog = open();
    EXPECT_EQ(text(dialog.get(), "TextCurrentChannel"), "6");
    EXPECT_TRUE(control<QCheckBox>(dialog.get(), "CheckAutoIncChannel")->isChecked());
    EXPECT_EQ(state.live.LiveChannel, 6);
}

TEST_F(ItemSetup, RefusedFieldsProgramNothingAndKeepTheEdits)
{
    for (auto [field, typed, message] :
         {std::tuple{"TextHiTolValue", "0.0x2", "Hi Tol: \"0.0x2\" is not a number."},
          {"TextZeroValue", "", "Zero: \"\" is not a number."},
          {"TextDecimals", "6", "Decimals: \"6\" is not a number from 0 to 5."}}) {
        auto dialog = open(5);
        type(dialog.get(), "TextFormula", "T5");
        type(dialog.get(), field, typed);
        click(dialog.get(), "CommandProgram");
        // Yes to the save question programs the same: it stays too.
        boxes.answerNext(Answer::Yes);
        click(dialog.get(), "CommandNext");
        const std::string refused = std::string(message) + "\rNothing has been programmed.";
        EXPECT_THAT(messages(), ElementsAre(refused, _, refused));
        EXPECT_THAT(takeCalls(), IsEmpty());
        EXPECT_FALSE(state.view.SetupModified);
        EXPECT_EQ(text(dialog.get(), "TextCurrentChannel"), "5");
        EXPECT_EQ(text(dialog.get(), field), typed);
        boxes.answerNext(Answer::Cancel);
        dialog->close();
        EXPECT_TRUE(dialog->isVisible());
        boxes.shown.clear();
    }

    // The LVDT and analog dialogs the same.
    auto lvdtDialog = openLvdt(2);
    type(lvdtDialog.get(), "TextDescription", "Height");
    type(lvdtDialog.get(), "TextZeroOffset", "1..5");
    click(lvdtDialog.get(), "CommandProgram");
    auto analogDialog = openAnalog(4);
    type(analogDialog.get(), "TextFullScale", "ten");
    click(analogDialog.get(), "CommandProgram");
    EXPECT_THAT(messages(),
                ElementsAre("Zero: \"1..5\" is not a number.\rNothing has been programmed.",
                            "Full Scale: \"ten\" is not a number.\rNothing has been programmed."));
    EXPECT_THAT(takeCalls(), IsEmpty());
    EXPECT_EQ(state.LVDTs.Item(2).Description, "Lvdt 2");
    EXPECT_FALSE(state.view.SetupModified);
}

TEST_F(ItemSetup, CurrentChannelComesIntoRangeAndNoChannelsLeaveOnlyDone)
{
    memory.channel.CurrentChannel = 20;
    EXPECT_EQ(text(open().get(), "TextCurrentChannel"), "8");
    CreateChannels(state, 0);
    auto dialog = open();
    EXPECT_FALSE(control<QAbstractButton>(dialog.get(), "CommandProgram")->isEnabled());
    click(dialog.get(), "CommandDone");
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(ItemSetup, LvdtSpinWrapsAnalogSpinStops)
{
    for (auto [lvdt, from, up, shown] : {std::tuple{true, 4, true, "1"},
                                         {true, 1, false, "4"},
                                         {false, 4, true, "4"},
                                         {false, 1, false, "1"},
                                         {false, 3, false, "2"}}) {
        const auto n = static_cast<std::int16_t>(from);
        std::unique_ptr<FormSetupInput> dialog;
        if (lvdt)
            dialog = openLvdt(n);
        else
            dialog = openAnalog(n);
        spin(dialog.get(), lvdt ? "SpinButtonLvdt" : "SpinButtonAnalog", up);
        EXPECT_EQ(text(dialog.get(), lvdt ? "TextCurrentLvdt" : "TextCurrentAnalog"), shown);
        EXPECT_EQ(text(dialog.get(), "TextDescription"),
                  (lvdt ? "Lvdt " : "Analog  ") + std::string(shown));
    }
    EXPECT_THAT(messages(), IsEmpty());
}

TEST_F(ItemSetup, AnalogChangeBlocksSteppingAndClosingUntilProgrammed)
{
    auto dialog = openAnalog(4);
    click(dialog.get(), "CheckAutoIncAnalog");
    type(dialog.get(), "TextDescription", "Pressure");
    spin(dialog.get(), "SpinButtonAnalog", false);
    click(dialog.get(), "CommandDone");
    EXPECT_THAT(messages(), ElementsAre("Analog has been changed", "Analog has been changed"));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(text(dialog.get(), "TextDescription"), "Pressure");

    // Programming shows the next input, wrapping round; now it may close.
    click(dialog.get(), "CommandProgram");
    EXPECT_EQ(state.Analogs.Item(4).Description, "Pressure");
    EXPECT_EQ(text(dialog.get(), "TextCurrentAnalog"), "1");
    click(dialog.get(), "CommandDone");
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(ItemSetup, LvdtZeroEditIsNoChangeOtherEditsAsk)
{
    state.LVDTs.Item(2).Description = "Left probe";
    auto dialog = openLvdt(1);
    type(dialog.get(), "TextZeroOffset", "0.25");
    spin(dialog.get(), "SpinButtonLvdt", true);
    EXPECT_THAT(messages(), IsEmpty());
    EXPECT_EQ(board.state().probes[0].zero, 0.0f);

    takeCalls();
    type(dialog.get(), "TextFullScale", "0.04");
    boxes.answerNext(Answer::Cancel);
    spin(dialog.get(), "SpinButtonLvdt", false);
    EXPECT_THAT(messages(), ElementsAre("Lvdt 2 has been modified\rSave changes"));
    EXPECT_EQ(boxes.shown[0].title, "Left probe");
    EXPECT_EQ(text(dialog.get(), "TextCurrentLvdt"), "2");
    boxes.answerNext(Answer::Yes);
    click(dialog.get(), "CommandDone");
    EXPECT_FALSE(dialog->isVisible());
    // The LVDT's board value is a quarter of its full scale.
    EXPECT_THAT(takeCalls(), ElementsAre("QmxSetTfsv(2, 0.01)", "QmxSetTzero(2, 0)"));
}

TEST_F(ItemSetup, FullScaleShownWithTheDefaultDecimalsOrFive)
{
    state.Analogs.Item(1).setFullScale(10);
    state.LVDTs.Item(1).setFullScale(0.5f);
    for (auto [decimals, shown] : {std::pair{3, " 0.500"}, {5, " 0.50000"}, {0, " 1."}}) {
        state.settings.SystemDecimals = static_cast<std::int16_t>(decimals);
        EXPECT_EQ(text(openLvdt(1).get(), "TextFullScale"), shown);
        EXPECT_EQ(text(openAnalog(1).get(), "TextFullScale"), " 10.00000");
    }
}

} // namespace
