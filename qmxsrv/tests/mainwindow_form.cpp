// The main window driven as an operator drives it, on the simulated board:
// menus and buttons, the File commands with scripted dialogs, the exit with
// its prompts, and the scan seen by a real WebSocket client.
#include "mainwindow_support.h"
#include "service_client.h"

#include "core/setupfile.h"
#include "core/setupoperations.h"
#include "service/livevalueservice.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>

#include <arpa/inet.h>
#include <atomic>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace qmxsrv;
using namespace qmxtest;
using ::testing::_;
using ::testing::FieldsAre;

namespace {

class MainWindow : public Running {
protected:
    MainWindow() { start(); }
    std::string settingsFile() const { return readFile(dir.file("qmxsrv.ini")); }
};

TEST_F(MainWindow, NumbersAndBarsToggleTheirCheckMarks)
{
    for (const auto &[button, check] : {std::pair("CommandNumbers", "EnableGrid"),
                                        std::pair("CommandBarGraphs", "EnableBarGraphs")}) {
        state().view.ScanHold = 1;
        press(button);
        EXPECT_TRUE(item(check)->isChecked()) << button;
        EXPECT_EQ(state().view.ScanHold, 0) << "shown after UpdateMainDisplay";
        state().view.ScanHold = 1;
        press(button);
        EXPECT_FALSE(item(check)->isChecked()) << button;
        EXPECT_EQ(state().view.ScanHold, 1) << "hiding rebuilds nothing";
        choose(check);
        EXPECT_TRUE(item(check)->isChecked()) << "the menu item does the same";
    }
}

TEST_F(MainWindow, ViewCommandsAndScanHold)
{
    const struct {
        const char *item;
        std::int16_t holdBefore, mode, holdAfter;
    } cases[] = {
        {"ViewLVDTs", 0, ViewState::ShowLVDTs, 0},
        {"ViewLVDTs", 2, ViewState::ShowLVDTs, 2},
        {"ViewChannels", 0, ViewState::ShowChannels, 0},
        {"ViewChannels", 2, ViewState::ShowChannels, 1},
        {"ViewAnalogs", 1, ViewState::ShowAnalogs, 0},
    };
    for (const auto &c : cases) {
        state().view.ScanHold = c.holdBefore;
        choose(c.item);
        EXPECT_EQ(state().view.DisplayMode, c.mode) << c.item;
        EXPECT_EQ(state().view.ScanHold, c.holdAfter) << c.item << " from " << c.holdBefore;
    }
}

// A group counts once it holds a channel (the selection it opens then:
// displays_formmain.cpp).
TEST_F(MainWindow, ViewGroupWithoutAGroupHoldingAChannel)
{
    group &g = state().Groups.Add(std::make_unique<group>());
    state().view.DisplayMode = ViewState::ShowAnalogs;
    state().view.ScanHold = 1; // held by something else
    choose("ViewGroups");
    EXPECT_THAT(boxes.shown, ElementsAre(FieldsAre("No groups exist", "QMXSRV", _, _)));
    EXPECT_EQ(state().view.DisplayMode, ViewState::ShowAnalogs);
    EXPECT_EQ(state().view.ScanHold, 1);
    EXPECT_FALSE(form().CheckForAnyGroups());
    g.AddChannel(3);
    EXPECT_TRUE(form().CheckForAnyGroups());
}

TEST_F(MainWindow, ResetAndUpdate)
{
    press("CommandResetMM");
    EXPECT_THAT(takeCalls(), ElementsAre("QmxResetMM()"));

    choose("UpdateToggle");
    EXPECT_FALSE(item("UpdateToggle")->isChecked());
    EXPECT_FALSE(state().view.UpdateEnabled);
    choose("NewFile");
    EXPECT_TRUE(state().view.UpdateEnabled) << "File > New switches it on, whatever the item";
    EXPECT_FALSE(item("UpdateToggle")->isChecked());
    choose("UpdateToggle");
    EXPECT_TRUE(state().view.UpdateEnabled);
    EXPECT_TRUE(item("UpdateToggle")->isChecked());
}

TEST_F(MainWindow, FileCommandsCancelledThenAnswered)
{
    const std::string files = dir.listing();
    choose("OpenFile");
    choose("SaveAsFile");
    choose("SaveFile");
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
    EXPECT_THAT(takeCalls(), IsEmpty()) << "nothing loaded";
    EXPECT_EQ(dir.listing(), files) << "nothing written";
    EXPECT_EQ(form().windowTitle(), "QMX-X1");

    choose("NewFile");
    EXPECT_EQ(state().view.SetupFileName, "new.qmx");
    EXPECT_EQ(form().windowTitle(), "QMX-X1 [new.qmx]");
    EXPECT_EQ(takeCalls().size(), 8u * 3 + 4 * 2 + 2 * 2) << "every object to its defaults";

    // Save As, then Open, with the dialogs answered.
    const std::string path = dir.file("bore.qmx");
    state().Channels.Item(2).setFormula("T1-T2");
    state().Channels.Item(2).InUse = true;
    dialogs.answerNext(path);
    choose("SaveAsFile");
    EXPECT_EQ(state().view.SetupFileName, path);
    EXPECT_FALSE(state().view.SetupModified);
    EXPECT_EQ(form().windowTitle(), "QMX-X1 [new.qmx]") << "saving keeps the title";
    choose("NewFile");
    dialogs.answerNext(path);
    board.clearTraffic();
    choose("OpenFile");
    EXPECT_TRUE(board.receivedInOrder({"QmxDefineChannel(2, \"T1-T2\")"}));
    EXPECT_EQ(state().Channels.Item(2).Formula(), "T1-T2");
    EXPECT_EQ(form().windowTitle().toStdString(), "QMX-X1 [" + path + "]");
}

TEST_F(MainWindow, ExitWithTheSavePromptCancelledThenAnsweredYes)
{
    state().view.SetupModified = true;
    boxes.answerNext(Answer::Cancel);
    EXPECT_FALSE(form().close());
    EXPECT_TRUE(form().isVisible());
    EXPECT_THAT(boxes.shown,
                ElementsAre(FieldsAre("Setup has been modified\rSave changes", "QMXSRV",
                                      Buttons::YesNoCancel, Icon::Question)));
    EXPECT_FALSE(std::filesystem::exists(dir.file("qmxsrv.ini")));
    EXPECT_THAT(dialogs.asked, IsEmpty());

    // File > Exit has written the file (14 lines) before it asks.
    boxes.answerNext(Answer::Cancel);
    choose("ExitProgram");
    EXPECT_TRUE(form().isVisible());
    EXPECT_EQ(settingsFile(), settingsText(state().settings, false));

    // Yes saves the setup; the exit leaves the 15-line file.
    dialogs.answerNext(dir.file("last.qmx"));
    choose("ExitProgram");
    EXPECT_FALSE(form().isVisible());
    EXPECT_FALSE(control<QTimer>(&form(), "Timer1")->isActive());
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].kind, ScriptedFileDialogs::Kind::Save);
    EXPECT_TRUE(std::filesystem::exists(dir.file("last.qmx")));
    EXPECT_EQ(settingsFile(), settingsText(state().settings, true));
}

