// The LVDT and analog setup dialogs against the simulated board.
#include "dialogs/formsetupanalog.h"
#include "dialogs/formsetuplvdt.h"
#include "dialogs_support.h"

#include <QCheckBox>

#include <gmock/gmock.h>

using namespace qmxsrv;
using namespace qmxtest;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class InputSetup : public DialogTest {
protected:
    std::unique_ptr<FormSetupLvdt> openLvdt(std::int16_t n = 0)
    {
        auto dialog = std::make_unique<FormSetupLvdt>(state, memory.lvdt);
        if (n)
            dialog->SetCurrentLvdt(n);
        dialog->show();
        takeCalls();
        return dialog;
    }
    std::unique_ptr<FormSetupAnalog> openAnalog(std::int16_t n = 0)
    {
        auto dialog = std::make_unique<FormSetupAnalog>(state, memory.analog);
        if (n)
            dialog->SetCurrentAnalog(n);
        dialog->show();
        takeCalls();
        return dialog;
    }
};

TEST_F(InputSetup, LvdtSpinWrapsAnalogSpinStops)
{
    struct Case {
        bool lvdt;
        std::int16_t from;
        bool up;
        const char *shown;
    } cases[] = {
        {true, 4, true, "1"},  {true, 1, false, "4"}, {true, 2, true, "3"},
        {false, 4, true, "4"}, {false, 1, false, "1"}, {false, 2, true, "3"},
        {false, 3, false, "2"},
    };
    for (const Case &c : cases) {
        std::unique_ptr<FormSetupInput> dialog;
        const char *spin = c.lvdt ? "SpinButtonLvdt" : "SpinButtonAnalog";
        const char *number = c.lvdt ? "TextCurrentLvdt" : "TextCurrentAnalog";
        if (c.lvdt)
            dialog = openLvdt(c.from);
        else
            dialog = openAnalog(c.from);
        if (c.up)
            spinUp(dialog.get(), spin);
        else
            spinDown(dialog.get(), spin);
        EXPECT_EQ(text(dialog.get(), number), c.shown) << spin << " from " << c.from;
        EXPECT_EQ(text(dialog.get(), "TextDescription"),
                  (c.lvdt ? "Lvdt " : "Analog  ") + std::string(c.shown));
    }
    EXPECT_THAT(messages(), IsEmpty());
}

TEST_F(InputSetup, AnalogChangeBlocksSteppingAndClosingUntilProgrammed)
{
    auto dialog = openAnalog(2);
    type(dialog.get(), "TextDescription", "Pressure");
    spinUp(dialog.get(), "SpinButtonAnalog");
    spinDown(dialog.get(), "SpinButtonAnalog");
    click(dialog.get(), "CommandDone");
    EXPECT_THAT(messages(), ElementsAre("Analog has been changed", "Analog has been changed",
                                        "Analog has been changed"));
    EXPECT_EQ(boxes.shown[0].buttons, Buttons::Ok);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(text(dialog.get(), "TextCurrentAnalog"), "2");
    EXPECT_EQ(text(dialog.get(), "TextDescription"), "Pressure");

    click(dialog.get(), "CommandProgram");
    EXPECT_EQ(state.Analogs.Item(2).Description, "Pressure");
    spinUp(dialog.get(), "SpinButtonAnalog");
    EXPECT_EQ(text(dialog.get(), "TextCurrentAnalog"), "3");
    click(dialog.get(), "CommandDone");
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(messages().size(), 3u);
}

TEST_F(InputSetup, LvdtZeroEditAloneIsNoChangeAndIsLost)
{
    auto dialog = openLvdt(1);
    type(dialog.get(), "TextZeroOffset", "0.25");
    spinUp(dialog.get(), "SpinButtonLvdt");
    EXPECT_THAT(messages(), IsEmpty());
    EXPECT_EQ(text(dialog.get(), "TextCurrentLvdt"), "2");
    EXPECT_EQ(board.state().probes[0].zero, 0.0f);
}

TEST_F(InputSetup, LvdtSaveQuestionNamesTheLvdt)
{
    state.LVDTs.Item(3).Description = "Left probe";
    auto dialog = openLvdt(3);
    type(dialog.get(), "TextFullScale", "0.04");
    boxes.answerNext(Answer::Cancel);
    spinDown(dialog.get(), "SpinButtonLvdt");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Lvdt 3 has been modified\rSave changes");
    EXPECT_EQ(boxes.shown[0].title, "Left probe");
    EXPECT_EQ(boxes.shown[0].buttons, Buttons::YesNoCancel);
    EXPECT_EQ(text(dialog.get(), "TextCurrentLvdt"), "3");
    boxes.answerNext(Answer::Yes);
    click(dialog.get(), "CommandDone");
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_THAT(takeCalls(), ElementsAre("QmxSetTfsv(3, 0.01)", "QmxSetTzero(3, 0)"));
}

