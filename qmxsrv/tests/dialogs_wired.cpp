// The setup dialogs opened from the running program: its Setup menu, the
// display windows and GotoSetupFromView, its scan writing their live values,
// its live-value service holding real conversations; and the demo gauge set
// up from scratch through them, saved, and found whole after a restart.
#include "mainwindow_support.h"
#include "service_client.h"

#include "core/setupfile.h"
#include "displays/formgriddisplay.h"
#include "displays/formlingage.h"
#include "service/livevalueservice.h"

#include <QCheckBox>
#include <QTableWidget>

#include <array>
#include <regex>

using namespace qmxsrv;
using namespace qmxtest;

namespace {

using Wired = Running;

TEST_F(Wired, LiveValuesFollowTheItemShownAndTheSwitchesStay)
{
    start();
    board.setProbe(1, 0.0123);
    board.setProbe(2, 0.25);
    const auto tick = [this] { form().scanCycle().tick(); };
    whenOpen("FormSetupChan", [&](QDialog *d) {
        type(d, "TextFormula", "T1");
        click(d, "CommandProgram");
        click(d, "CheckShowCurrentValue");
        tick();
        EXPECT_EQ(text(d, "TextChannelValue"), " 0.01230");
        click(d, "CommandDone");
    });
    choose("SetupChannels");
    whenOpen("FormSetupLvdt", [&](QDialog *d) {
        click(d, "CheckShowCurrentValue");
        click(d, "CheckAutoIncLvdt");
        tick();
        EXPECT_EQ(text(d, "TextCLvdtValue"), " 0.01230");
        spin(d, "SpinButtonLvdt", true);
        tick();
        EXPECT_EQ(text(d, "TextCLvdtValue"), " 0.25000");
        click(d, "CommandDone");
    });
    choose("SetupLVDTs");
    EXPECT_EQ(state().live.LiveChannel, 0);
    EXPECT_EQ(state().live.LiveLvdt, 0);

    // The LVDT dialog keeps its item and switches for the run.
    whenOpen("FormSetupLvdt", [&](QDialog *d) {
        for (const char *name : {"CheckShowCurrentValue", "CheckAutoIncLvdt"})
            EXPECT_TRUE(control<QCheckBox>(d, name)->isChecked()) << name;
        EXPECT_EQ(text(d, "TextCurrentLvdt"), "2");
        EXPECT_NE(state().live.LiveLvdt, 0);
        click(d, "CommandDone");
    });
    choose("SetupLVDTs");
}

// A setup dialog is written into only while it exists: once it is gone the
// scan neither reads its number box nor writes its value box, even with its
// live link left on, and the same dialog opened again gets the values again.
TEST_F(Wired, ScanWritesOnlyIntoSetupDialogsThatExist)
{
    start();
    state().Channels.Item(1).setFormula("T1");
    board.setProbe(1, 0.0123);
    board.setInput(1, 0.0123);
    const struct {
        const char *command, *dialog, *valueBox, *read;
        std::int16_t LiveLinks::*link;
    } cases[] = {
        {"SetupChannels", "FormSetupChan", "TextChannelValue", "QmxReadChannel(1)",
         &LiveLinks::LiveChannel},
        {"SetupLVDTs", "FormSetupLvdt", "TextCLvdtValue", "QmxReadLvdt(1)", &LiveLinks::LiveLvdt},
        {"SetupAnalog", "FormSetupAnalog", "TextCAnalogValue", "QmxReadAnalog(1)",
         &LiveLinks::LiveAnalog},
    };
    // Only the live values: the display part is held.
    const auto liveTick = [this] {
        state().view.ScanHold = 1;
        board.clearTraffic();
        form().scanCycle().tick();
        state().view.ScanHold = 0;
        return board.calls();
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.dialog);
        for (int opening = 1; opening <= 2; ++opening) {
            SCOPED_TRACE(opening);
            whenOpen(c.dialog, [&](QDialog *d) {
                // The analog setup does not keep the switch between openings.
                if (auto *show = control<QCheckBox>(d, "CheckShowCurrentValue"); !show->isChecked())
                    show->click();
                EXPECT_EQ(state().live.*c.link, 1);
                EXPECT_THAT(liveTick(), ElementsAre(c.read));
                EXPECT_EQ(text(d, c.valueBox), " 0.01230");
                click(d, "CommandDone");
            });
            choose(c.command);
            // As a window gone without its own close would leave it.
            state().live.*c.link = 1;
            EXPECT_THAT(liveTick(), IsEmpty());
            state().live.*c.link = 0;
        }
    }
}

