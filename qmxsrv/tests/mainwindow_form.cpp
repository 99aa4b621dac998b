// The main window driven as an operator drives it, on the simulated board:
// menus and buttons, the File commands with scripted dialogs, the exit with
// its prompts, and the scan seen by a real WebSocket client.
#include "mainwindow_support.h"
#include "mainwindow/formmain.h"
#include "mainwindow/livevalueservice.h"
#include "mainwindow/program.h"
#include "mainwindow_service_client.h"
#include "platform/scriptedfiledialogs.h"

#include "core/device.h"
#include "core/messageboxes.h"
#include "core/programstate.h"
#include "core/setupoperations.h"

#include <qmxboard.h>

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

using namespace qmxsrv;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// Runs `during` inside the next box, as a box's own event loop would run
// whatever comes due while it is open.
class NestingBoxes : public ScriptedMessageBoxes {
public:
    Answer show(const std::string &text, const std::string &title, Buttons buttons,
                Icon icon) override
    {
        if (auto run = std::exchange(during, nullptr))
            run();
        return ScriptedMessageBoxes::show(text, title, buttons, icon);
    }
    std::function<void()> during;
};

class MainWindow : public ::testing::Test {
protected:
    MainWindow()
    {
        qmxtest::writeFile(dir.file("qmxsrv.ini"), "MaxChannel=8\r\nMaxLVDT=4\r\nMaxAnalog=2\r\n");
        EXPECT_EQ(program.Main(qmxtest::startIn(dir)), Program::Started::Running);
        std::filesystem::remove(dir.file("qmxsrv.ini"));
        board.clearTraffic();
    }

    ProgramState &state() { return program.state(); }
    FormMain &form() { return program.window(); }
    QAction *item(const char *name)
    {
        QAction *a = form().findChild<QAction *>(QString::fromLatin1(name));
        EXPECT_NE(a, nullptr) << name;
        return a;
    }
    QPushButton *button(const char *name)
    {
        return form().findChild<QPushButton *>(QString::fromLatin1(name));
    }
    void click(const char *name) { QTest::mouseClick(button(name), Qt::LeftButton); }
    std::vector<std::string> calls()
    {
        std::vector<std::string> c = board.calls();
        board.clearTraffic();
        return c;
    }
    std::string settingsFile() const { return qmxtest::readFile(dir.file("qmxsrv.ini")); }
    bool settingsWritten() const { return std::filesystem::exists(dir.file("qmxsrv.ini")); }

    qmxboard::Control board;
    NestingBoxes boxes;
    ScriptedFileDialogs dialogs;
    qmxtest::TempDir dir;
    Program program{boxes, dialogs};
};

TEST_F(MainWindow, NumbersAndBarsToggleTheirCheckMarks)
{
    for (const auto &[buttonName, itemName] : {std::pair("CommandNumbers", "EnableGrid"),
                                              std::pair("CommandBarGraphs", "EnableBarGraphs")}) {
        state().view.ScanHold = 1;
        click(buttonName);
        EXPECT_TRUE(item(itemName)->isChecked()) << buttonName;
        EXPECT_EQ(state().view.ScanHold, 0) << "shown after UpdateMainDisplay";
        state().view.ScanHold = 1;
        click(buttonName);
        EXPECT_FALSE(item(itemName)->isChecked()) << buttonName;
        EXPECT_EQ(state().view.ScanHold, 1) << "hiding rebuilds nothing";
        item(itemName)->trigger();
        EXPECT_TRUE(item(itemName)->isChecked()) << "the menu item does the same";
    }
}

TEST_F(MainWindow, ViewCommandsAndScanHold)
{
    struct Case {
        const char *item;
        std::int16_t holdBefore, mode, holdAfter;
    };
    const Case cases[] = {
        {"ViewLVDTs", 0, ViewState::ShowLVDTs, 0},
        {"ViewLVDTs", 2, ViewState::ShowLVDTs, 2},
        {"ViewChannels", 0, ViewState::ShowChannels, 0},
        {"ViewChannels", 2, ViewState::ShowChannels, 1},
        {"ViewAnalogs", 1, ViewState::ShowAnalogs, 0},
    };
    for (const Case &c : cases) {
        state().view.ScanHold = c.holdBefore;
        item(c.item)->trigger();
        EXPECT_EQ(state().view.DisplayMode, c.mode) << c.item;
        EXPECT_EQ(state().view.ScanHold, c.holdAfter) << c.item << " from " << c.holdBefore;
    }
}

