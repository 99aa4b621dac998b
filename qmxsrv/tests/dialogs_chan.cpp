// The channel setup dialog against the simulated board.
#include "dialogs/formsetupchan.h"
#include "dialogs_support.h"

#include <QCheckBox>

#include <gmock/gmock.h>

using namespace qmxsrv;
using namespace qmxtest;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class ChannelSetup : public DialogTest {
protected:
    // The dialog as the main window opens it, on channel n (0: as it stands).
    std::unique_ptr<FormSetupChan> open(std::int16_t n = 0)
    {
        auto dialog = std::make_unique<FormSetupChan>(state, memory.channel);
        if (n)
            dialog->SetCurrentChannel(n);
        dialog->show();
        takeCalls();
        return dialog;
    }
};

TEST_F(ChannelSetup, PrevNextAndTheSpinWrapAround)
{
    struct Case {
        std::int16_t from;
        const char *control;
        bool spin;
        bool up;
        const char *shown;
    } cases[] = {
        {8, "CommandNext", false, true, "1"},      {1, "CommandPrev", false, false, "8"},
        {8, "SpinButtonChannel", true, true, "1"}, {1, "SpinButtonChannel", true, false, "8"},
        {4, "CommandNext", false, true, "5"},      {4, "SpinButtonChannel", true, false, "3"},
    };
    for (const Case &c : cases) {
        auto dialog = open(c.from);
        if (!c.spin)
            click(dialog.get(), c.control);
        else if (c.up)
            spinUp(dialog.get(), c.control);
        else
            spinDown(dialog.get(), c.control);
        EXPECT_EQ(text(dialog.get(), "TextCurrentChannel"), c.shown) << c.control << c.from;
        EXPECT_EQ(text(dialog.get(), "TextDescription"), std::string("Channel ") + c.shown);
        EXPECT_THAT(messages(), IsEmpty());
    }
}

TEST_F(ChannelSetup, DecimalsSpinStopsAtZeroAndFiveAndTypedDecimalsAreProgrammed)
{
    auto dialog = open(2);
    EXPECT_EQ(text(dialog.get(), "TextDecimals"), "5");
    spinUp(dialog.get(), "SpinButtonDecimals");
    EXPECT_EQ(text(dialog.get(), "TextDecimals"), "5");
    for (int i = 0; i < 7; ++i)
        spinDown(dialog.get(), "SpinButtonDecimals");
    EXPECT_EQ(text(dialog.get(), "TextDecimals"), "0");
    spinUp(dialog.get(), "SpinButtonDecimals");
    EXPECT_EQ(text(dialog.get(), "TextDecimals"), "1");

    // Typing into the decimals field alone is no edit: Next asks nothing.
    auto typed = open(3);
    type(typed.get(), "TextDecimals", "2");
    click(typed.get(), "CommandNext");
    EXPECT_THAT(messages(), IsEmpty());
    click(typed.get(), "CommandPrev");
    type(typed.get(), "TextDecimals", "3");
    click(typed.get(), "CommandProgram");
    EXPECT_EQ(state.Channels.Item(3).Decimals, 3);
}

TEST_F(ChannelSetup, SaveQuestionOnNextCancelNoYes)
{
    struct Case {
        Answer answer;
        const char *shownAfter;
        float hiTolAfter;
    } cases[] = {
        {Answer::Cancel, "3", 0.01f},
        {Answer::No, "4", 0.01f},
        {Answer::Yes, "4", 0.02f},
    };
    for (const Case &c : cases) {
        state.Channels.Item(3).Description = "Bore top";
        state.Channels.Item(3).HiTol = 0.01f;
        auto dialog = open(3);
        type(dialog.get(), "TextHiTolValue", "0.02");
        boxes.answerNext(c.answer);
        click(dialog.get(), "CommandNext");
        auto shown = takeBoxes();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, "Channel 3 has been modified\rSave changes");
        EXPECT_EQ(shown[0].title, "Bore top");
        EXPECT_EQ(shown[0].buttons, Buttons::YesNoCancel);
        EXPECT_EQ(shown[0].icon, Icon::Question);
        EXPECT_EQ(text(dialog.get(), "TextCurrentChannel"), c.shownAfter);
        EXPECT_EQ(state.Channels.Item(3).HiTol, c.hiTolAfter);
        if (c.answer == Answer::Cancel) {
            EXPECT_EQ(text(dialog.get(), "TextHiTolValue"), "0.02");
        }
    }
}