// A double click on a bar or a row, or GotoSetupFromView itself: the setup
// of the item shown there opens, and UpdateMainDisplay follows it.
TEST_F(Wired, ActivationOpensTheSetupOfThePickedItem)
{
    start();
    group &g = state().Groups.Add(std::make_unique<group>());
    g.AddChannel(7);
    g.AddChannel(3);
    press("CommandBarGraphs");
    press("CommandNumbers");
    choose("ViewChannels");
    FormLinGage &bars = *window<FormLinGage>();
    QTableWidget &rows = window<FormGridDisplay>()->GridView();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bars));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(rows.window()));
    enum How { Bar, Row, Call };
    const struct {
        How how;
        std::int16_t mode, group, index;
        const char *dialog, *number, *shown; // no dialog: nothing found
    } cases[] = {
        {Bar, ViewState::ShowChannels, 0, 2, "FormSetupChan", "TextCurrentChannel", "3"},
        {Row, ViewState::ShowChannels, 0, 0, "FormSetupChan", "TextCurrentChannel", "1"},
        {Row, ViewState::ShowChannels, 0, 4, "FormSetupChan", "TextCurrentChannel", "4"},
        {Call, ViewState::ShowChannels, 0, 8, "FormSetupChan", "TextCurrentChannel", "8"},
        {Call, ViewState::ShowLVDTs, 0, 4, "FormSetupLvdt", "TextCurrentLvdt", "4"},
        {Call, ViewState::ShowAnalogs, 0, 2, "FormSetupAnalog", "TextCurrentAnalog", "2"},
        {Call, ViewState::ShowGroup, 1, 2, "FormSetupChan", "TextCurrentChannel", "3"},
        {Call, ViewState::ShowGroup, 1, 3, nullptr, nullptr, nullptr},
        {Call, ViewState::ShowChannels, 0, 9, nullptr, nullptr, nullptr},
        {Call, 7, 0, 1, nullptr, nullptr, nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.how << " " << c.mode << " " << c.index);
        state().view.DisplayMode = c.mode;
        state().view.CurrentGroup = c.group;
        state().view.ScanHold = 1;
        // The windows open the setup once the click is over; the call, here, too.
        std::int16_t index = c.index;
        const QPoint cell = rows.visualRect(rows.model()->index(c.index, 1)).center();
        if (c.how == Bar) {
            QTest::mouseDClick(bars.bar(c.index), Qt::LeftButton);
        } else if (c.how == Row) {
            QTest::mouseClick(rows.viewport(), Qt::LeftButton, {}, cell);
            QTest::mouseDClick(rows.viewport(), Qt::LeftButton, {}, cell);
        } else {
            QTimer::singleShot(0, [&] { form().GotoSetupFromView(index); });
        }
        whenOpen(c.dialog, [&](QDialog *d) {
            EXPECT_EQ(text(d, c.number), c.shown);
            click(d, "CommandDone");
        });
        bool done = false;
        QTimer::singleShot(0, [&] { done = true; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, 2000));
        EXPECT_EQ(state().view.ScanHold, c.dialog ? 0 : 1);
        EXPECT_EQ(index, c.index);
    }
}

TEST_F(Wired, GeneralSetupAsksAboutDdeWhileConversationsAreOpen)
{
    start(std::string(Counts) + "DDEEnabled= True\r\n");
    TestClient first(form().liveValues().port()), second(form().liveValues().port());
    ASSERT_TRUE(waitFor([&] { return state().view.DDELinkCount == 2; }));
    boxes.answerNext(Answer::Cancel);
    boxes.answerNext(Answer::Ok);
    whenOpen("FormSetupSystem", [&](QDialog *d) {
        auto *dde = control<QCheckBox>(d, "CheckDDEEnable");
        dde->click();
        EXPECT_TRUE(dde->isChecked());
        EXPECT_TRUE(state().settings.DDEEnabled);
        dde->click();
        EXPECT_EQ(state().view.ScanHold, 1);
        type(d, "txtScanPeriod", "25");
        click(d, "CommandOK");
    });
    choose("SetupGeneral");
    EXPECT_FALSE(state().settings.DDEEnabled);
    EXPECT_THAT(messages(), ElementsAre(::testing::_, "DDE in use by another Windows application"));
    EXPECT_EQ(state().view.ScanHold, 0);
    EXPECT_THAT(board.calls(),
                ElementsAre("QmxSetAdcAvg(4)", "QmxSetRunAvg(1)", "QmxSetScanTime(250)"));
}

// The demo gauge as an operator types it in: every channel field, in the
// order of the channel dialog's fields.
const char *const channelFields[] = {"TextDescription",  "TextFormula",      "TextDecimals",
                                     "TextMaster1Value", "TextMaster2Value", "TextHiTolValue",
                                     "TextHiAppValue",   "TextLoAppValue",   "TextLoTolValue",
                                     "TextBarTopValue",  "TextBarBotValue"};
