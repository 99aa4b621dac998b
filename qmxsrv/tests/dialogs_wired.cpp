// The setup dialogs opened from the running program: its Setup menu and
// GotoSetupFromView, its scan writing their live values, its live-value
// service holding real conversations; and the demo gauge set up from
// scratch through them, saved, and found whole after a restart.
#include "core/programstate.h"
#include "core/setupfile.h"
#include "dialogs_support.h"
#include "mainwindow/formmain.h"
#include "mainwindow/livevalueservice.h"
#include "mainwindow/program.h"
#include "mainwindow_service_client.h"
#include "platform/scriptedfiledialogs.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QTimer>

#include <gmock/gmock.h>

#include <regex>

using namespace qmxsrv;
using namespace qmxtest;
using ::testing::ElementsAre;

namespace {

class Wired : public ::testing::Test {
protected:
    Wired()
    {
        ::setenv("QMX_PORTS", "sim", 1);
        board.reset(qmxboard::Start::Running);
        board.freeze();
    }
    void start(const std::string &settings, const std::string &commandLine = {})
    {
        if (!settings.empty())
            writeFile(dir.file("qmxsrv.ini"), settings);
        StartOptions options;
        options.programFolder = QString::fromStdString(dir.path());
        options.commandLine = commandLine;
        options.link = LinkEndpoint{QHostAddress(QHostAddress::LocalHost), 0};
        program = std::make_unique<Program>(boxes, dialogs);
        ASSERT_EQ(program->Main(options), Program::Started::Running);
        board.clearTraffic();
    }
    ProgramState &state() { return program->state(); }
    FormMain &form() { return program->window(); }
    void choose(const char *item) { form().findChild<QAction *>(item)->trigger(); }
    // Runs script on the modal dialog that the next command opens; the
    // command returns once the script has closed it.
    void whenOpen(const char *name, std::function<void(QDialog *)> script)
    {
        QTimer::singleShot(0, [name, script] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!dialog || dialog->objectName() != name) {
                ADD_FAILURE() << name << " is not open";
                return;
            }
            script(dialog);
            if (dialog->isVisible()) {
                ADD_FAILURE() << name << " left open";
                dialog->done(QDialog::Rejected);
            }
        });
    }

    qmxboard::Control board;
    ScriptedMessageBoxes boxes;
    ScriptedFileDialogs dialogs;
    TempDir dir;
    std::unique_ptr<Program> program;
};