TEST_F(MainWindow, ViewGroupNeedsAGroupHoldingAChannel)
{
    group &g = state().Groups.Add(std::make_unique<group>());
    for (const bool withChannel : {false, true}) {
        if (withChannel)
            g.AddChannel(3);
        boxes.shown.clear();
        state().view.DisplayMode = ViewState::ShowAnalogs;
        state().view.ScanHold = 1; // held by something else
        EXPECT_EQ(form().CheckForAnyGroups(), withChannel);
        if (withChannel) // the group selection opens: answered with OK
            QTimer::singleShot(0, [] {
                if (QWidget *dialog = QApplication::activeModalWidget())
                    QTest::mouseClick(dialog->findChild<QPushButton *>("CmdOk"), Qt::LeftButton);
            });
        item("ViewGroups")->trigger();
        if (!withChannel) {
            ASSERT_EQ(boxes.shown.size(), 1u);
            EXPECT_EQ(boxes.shown[0].text, "No groups exist");
            EXPECT_EQ(boxes.shown[0].title, "QMXSRV");
            EXPECT_EQ(state().view.DisplayMode, ViewState::ShowAnalogs);
            EXPECT_EQ(state().view.ScanHold, 1);
        } else {
            EXPECT_THAT(boxes.shown, IsEmpty());
            EXPECT_EQ(state().view.CurrentGroup, 1);
            EXPECT_EQ(state().view.DisplayMode, ViewState::ShowGroup);
            EXPECT_EQ(state().view.ScanHold, 1); // raised by the selection, lowered after it
        }
    }
}

TEST_F(MainWindow, ButtonsAndToggles)
{
    click("CommandResetMM");
    EXPECT_THAT(calls(), ElementsAre("QmxResetMM()"));
    // Zero and Master open the mastering dialog in their mode; closed at once here.
    const auto closeDialog = [] {
        QTimer::singleShot(0, [] {
            if (QWidget *dialog = QApplication::activeModalWidget())
                dialog->close();
        });
    };
    closeDialog();
    click("CommandZero");
    EXPECT_TRUE(state().view.MasteringZeroMode);
    closeDialog();
    click("CommandMaster");
    EXPECT_FALSE(state().view.MasteringZeroMode);
    for (const char *never : {"ZeroGroup", "MasterGroup", "Seperator1", "Seperator2"})
        EXPECT_FALSE(item(never)->isEnabled()) << never << " is shown greyed";

    item("UpdateToggle")->trigger();
    EXPECT_FALSE(item("UpdateToggle")->isChecked());
    EXPECT_FALSE(state().view.UpdateEnabled);
    item("NewFile")->trigger();
    EXPECT_TRUE(state().view.UpdateEnabled) << "File > New switches it on, whatever the item";
    EXPECT_FALSE(item("UpdateToggle")->isChecked());
    item("UpdateToggle")->trigger();
    EXPECT_TRUE(state().view.UpdateEnabled);
    EXPECT_TRUE(item("UpdateToggle")->isChecked());
}

TEST_F(MainWindow, GotoSetupFromViewFindsTheItem)
{
    group &g = state().Groups.Add(std::make_unique<group>());
    g.AddChannel(7);
    g.AddChannel(3);
    struct Case {
        std::int16_t mode, group, index;
        bool found; // found: the setup ran, and UpdateMainDisplay after it
    };
    const Case cases[] = {
        {ViewState::ShowGroup, 1, 2, true},    {ViewState::ShowGroup, 1, 3, false},
        {ViewState::ShowGroup, 0, 1, false},   {ViewState::ShowChannels, 0, 8, true},
        {ViewState::ShowChannels, 0, 9, false}, {ViewState::ShowLVDTs, 0, 4, true},
        {ViewState::ShowLVDTs, 0, 0, false},   {ViewState::ShowAnalogs, 0, 2, true},
        {ViewState::ShowAnalogs, 0, 3, false}, {7, 0, 1, false},
    };
    for (const Case &c : cases) {
        state().view.DisplayMode = c.mode;
        state().view.CurrentGroup = c.group;
        state().view.ScanHold = 1;
        std::int16_t index = c.index;
        if (c.found) // the setup dialog that opens is closed at once
            QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
        form().GotoSetupFromView(index);
        EXPECT_EQ(state().view.ScanHold, c.found ? 0 : 1) << c.mode << " " << c.index;
        EXPECT_EQ(index, c.index);
    }
}