TEST_F(InputSetup, FullScaleShownWithTheDefaultDecimalsOrFive)
{
    struct Case {
        std::int16_t systemDecimals;
        float fullScale;
        const char *lvdtShown;
    } cases[] = {{3, 0.5f, " 0.500"}, {5, 0.5f, " 0.50000"}, {0, 2.0f, " 2."}};
    state.Analogs.Item(1).setFullScale(10);
    for (const Case &c : cases) {
        state.LVDTs.Item(1).setFullScale(c.fullScale);
        state.settings.SystemDecimals = c.systemDecimals;
        EXPECT_EQ(text(openLvdt(1).get(), "TextFullScale"), c.lvdtShown);
        EXPECT_EQ(text(openAnalog(1).get(), "TextFullScale"), " 10.00000");
    }
}

TEST_F(InputSetup, ProgrammingSendsFullScaleThenZero)
{
    auto lvdtDialog = openLvdt(2);
    type(lvdtDialog.get(), "TextDescription", "Height");
    type(lvdtDialog.get(), "TextFullScale", "0.08");
    type(lvdtDialog.get(), "TextZeroOffset", "-0.5");
    click(lvdtDialog.get(), "CommandProgram");
    EXPECT_THAT(takeCalls(), ElementsAre("QmxSetTfsv(2, 0.02)", "QmxSetTzero(2, -0.5)"));
    EXPECT_EQ(state.LVDTs.Item(2).Description, "Height");
    EXPECT_TRUE(state.view.SetupModified);

    auto analogDialog = openAnalog(3);
    type(analogDialog.get(), "TextFullScale", "2.5");
    type(analogDialog.get(), "TextZeroOffset", "0.125");
    click(analogDialog.get(), "CommandProgram");
    // The analog dialog shows the input again after programming it.
    EXPECT_THAT(takeCalls(), ElementsAre("QmxSetAfsv(3, 2.5)", "QmxSetAzero(3, 0.125)",
                                         "QmxReadAzero(3)", "QmxReadAfsv(3)"));
}

TEST_F(InputSetup, RefusedFieldProgramsNothing)
{
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
    EXPECT_EQ(text(analogDialog.get(), "TextCurrentAnalog"), "4");
}

TEST_F(InputSetup, LiveValueFollowsTheLvdtShownAndItsSwitchesStay)
{
    auto dialog = openLvdt(2);
    click(dialog.get(), "CheckShowCurrentValue");
    click(dialog.get(), "CheckAutoIncLvdt");
    EXPECT_NE(state.live.LiveLvdt, 0);
    spinUp(dialog.get(), "SpinButtonLvdt");
    // The scan reads the LVDT to show from the number box.
    EXPECT_EQ(dialog->TextCurrentLvdt()->text(), "3");
    click(dialog.get(), "CommandProgram");
    EXPECT_EQ(dialog->TextCurrentLvdt()->text(), "4");
    click(dialog.get(), "CommandProgram");
    EXPECT_EQ(dialog->TextCurrentLvdt()->text(), "1");
    EXPECT_NE(state.live.LiveLvdt, 0);
    click(dialog.get(), "CommandDone");
    EXPECT_EQ(state.live.LiveLvdt, 0);

    auto again = openLvdt();
    EXPECT_EQ(again->TextCurrentLvdt()->text(), "1");
    EXPECT_TRUE(control<QCheckBox>(again.get(), "CheckShowCurrentValue")->isChecked());
    EXPECT_TRUE(control<QCheckBox>(again.get(), "CheckAutoIncLvdt")->isChecked());
    EXPECT_NE(state.live.LiveLvdt, 0);
}

TEST_F(InputSetup, AnalogAutoIncrementWrapsAndItsSwitchesStartUnchecked)
{
    auto dialog = openAnalog(4);
    click(dialog.get(), "CheckShowCurrentValue");
    click(dialog.get(), "CheckAutoIncAnalog");
    EXPECT_EQ(state.live.LiveAnalog, 4);
    click(dialog.get(), "CommandProgram");
    EXPECT_EQ(dialog->TextCurrentAnalog()->text(), "1");
    click(dialog.get(), "CommandDone");
    EXPECT_EQ(state.live.LiveAnalog, 0);

    auto again = openAnalog();
    EXPECT_EQ(again->TextCurrentAnalog()->text(), "1");
    EXPECT_FALSE(control<QCheckBox>(again.get(), "CheckShowCurrentValue")->isChecked());
    EXPECT_FALSE(control<QCheckBox>(again.get(), "CheckAutoIncAnalog")->isChecked());
    EXPECT_EQ(state.live.LiveAnalog, 0);
}

TEST_F(InputSetup, CurrentInputComesIntoRangeAfterTheCountShrank)
{
    memory.lvdt.CurrentLvdt = 4;
    memory.analog.CurrentAnalog = 3;
    CreateLVDTs(state, 2);
    CreateAnalogs(state, 0);
    EXPECT_EQ(openLvdt()->TextCurrentLvdt()->text(), "2");
    auto none = openAnalog();
    EXPECT_FALSE(control<QAbstractButton>(none.get(), "CommandProgram")->isEnabled());
    click(none.get(), "CommandDone");
    EXPECT_FALSE(none->isVisible());
}

} // namespace