TEST_F(ChannelSetup, ProgramWritesEveryFieldAndSendsFormulaScalingZeroInOrder)
{
    auto dialog = open(3);
    type(dialog.get(), "TextDescription", "Bore");
    type(dialog.get(), "TextFormula", "T1-T2");
    click(dialog.get(), "CheckUse2Masters");
    const std::pair<const char *, const char *> typed[] = {
        {"TextMaster1Value", "1.25"}, {"TextMaster2Value", "1.75"}, {"TextHiTolValue", "0.02"},
        {"TextHiAppValue", "0.015"},  {"TextLoAppValue", "-0.015"}, {"TextLoTolValue", "-0.02"},
        {"TextBarTopValue", "0.1"},   {"TextBarBotValue", "-0.1"},  {"TextScalingValue", "2"},
        {"TextZeroValue", "0.5"},
    };
    for (const auto &[name, value] : typed)
        type(dialog.get(), name, value);
    click(dialog.get(), "CommandProgram");

    EXPECT_THAT(takeCalls(), ElementsAre("QmxDefineChannel(3, \"T1-T2\")", "QmxSetCscale(3, 2)",
                                         "QmxSetCzero(3, 0.5)"));
    const channel &c = state.Channels.Item(3);
    EXPECT_EQ(c.Description, "Bore");
    EXPECT_EQ(c.Formula(), "T1-T2");
    EXPECT_TRUE(c.UseTwoMasters);
    EXPECT_EQ(c.Master1, 1.25f);
    EXPECT_EQ(c.Master2, 1.75f);
    EXPECT_EQ(c.HiTol, 0.02f);
    EXPECT_EQ(c.HiAppr, 0.015f);
    EXPECT_EQ(c.LoAppr, -0.015f);
    EXPECT_EQ(c.LoTol, -0.02f);
    EXPECT_EQ(c.BarDisplayTop, 0.1f);
    EXPECT_EQ(c.BarDisplayBot, -0.1f);
    EXPECT_TRUE(c.InUse);
    EXPECT_TRUE(state.view.SetupModified);
    const auto board3 = board.state().channels[2];
    EXPECT_EQ(board3.formula, "T1-T2");
    EXPECT_EQ(board3.scale, 2.0f);
    EXPECT_EQ(board3.zero, 0.5f);
    // Programmed: moving on asks nothing.
    click(dialog.get(), "CommandNext");
    EXPECT_THAT(messages(), IsEmpty());
}

TEST_F(ChannelSetup, AutoIncrementLeavesTheLiveValueOnTheProgrammedChannel)
{
    auto dialog = open(4);
    click(dialog.get(), "CheckShowCurrentValue");
    click(dialog.get(), "CheckAutoIncChannel");
    EXPECT_EQ(state.live.LiveChannel, 4);
    click(dialog.get(), "CommandProgram");
    EXPECT_EQ(text(dialog.get(), "TextCurrentChannel"), "5");
    EXPECT_EQ(state.live.LiveChannel, 4);
    click(dialog.get(), "CommandNext");
    EXPECT_EQ(state.live.LiveChannel, 6);
    click(dialog.get(), "CheckShowCurrentValue");
    EXPECT_EQ(state.live.LiveChannel, 0);
    click(dialog.get(), "CheckShowCurrentValue");
    EXPECT_EQ(state.live.LiveChannel, 6);

    // Closing stops the live value; the switches and the channel stay for
    // the next opening.
    click(dialog.get(), "CommandDone");
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(state.live.LiveChannel, 0);
    dialog.reset();
    auto again = open();
    EXPECT_EQ(text(again.get(), "TextCurrentChannel"), "6");
    EXPECT_TRUE(control<QCheckBox>(again.get(), "CheckShowCurrentValue")->isChecked());
    EXPECT_TRUE(control<QCheckBox>(again.get(), "CheckAutoIncChannel")->isChecked());
    EXPECT_EQ(state.live.LiveChannel, 6);
}