// A stop signal: nobody can be asked, so the unsaved setup goes to the first
// free recovery name (never over a file, nor through a link, that is there)
// and qmxsrv.ini is written as the close writes it.
TEST_F(MainWindow, AStopFromOutsideKeepsTheUnsavedSetupAndTheSettings)
{
    const std::string operatorFile = dir.file("recovered.qmx");
    writeFile(operatorFile, "the operator's own");
    writeFile(dir.file("recovered-2.qmx"), "an earlier recovery");
    std::filesystem::create_symlink(dir.file("elsewhere.qmx"), dir.file("recovered-3.qmx"));
    state().view.SetupFileName = operatorFile;
    state().view.SetupModified = true;
    const std::string unsaved = setupText(state());

    ScriptedMessageBoxes console;
    form().stopFromOutside(console);

    const std::string recovery = dir.file("recovered-4.qmx");
    EXPECT_EQ(readFile(recovery), unsaved);
    EXPECT_EQ(readFile(operatorFile), "the operator's own");
    EXPECT_EQ(readFile(dir.file("recovered-2.qmx")), "an earlier recovery");
    EXPECT_FALSE(std::filesystem::exists(dir.file("elsewhere.qmx")));
    EXPECT_THAT(console.shown, ElementsAre(FieldsAre("Unsaved setup changes written to " + recovery,
                                                     "QMXSRV", Buttons::Ok, _)));
    EXPECT_THAT(boxes.shown, IsEmpty()) << "nothing asked on the window's boxes";
    EXPECT_TRUE(state().view.SetupModified) << "the operator's file still lacks the changes";
    EXPECT_EQ(settingsFile(), settingsText(state().settings, true));
    EXPECT_FALSE(form().isVisible());
    EXPECT_FALSE(control<QTimer>(&form(), "Timer1")->isActive());
}

