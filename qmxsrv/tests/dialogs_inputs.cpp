// The LVDT and analog setup dialogs against the simulated board.
#include "dialogs/formsetupanalog.h"
#include "dialogs/formsetuplvdt.h"
#include "dialogs_support.h"

using namespace qmxsrv;
using namespace qmxtest;

namespace {

class InputSetup : public Standalone {
protected:
    InputSetup() { useCounts(8, 4, 4); }
    std::unique_ptr<FormSetupLvdt> openLvdt(std::int16_t n = 0)
    {
        return openOn(memory.lvdt, &FormSetupLvdt::SetCurrentLvdt, n);
    }
    std::unique_ptr<FormSetupAnalog> openAnalog(std::int16_t n = 0)
    {
        return openOn(memory.analog, &FormSetupAnalog::SetCurrentAnalog, n);
    }
};

TEST_F(InputSetup, LvdtSpinWrapsAnalogSpinStops)
{
    for (auto [lvdt, from, up, shown] :
         {std::tuple{true, 4, true, "1"}, {true, 1, false, "4"}, {false, 4, true, "4"},
          {false, 1, false, "1"}, {false, 3, false, "2"}}) {
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

TEST_F(InputSetup, AnalogChangeBlocksSteppingAndClosingUntilProgrammed)
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

TEST_F(InputSetup, LvdtZeroEditIsNoChangeOtherEditsAsk)
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

TEST_F(InputSetup, FullScaleShownWithTheDefaultDecimalsOrFive)
{
    state.Analogs.Item(1).setFullScale(10);
    state.LVDTs.Item(1).setFullScale(0.5f);
    for (auto [decimals, shown] : {std::pair{3, " 0.500"}, {5, " 0.50000"}, {0, " 1."}}) {
        state.settings.SystemDecimals = static_cast<std::int16_t>(decimals);
        EXPECT_EQ(text(openLvdt(1).get(), "TextFullScale"), shown);
        EXPECT_EQ(text(openAnalog(1).get(), "TextFullScale"), " 10.00000");
    }
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
}

} // namespace
