// The channel setup dialog against the simulated board.
#include "dialogs/formsetupchan.h"
#include "dialogs_support.h"

#include <QCheckBox>

using namespace qmxsrv;
using namespace qmxtest;

namespace {

class ChannelSetup : public Standalone {
protected:
    ChannelSetup() { useCounts(8, 4, 4); }
    std::unique_ptr<FormSetupChan> open(std::int16_t n = 0)
    {
        return openOn(memory.channel, &FormSetupChan::SetCurrentChannel, n);
    }
};

TEST_F(ChannelSetup, StepsWrapAndShowingIsNoEdit)
{
    state.Channels.Item(1).UseTwoMasters = true;
    for (auto [from, button, shown] : {std::tuple{8, "CommandNext", "1"}, {1, "CommandPrev", "8"},
                                       {4, "CommandNext", "5"}}) {
        auto dialog = open(static_cast<std::int16_t>(from));
        click(dialog.get(), button);
        spin(dialog.get(), "SpinButtonChannel", true);
        spin(dialog.get(), "SpinButtonChannel", false);
        EXPECT_EQ(text(dialog.get(), "TextCurrentChannel"), shown);
        EXPECT_EQ(text(dialog.get(), "TextDescription"), std::string("Channel ") + shown);
        const bool twoMasters = shown[0] == '1';
        EXPECT_EQ(box(dialog.get(), "TextMaster2Value")->isEnabled(), twoMasters);
        EXPECT_EQ(control<QCheckBox>(dialog.get(), "CheckUse2Masters")->isChecked(), twoMasters);
    }
    EXPECT_THAT(messages(), IsEmpty());
}

TEST_F(ChannelSetup, DecimalsSpinStopsAtZeroAndFiveValuesFollowTheDecimals)
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

TEST_F(ChannelSetup, SaveQuestionOnNextCancelNoYes)
{
    state.Channels.Item(3).Description = "Bore top";
    for (auto [answer, shownAfter, hiTol] : {std::tuple{Answer::Cancel, "3", 0.01f},
                                             {Answer::No, "4", 0.01f}, {Answer::Yes, "4", 0.02f}}) {
        auto dialog = open(3);
        type(dialog.get(), "TextHiTolValue", "0.02");
        boxes.answerNext(answer);
        click(dialog.get(), "CommandNext");
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, "Channel 3 has been modified\rSave changes");
        EXPECT_EQ(boxes.shown[0].title, "Bore top");
        EXPECT_EQ(boxes.shown[0].buttons, Buttons::YesNoCancel);
        EXPECT_EQ(text(dialog.get(), "TextCurrentChannel"), shownAfter);
        EXPECT_EQ(text(dialog.get(), "TextHiTolValue"),
                  answer == Answer::Cancel ? "0.02" : " 0.01000");
        EXPECT_EQ(state.Channels.Item(3).HiTol, hiTol);
        boxes.shown.clear();
    }
}

TEST_F(ChannelSetup, ProgramSendsFormulaScalingZeroInOrder)
{
    auto dialog = open(3);
    type(dialog.get(), "TextFormula", "T1-T2");
    click(dialog.get(), "CheckUse2Masters");
    for (auto [name, value] : {std::pair{"TextMaster2Value", "1.75"}, {"TextBarBotValue", "-0.1"},
                               {"TextScalingValue", "2"}, {"TextZeroValue", "0.5"}})
        type(dialog.get(), name, value);
    click(dialog.get(), "CommandProgram");
    EXPECT_THAT(takeCalls(), ElementsAre("QmxDefineChannel(3, \"T1-T2\")", "QmxSetCscale(3, 2)",
                                         "QmxSetCzero(3, 0.5)"));
    const channel &c = state.Channels.Item(3);
    EXPECT_TRUE(c.UseTwoMasters && c.InUse && state.view.SetupModified);
    EXPECT_EQ(c.Master2, 1.75f);
    EXPECT_EQ(c.BarDisplayBot, -0.1f);
}

TEST_F(ChannelSetup, AutoIncrementLeavesTheLiveValueOnTheProgrammedChannel)
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

TEST_F(ChannelSetup, RefusedFieldProgramsNothingAndKeepsTheEdits)
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
        EXPECT_THAT(messages(), ElementsAre(refused, ::testing::_, refused));
        EXPECT_THAT(takeCalls(), IsEmpty());
        EXPECT_FALSE(state.view.SetupModified);
        EXPECT_EQ(text(dialog.get(), "TextCurrentChannel"), "5");
        EXPECT_EQ(text(dialog.get(), field), typed);
        boxes.answerNext(Answer::Cancel);
        dialog->close();
        EXPECT_TRUE(dialog->isVisible());
        boxes.shown.clear();
    }
}

TEST_F(ChannelSetup, CurrentChannelComesIntoRangeAndNoChannelsLeaveOnlyDone)
{
    memory.channel.CurrentChannel = 20;
    EXPECT_EQ(text(open().get(), "TextCurrentChannel"), "8");
    CreateChannels(state, 0);
    auto dialog = open();
    EXPECT_FALSE(control<QAbstractButton>(dialog.get(), "CommandProgram")->isEnabled());
    click(dialog.get(), "CommandDone");
    EXPECT_FALSE(dialog->isVisible());
}

} // namespace