// The calibrations for the recovery come from the board: a stop that arrives
// inside a device call (the library's message shown) waits for its end.
TEST_F(MainWindow, AStopDuringADeviceCallWaitsForItsEnd)
{
    ScriptedMessageBoxes console;
    board.answerNextWith(14);
    bool closedInside = true;
    boxes.during = [&] {
        form().stopFromOutside(console);
        closedInside = !form().isVisible() || std::filesystem::exists(dir.file("qmxsrv.ini"));
    };
    press("CommandResetMM");
    EXPECT_FALSE(closedInside);
    EXPECT_TRUE(waitFor([&] { return !form().isVisible(); }));
    EXPECT_EQ(settingsFile(), settingsText(state().settings, true));
    EXPECT_THAT(console.shown, IsEmpty()) << "an unmodified setup needs no recovery";
    EXPECT_FALSE(std::filesystem::exists(dir.file("recovered.qmx")));
}

TEST_F(MainWindow, OpenConversationsCanRefuseTheExit)
{
    choose("NewFile");
    TestClient client(form().liveValues().port());
    ASSERT_TRUE(client.waitConnected());
    ASSERT_TRUE(waitFor([&] { return state().view.DDELinkCount == 1; }));

    state().view.SetupModified = true;
    boxes.answerNext(Answer::No);
    boxes.answerNext(Answer::No);
    EXPECT_FALSE(form().close());
    EXPECT_TRUE(form().isVisible());
    const std::string warning = "Other applications are using this application\r"
                                "Do you really want to exit the application?";
    // The second question is titled with the window's title.
    EXPECT_THAT(boxes.shown,
                ElementsAre(_, FieldsAre(warning, "QMX-X1 [new.qmx]", Buttons::YesNo, _)));
    EXPECT_EQ(settingsFile(), settingsText(state().settings, true)) << "written all the same";
    EXPECT_THAT(dialogs.asked, IsEmpty());

    client.socket.close();
    ASSERT_TRUE(waitFor([&] { return state().view.DDELinkCount == 0; }));
    boxes.shown.clear();
    boxes.answerNext(Answer::No);
    EXPECT_TRUE(form().close());
    EXPECT_EQ(boxes.shown.size(), 1u) << "no conversation, no warning";
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

    // What a client written before readings sees is as it was, byte for
    // byte; the readings only add their two fields at the end.
    choose("ViewChannels");
    form().scanCycle().tick();
    const QStringList first = pushed();
    ASSERT_EQ(first.size(), 8);
    EXPECT_EQ(oldProtocol(first[0]), itemMessage(1, " 0.50000"));
    EXPECT_EQ(oldProtocol(first[7]), itemMessage(8, " 0.00000"));
    EXPECT_EQ(first[0], channelMessage(1, " 0.50000", "0.5", "reject"))
        << "outside the limits of a new channel (all 0)";
    EXPECT_EQ(first[7], channelMessage(8, " 0.00000")) << "no formula, no measurement";
    form().scanCycle().tick();
    EXPECT_THAT(pushed(), IsEmpty());

    board.setProbe(1, -0.25);
    form().scanCycle().tick();
    EXPECT_EQ(oldProtocol(pushed()), QStringList{itemMessage(1, "-0.25000")});
    EXPECT_EQ(form().labelChan().caption(1), "-0.25000");

    // Channels added by a setup get their items at once, empty until shown.
    ASSERT_TRUE(CreateChannels(state(), 10));
    form().UpdateMainDisplay();
    form().scanCycle().tick();
    EXPECT_EQ(form().liveValues().itemCount(), 10);
    const QStringList added = pushed();
    EXPECT_EQ(oldProtocol(added),
              QStringList({itemMessage(9, ""), itemMessage(10, ""), itemMessage(9, " 0.00000"),
                           itemMessage(10, " 0.00000")}));
    ASSERT_EQ(added.size(), 4);
    EXPECT_EQ(added[0], channelMessage(9, "")) << "nothing read yet";

    // The board gone: demonstration mode, whose numbers are no reading.
    board.dieNow();
    form().scanCycle().tick();
    const QStringList demo = pushed();
    ASSERT_EQ(demo.size(), 1) << "the one channel that measured turns untrusted";
    EXPECT_TRUE(demo[0].endsWith(",\"value\":null,\"verdict\":\"invalid\"}"))
        << demo[0].toStdString();
    EXPECT_EQ(form().liveValues().itemReading(1), ChannelReading());
}