const std::array<const char *, 11> demoChannels[] = {
    {"Bore diameter", "T1+T2", "4", "24.99", "25.01", "0.01", "0.008", "-0.008", "-0.01", "0.02",
     "-0.02"},
    {"Bore taper", "(T1+T2)-(T3+T4)", "4", "0", "0", "0.005", "0.004", "-0.004", "-0.005", "0.01",
     "-0.01"},
    {"Bore out of round", "GOR(T1+T2,T3+T4)-LOR(T1+T2,T3+T4)", "4", "0", "0", "0.004", "0.003", "0",
     "0", "0.006", "0"},
    {"Face runout", "TIR(T3)", "4", "0", "0", "0.002", "0.0015", "0", "0", "0.003", "0"},
    {"Clamp pressure", "A1*0.25", "3", "0", "0", "0.02", "0.015", "-0.015", "-0.02", "0.05",
     "-0.05"},
};

TEST_F(Wired, DemoGaugeSetUpFromScratchIsFoundWholeAfterARestart)
{
    start("");
    whenOpen("FormSetupSystem", [](QDialog *d) {
        for (const auto &[name, count] :
             {std::pair{"txtChannels", "6"}, {"txtLVDT", "4"}, {"txtAnalog", "2"}})
            type(d, name, count);
        click(d, "CommandOK");
    });
    choose("SetupGeneral");
    whenOpen("FormSetupChan", [](QDialog *d) {
        click(d, "CheckAutoIncChannel");
        click(d, "CheckUse2Masters"); // channel 1 is mastered on two rings
        for (const auto &values : demoChannels) {
            for (std::size_t i = 0; i < values.size(); ++i)
                if (control(d, channelFields[i])->isEnabled())
                    type(d, channelFields[i], values[i]);
            click(d, "CommandProgram");
        }
        click(d, "CommandDone");
    });
    choose("SetupChannels");
    const auto describe = [this](const char *dialog, const char *item,
                                 std::vector<const char *> names) {
        whenOpen(dialog, [names](QDialog *d) {
            const bool lvdt = d->objectName() == "FormSetupLvdt";
            click(d, lvdt ? "CheckAutoIncLvdt" : "CheckAutoIncAnalog");
            for (const char *name : names) {
                type(d, "TextDescription", name);
                click(d, "CommandProgram");
            }
            click(d, "CommandDone");
        });
        choose(item);
    };
    describe("FormSetupLvdt", "SetupLVDTs",
             {"Bore top, left", "Bore top, right", "Bore bottom, left", "Bore bottom, right"});
    describe("FormSetupAnalog", "SetupAnalog", {"Clamp pressure", "Coolant temperature"});
    whenOpen("FormSetupGroup", [](QDialog *d) {
        auto *channels = control<QListWidget>(d, "ListAvailableChannels");
        for (const auto &[name, rows] :
             {std::pair{"Bore", std::vector{0, 1, 2}}, {"Part", {0, 3, 4}}}) {
            type(d, "TextGroupName", name);
            click(d, "CmdAddtoList");
            for (int row : rows)
                doubleClick(channels, row);
        }
        click(d, "CmdDone");
    });
    choose("SetupGroups");
    EXPECT_EQ(state().view.ScanHold, 0);
    EXPECT_TRUE(state().view.SetupModified);

    const std::string saved = dir.file("gauge.qmx");
    dialogs.answerNext(saved);
    choose("SaveAsFile");
    // The units list sets no unit: the channels keep the default one.
    EXPECT_EQ(readFile(saved),
              std::regex_replace(readFile(QMX_DEMO_SETUP), std::regex("\n(mm|bar)\r"), "\nInch\r"));
    choose("ExitProgram");
    program.reset();

    board.reset(qmxboard::Start::Running); // a board that has forgotten everything
    boxes.shown.clear();
    ASSERT_EQ(launch("", saved), Program::Started::Running);
    EXPECT_THAT(messages(), IsEmpty());
    EXPECT_EQ(form().windowTitle().toStdString(), "QMX-X1 [" + saved + "]");
    EXPECT_FALSE(state().view.SetupModified);
    EXPECT_EQ(state().settings.MaxChannel, 6);
    EXPECT_EQ(form().liveValues().itemCount(), 6) << "items for the loaded count";
    EXPECT_TRUE(board.receivedInOrder({"QmxDefineChannel(1, \"T1+T2\")", "QmxSetCzero(1, 0)"}));
    EXPECT_EQ(board.state().channels[2].formula, "GOR(T1+T2,T3+T4)-LOR(T1+T2,T3+T4)");
    EXPECT_EQ(setupText(state()), readFile(saved));
}

} // namespace