TEST_F(ChannelSetup, ShowingAChannelIsNoEdit)
{
    state.Channels.Item(2).UseTwoMasters = true;
    auto dialog = open(1);
    EXPECT_FALSE(box(dialog.get(), "TextMaster2Value")->isEnabled());
    EXPECT_FALSE(control<QCheckBox>(dialog.get(), "CheckUse2Masters")->isChecked());
    click(dialog.get(), "CommandNext");
    EXPECT_TRUE(box(dialog.get(), "TextMaster2Value")->isEnabled());
    EXPECT_TRUE(control<QCheckBox>(dialog.get(), "CheckUse2Masters")->isChecked());
    click(dialog.get(), "CommandNext");
    click(dialog.get(), "CommandDone");
    EXPECT_THAT(messages(), IsEmpty());
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(ChannelSetup, ValuesShowInTheChannelsFormat)
{
    struct Case {
        std::int16_t decimals;
        float hiTol, loTol;
        const char *hiShown, *loShown, *scaleShown;
    } cases[] = {
        {3, 1.5f, -1.5f, " 1.500", "-1.500", " 1.000"},
        {0, 12.0f, -0.4f, " 12.", "-0.", " 1."},
        {5, 0.01f, -0.009f, " 0.01000", "-0.00900", " 1.00000"},
    };
    for (const Case &c : cases) {
        channel &ch = state.Channels.Item(2);
        ch.Decimals = c.decimals;
        ch.HiTol = c.hiTol;
        ch.LoTol = c.loTol;
        auto dialog = open(2);
        EXPECT_EQ(text(dialog.get(), "TextHiTolValue"), c.hiShown);
        EXPECT_EQ(text(dialog.get(), "TextLoTolValue"), c.loShown);
        EXPECT_EQ(text(dialog.get(), "TextScalingValue"), c.scaleShown);
    }
}

TEST_F(ChannelSetup, RefusedFieldProgramsNothingAndKeepsTheEdits)
{
    struct Case {
        const char *field;
        const char *typed;
        const char *message;
    } cases[] = {
        {"TextHiTolValue", "0.0x2", "Hi Tol: \"0.0x2\" is not a number."},
        {"TextZeroValue", "", "Zero: \"\" is not a number."},
        {"TextScalingValue", "1e40", "Scaling: \"1e40\" is not a number."},
        {"TextMaster1Value", "NaN", "Master 1: \"NaN\" is not a number."},
        {"TextDecimals", "6", "Decimals: \"6\" is not a number from 0 to 5."},
        {"TextDecimals", "two", "Decimals: \"two\" is not a number from 0 to 5."},
    };
    for (const Case &c : cases) {
        auto dialog = open(5);
        type(dialog.get(), "TextFormula", "T5");
        type(dialog.get(), "TextDescription", "Height");
        type(dialog.get(), c.field, c.typed);
        click(dialog.get(), "CommandProgram");
        auto shown = takeBoxes();
        ASSERT_EQ(shown.size(), 1u) << c.field;
        EXPECT_EQ(shown[0].text, std::string(c.message) + "\rNothing has been programmed.");
        EXPECT_EQ(shown[0].title, ProgramTitle);
        EXPECT_THAT(takeCalls(), IsEmpty());
        EXPECT_EQ(state.Channels.Item(5).Description, "Channel 5");
        EXPECT_EQ(state.Channels.Item(5).Formula(), "");
        EXPECT_FALSE(state.view.SetupModified);
        EXPECT_EQ(text(dialog.get(), c.field), c.typed);
        EXPECT_EQ(text(dialog.get(), "TextFormula"), "T5");

        // Yes to the save question tries the same programming: it stays.
        boxes.answerNext(Answer::Yes);
        click(dialog.get(), "CommandNext");
        EXPECT_EQ(takeBoxes().size(), 2u);
        EXPECT_EQ(text(dialog.get(), "TextCurrentChannel"), "5");
        EXPECT_THAT(takeCalls(), IsEmpty());
        boxes.answerNext(Answer::No);
        click(dialog.get(), "CommandDone");
        takeBoxes();
    }
}

TEST_F(ChannelSetup, CloseAsksAndCancelKeepsTheDialogOpen)
{
    auto dialog = open(2);
    click(dialog.get(), "CheckShowCurrentValue");
    type(dialog.get(), "TextDescription", "Length");
    boxes.answerNext(Answer::Cancel);
    dialog->close();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(state.live.LiveChannel, 2);
    boxes.answerNext(Answer::Yes);
    click(dialog.get(), "CommandDone");
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(state.live.LiveChannel, 0);
    EXPECT_EQ(state.Channels.Item(2).Description, "Length");
    EXPECT_EQ(messages().size(), 2u);
}

TEST_F(ChannelSetup, CurrentChannelComesIntoRangeAndNoChannelsLeaveOnlyDone)
{
    memory.channel.CurrentChannel = 20;
    EXPECT_EQ(text(open().get(), "TextCurrentChannel"), "8");

    CreateChannels(state, 0);
    auto dialog = open();
    EXPECT_FALSE(control<QAbstractButton>(dialog.get(), "CommandProgram")->isEnabled());
    EXPECT_FALSE(control<QAbstractButton>(dialog.get(), "CommandNext")->isEnabled());
    EXPECT_FALSE(box(dialog.get(), "TextFormula")->isEnabled());
    click(dialog.get(), "CommandDone");
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_THAT(messages(), IsEmpty());
}

TEST_F(ChannelSetup, ResetMaxMinGoesToTheBoard)
{
    auto dialog = open(1);
    click(dialog.get(), "CommandResetMM");
    EXPECT_THAT(takeCalls(), ElementsAre("QmxResetMM()"));
}

} // namespace