// What curl or a spreadsheet reads over HTTP is the text the window shows;
// the status names the board's state and the open setup.
TEST_F(MainWindow, HttpAndStatusTellWhatTheWindowShows)
{
    choose("NewFile");
    state().Channels.Item(1).setFormula("T1");
    board.setProbe(1, 0.5);
    choose("ViewChannels");
    form().scanCycle().tick();
    ASSERT_EQ(form().labelChan().caption(1), " 0.50000");

    QTcpSocket http;
    http.connectToHost(QHostAddress::LocalHost, form().liveValues().port());
    http.write("GET /FormMain/1 HTTP/1.1\r\n\r\n");
    QByteArray response;
    ASSERT_TRUE(waitFor([&] {
        response += http.readAll();
        return response.endsWith("\r\n\r\n 0.50000");
    })) << response.toStdString();

    TestClient client(form().liveValues().port());
    ASSERT_TRUE(client.waitConnected());
    const auto status = [&] {
        return QJsonDocument::fromJson(client.ask("{\"request\":\"status\"}").toUtf8())
            .object()
            .value("status")
            .toObject();
    };
    QJsonObject s = status();
    EXPECT_EQ(s.value("board"), "running");
    EXPECT_EQ(s.value("channels"), 8);
    EXPECT_EQ(s.value("setup"), QString::fromStdString(state().view.SetupFileName));
    EXPECT_FALSE(state().view.SetupFileName.empty());
    board.dieNow();
    form().scanCycle().tick();
    EXPECT_EQ(status().value("board"), "demo");
}

// The board may answer slowly; a client that only reads values must not
// wait for it. The answer to a GET sent while a slow tick is under way
// comes while that tick is still running.
TEST_F(MainWindow, ClientsAreAnsweredWhileTheBoardIsSlow)
{
    state().Channels.Item(1).setFormula("T1");
    board.setProbe(1, 0.5);
    choose("ViewChannels");
    form().scanCycle().tick();
    const quint16 port = form().liveValues().port();
    board.delayRepliesSeconds(0.2); // a tick of eight channels: over a second

    std::atomic<bool> ticking{false}, answeredWhileTicking{false};
    std::string answer;
    std::thread client([&] {
        while (!ticking)
            std::this_thread::yield();
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd, reinterpret_cast<sockaddr *>(&to), sizeof to) == 0) {
            const char request[] = "GET /FormMain/1 HTTP/1.0\r\n\r\n";
            if (::write(fd, request, sizeof request - 1) == ssize_t(sizeof request - 1)) {
                char buffer[512];
                for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;)
                    answer.append(buffer, std::size_t(got));
            }
        }
        answeredWhileTicking = ticking.load();
        ::close(fd);
    });
    ticking = true;
    form().scanCycle().tick();
    ticking = false;
    client.join();
    board.delayRepliesSeconds(0);
    EXPECT_TRUE(answeredWhileTicking) << "the answer waited for the board";
    EXPECT_THAT(answer, ::testing::EndsWith("\r\n\r\n 0.50000"));
}

TEST_F(MainWindow, TickDuringTheLibrarysMessageIsSkipped)
{
    choose("ViewChannels");
    board.answerNextWith(14);
    int captions = -1;
    boxes.during = [&] {
        form().scanCycle().tick();
        captions = form().labelChan().caption(1).size();
    };
    press("CommandResetMM");

    EXPECT_THAT(boxes.shown, ElementsAre(FieldsAre(_, _, _, Icon::Exclamation)))
        << "the library's own message";
    EXPECT_EQ(captions, 0) << "no channel was shown";
    EXPECT_THAT(takeCalls(), ElementsAre("QmxResetMM()"));
    EXPECT_EQ(state().device().refusedCalls(), 0) << "the tick did not even try";

    form().scanCycle().tick();
    EXPECT_EQ(takeCalls().size(), 8u);
}

} // namespace