TEST_F(Wired, LiveValuesFollowTheItemShown)
{
    start("MaxChannel=8\r\nMaxLVDT=4\r\nMaxAnalog=2\r\n");
    board.setProbe(1, 0.0123);
    board.setProbe(2, 0.25);
    const auto tick = [this] { form().scanCycle().tick(); };
    whenOpen("FormSetupChan", [&](QDialog *d) {
        type(d, "TextFormula", "T1");
        click(d, "CommandProgram");
        click(d, "CheckShowCurrentValue");
        tick();
        EXPECT_EQ(text(d, "TextChannelValue"), " 0.01230");
        click(d, "CommandNext"); // no formula: the channel reads its zero
        tick();
        EXPECT_EQ(text(d, "TextChannelValue"), " 0.00000");
        click(d, "CommandDone");
    });
    choose("SetupChannels");
    whenOpen("FormSetupLvdt", [&](QDialog *d) {
        click(d, "CheckShowCurrentValue");
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
    tick(); // the hooks are gone with the dialogs
}

TEST_F(Wired, GotoSetupFromViewOpensThePickedItem)
{
    start("MaxChannel=8\r\nMaxLVDT=4\r\nMaxAnalog=2\r\n");
    group &g = state().Groups.Add(std::make_unique<group>());
    g.AddChannel(7);
    g.AddChannel(3);
    state().view.CurrentGroup = 1;
    struct Case {
        std::int16_t mode, index;
        const char *dialog, *number, *shown;
    } cases[] = {{ViewState::ShowLVDTs, 2, "FormSetupLvdt", "TextCurrentLvdt", "2"},
                 {ViewState::ShowAnalogs, 2, "FormSetupAnalog", "TextCurrentAnalog", "2"},
                 {ViewState::ShowChannels, 5, "FormSetupChan", "TextCurrentChannel", "5"},
                 {ViewState::ShowGroup, 2, "FormSetupChan", "TextCurrentChannel", "3"}};
    for (const Case &c : cases) {
        state().view.DisplayMode = c.mode;
        whenOpen(c.dialog, [&](QDialog *d) {
            EXPECT_EQ(text(d, c.number), c.shown) << c.dialog;
            click(d, "CommandDone");
        });
        std::int16_t index = c.index;
        form().GotoSetupFromView(index);
    }
}

TEST_F(Wired, GeneralSetupAsksAboutDdeWhileConversationsAreOpen)
{
    start("MaxChannel=8\r\nMaxLVDT=4\r\nMaxAnalog=2\r\nDDEEnabled= True\r\n");
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
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text, "DDE in use by another Windows application");
    EXPECT_EQ(state().view.ScanHold, 0);
    EXPECT_THAT(board.calls(),
                ElementsAre("QmxSetAdcAvg(4)", "QmxSetRunAvg(1)", "QmxSetScanTime(250)"));
}

// The demo gauge as an operator types it in: every channel field, in the
// order of the channel dialog's fields.
const char *const channelFields[] = {
    "TextDescription", "TextFormula",     "TextDecimals",   "TextMaster1Value",
    "TextMaster2Value", "TextHiTolValue", "TextHiAppValue", "TextLoAppValue",
    "TextLoTolValue",  "TextBarTopValue", "TextBarBotValue"};
const std::array<const char *, 11> demoChannels[] = {
    {"Bore diameter", "T1+T2", "4", "24.99", "25.01", "0.01", "0.008", "-0.008", "-0.01", "0.02",
     "-0.02"},
    {"Bore taper", "(T1+T2)-(T3+T4)", "4", "0", "0", "0.005", "0.004", "-0.004", "-0.005", "0.01",
     "-0.01"},
    {"Bore out of round", "GOR(T1+T2,T3+T4)-LOR(T1+T2,T3+T4)", "4", "0", "0", "0.004", "0.003",
     "0", "0", "0.006", "0"},
    {"Face runout", "TIR(T3)", "4", "0", "0", "0.002", "0.0015", "0", "0", "0.003", "0"},
    {"Clamp pressure", "A1*0.25", "3", "0", "0", "0.02", "0.015", "-0.015", "-0.02", "0.05",
     "-0.05"},
};

TEST_F(Wired, DemoGaugeSetUpFromScratchIsFoundWholeAfterARestart)
{
    start("");
    whenOpen("FormSetupSystem", [](QDialog *d) {
        for (const auto &[name, count] : {std::pair{"txtChannels", "6"}, {"txtLVDT", "4"},
                                          {"txtAnalog", "2"}})
            type(d, name, count);
        click(d, "CommandOK");
    });
    choose("SetupGeneral");
    whenOpen("FormSetupChan", [](QDialog *d) {
        click(d, "CheckAutoIncChannel");
        click(d, "CheckUse2Masters"); // channel 1 is mastered on two rings
        for (const auto &values : demoChannels) {
            for (std::size_t i = 0; i < values.size(); ++i)
                if (box(d, channelFields[i])->isEnabled())
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
    const std::string demo = readFile(QMX_DEMO_SETUP);
    EXPECT_EQ(readFile(saved), std::regex_replace(demo, std::regex("\n(mm|bar)\r"), "\nInch\r"));
    choose("ExitProgram");
    program.reset();

    board.reset(qmxboard::Start::Running); // a board that has forgotten everything
    start("", saved);
    EXPECT_EQ(state().settings.MaxChannel, 6);
    EXPECT_EQ(board.state().channels[2].formula, "GOR(T1+T2,T3+T4)-LOR(T1+T2,T3+T4)");
    EXPECT_EQ(setupText(state()), readFile(saved));
}

} // namespace