TEST_F(MainWindow, FileCommandsWithCancelledDialogs)
{
    const std::string files = dir.listing();
    item("OpenFile")->trigger();
    item("SaveAsFile")->trigger();
    item("SaveFile")->trigger();
    ASSERT_EQ(dialogs.asked.size(), 2u);
    for (const auto &asked : dialogs.asked) {
        EXPECT_EQ(asked.request.filter, "QMX Setups (*.qmx)|*.qmx|All (*.*)|*.*");
        EXPECT_EQ(asked.request.folder, dir.path());
        EXPECT_EQ(asked.request.fileName, "");
    }
    EXPECT_EQ(dialogs.asked[0].kind, ScriptedFileDialogs::Kind::Open);
    EXPECT_EQ(dialogs.asked[1].kind, ScriptedFileDialogs::Kind::Save);
    EXPECT_EQ(dialogs.asked[1].request.defaultExtension, "qmx");
    EXPECT_EQ(state().view.SetupFileName, "");
    EXPECT_THAT(calls(), IsEmpty()) << "nothing loaded";
    EXPECT_EQ(dir.listing(), files) << "nothing written";
    EXPECT_EQ(form().windowTitle(), "QMX-X1");

    item("NewFile")->trigger();
    EXPECT_EQ(state().view.SetupFileName, "new.qmx");
    EXPECT_EQ(form().windowTitle(), "QMX-X1 [new.qmx]");
    EXPECT_EQ(calls().size(), 8u * 3 + 4 * 2 + 2 * 2) << "every object to its defaults";
}

TEST_F(MainWindow, SaveAsThenOpen)
{
    const std::string path = dir.file("bore.qmx");
    state().Channels.Item(2).setFormula("T1-T2");
    state().Channels.Item(2).InUse = true;
    state().view.SetupModified = true;
    dialogs.answerNext(path);
    item("SaveAsFile")->trigger();
    EXPECT_EQ(state().view.SetupFileName, path);
    EXPECT_FALSE(state().view.SetupModified);
    EXPECT_EQ(form().windowTitle(), "QMX-X1") << "saving keeps the title";

    item("NewFile")->trigger();
    dialogs.answerNext(path);
    board.clearTraffic();
    item("OpenFile")->trigger();
    EXPECT_TRUE(board.receivedInOrder({"QmxDefineChannel(2, \"T1-T2\")"}));
    EXPECT_EQ(state().Channels.Item(2).Formula(), "T1-T2");
    EXPECT_EQ(form().windowTitle().toStdString(), "QMX-X1 [" + path + "]");
}

TEST_F(MainWindow, CancelAtTheSavePromptKeepsEverything)
{
    state().view.SetupModified = true;
    boxes.answerNext(Answer::Cancel);
    EXPECT_FALSE(form().close());
    EXPECT_TRUE(form().isVisible());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Setup has been modified\rSave changes");
    EXPECT_EQ(boxes.shown[0].title, "QMXSRV");
    EXPECT_EQ(boxes.shown[0].buttons, Buttons::YesNoCancel);
    EXPECT_EQ(boxes.shown[0].icon, Icon::Question);
    EXPECT_FALSE(settingsWritten());
    EXPECT_THAT(dialogs.asked, IsEmpty());

    // File > Exit has written the file (14 lines) before it asks.
    boxes.answerNext(Answer::Cancel);
    item("ExitProgram")->trigger();
    EXPECT_TRUE(form().isVisible());
    EXPECT_EQ(settingsFile(), settingsText(state().settings, false));
}

TEST_F(MainWindow, OpenConversationsCanRefuseTheExit)
{
    item("NewFile")->trigger();
    TestClient client(form().liveValues().port());
    ASSERT_TRUE(client.waitConnected());
    ASSERT_TRUE(waitFor([&] { return state().view.DDELinkCount == 1; }));

    state().view.SetupModified = true;
    boxes.answerNext(Answer::No);
    boxes.answerNext(Answer::No);
    EXPECT_FALSE(form().close());
    EXPECT_TRUE(form().isVisible());
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text, "Other applications are using this application\r"
                                   "Do you really want to exit the application?");
    EXPECT_EQ(boxes.shown[1].title, "QMX-X1 [new.qmx]") << "the window's title";
    EXPECT_EQ(boxes.shown[1].buttons, Buttons::YesNo);
    EXPECT_EQ(settingsFile(), settingsText(state().settings, true)) << "written all the same";
    EXPECT_THAT(dialogs.asked, IsEmpty());

    client.socket.close();
    ASSERT_TRUE(waitFor([&] { return state().view.DDELinkCount == 0; }));
    boxes.shown.clear();
    boxes.answerNext(Answer::No);
    EXPECT_TRUE(form().close());
    EXPECT_EQ(boxes.shown.size(), 1u) << "no conversation, no warning";
}

TEST_F(MainWindow, ExitSavesWhenAskedAndLeavesTheFifteenLineFile)
{
    state().settings.MaxStrain = 3;
    state().view.SetupModified = true;
    dialogs.answerNext(dir.file("last.qmx"));
    item("ExitProgram")->trigger(); // the prompt answers Yes

    EXPECT_FALSE(form().isVisible());
    EXPECT_FALSE(form().findChild<QTimer *>(QStringLiteral("Timer1"))->isActive());
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].kind, ScriptedFileDialogs::Kind::Save);
    EXPECT_TRUE(std::filesystem::exists(dir.file("last.qmx")));
    const std::string text = settingsFile();
    EXPECT_EQ(text, settingsText(state().settings, true));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 15);
    EXPECT_NE(text.find("MaxStrain=  3 \r\n"), std::string::npos);
}

// After UpdateMainDisplay every channel goes to its item once, then only
// changed ones: what an advised client receives.
TEST_F(MainWindow, AdvisedClientSeesEachChannelOnceThenChanges)
{
    state().Channels.Item(1).setFormula("T1");
    board.setProbe(1, 0.5);
    TestClient client(form().liveValues().port());
    ASSERT_TRUE(client.waitConnected());
    client.send("{\"advise\":\"*\"}");
    for (int i = 0; i <= 8; ++i)
        client.next(); // the current texts: "DDE" and eight empty ones
    const auto pushed = [&] {
        // A request answers after every push made before it.
        client.send("{\"request\":\"0\"}");
        QStringList got;
        for (QString m = client.next(); !m.isEmpty() && !m.contains("DDE"); m = client.next())
            got << m;
        return got;
    };

    item("ViewChannels")->trigger();
    form().scanCycle().tick();
    const QStringList first = pushed();
    ASSERT_EQ(first.size(), 8);
    EXPECT_EQ(first[0], "{\"item\":\"1\",\"text\":\" 0.50000\"}");
    EXPECT_EQ(first[7], "{\"item\":\"8\",\"text\":\" 0.00000\"}");
    form().scanCycle().tick();
    EXPECT_THAT(pushed(), IsEmpty());

    board.setProbe(1, -0.25);
    form().scanCycle().tick();
    EXPECT_EQ(pushed(), QStringList{"{\"item\":\"1\",\"text\":\"-0.25000\"}"});
    EXPECT_EQ(form().labelChan().caption(1), "-0.25000");

    // Channels added by a setup get their items at once, empty until shown.
    ASSERT_TRUE(CreateChannels(state(), 10));
    form().UpdateMainDisplay();
    form().scanCycle().tick();
    EXPECT_EQ(form().liveValues().itemCount(), 10);
    EXPECT_EQ(pushed(), QStringList({"{\"item\":\"9\",\"text\":\"\"}",
                                     "{\"item\":\"10\",\"text\":\"\"}",
                                     "{\"item\":\"9\",\"text\":\" 0.00000\"}",
                                     "{\"item\":\"10\",\"text\":\" 0.00000\"}"}));
}

TEST_F(MainWindow, TickDuringTheLibrarysMessageIsSkipped)
{
    item("ViewChannels")->trigger();
    board.answerNextWith(14);
    int captions = -1;
    boxes.during = [&] {
        form().scanCycle().tick();
        captions = form().labelChan().caption(1).size();
    };
    click("CommandResetMM");

    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].icon, Icon::Exclamation) << "the library's own message";
    EXPECT_EQ(captions, 0) << "no channel was shown";
    EXPECT_THAT(calls(), ElementsAre("QmxResetMM()"));
    EXPECT_EQ(state().device().refusedCalls(), 0) << "the tick did not even try";

    form().scanCycle().tick();
    EXPECT_EQ(calls().size(), 8u);
}

} // namespace
