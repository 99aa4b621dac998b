// Zero and Master as the operator runs them: from the main window's buttons
// and menus, against master pieces put on the simulated board's probes, with
// the main window's own scan timer feeding the dialog's live value.
#include "mainwindow_support.h"
#include "mastering_support.h"

#include "core/messageboxes.h"
#include "core/programstate.h"
#include "dialogs/formaboutqmxsrv.h"
#include "dialogs/formmastering.h"
#include "mainwindow/formmain.h"
#include "mainwindow/program.h"
#include "platform/scriptedfiledialogs.h"
#include "platform/spinbutton.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <functional>

namespace {

using namespace qmxsrv;
using qmxtest::click;
using qmxtest::shown;

class MasteringFromMainWindow : public ::testing::Test {
protected:
    void start(bool frozen, const std::string &setup = "")
    {
        qmxtest::writeFile(dir.file("qmxsrv.ini"), "MaxChannel=4\r\nMaxLVDT=4\r\nMaxAnalog=1\r\n");
        StartOptions options = qmxtest::startIn(dir);
        board.freeze(frozen);
        options.commandLine = setup;
        ASSERT_EQ(program.Main(options), Program::Started::Running);
    }
    ProgramState &state() { return program.state(); }
    channel &ch(int n) { return state().Channels.Item(n); }
    QAction *menuItem(const char *name) { return program.window().findChild<QAction *>(name); }

    // Opens a modal dialog with `open`, runs `operate` inside it, closes it.
    template <typename Dialog>
    void inDialog(const std::function<void()> &open, const std::function<void(Dialog &)> &operate,
                  const char *closeButton)
    {
        QTimer::singleShot(0, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *d = qobject_cast<Dialog *>(modal)) {
                operate(*d);
                click(*d, closeButton);
            } else if (modal) {
                ADD_FAILURE() << "another dialog opened";
                modal->close();
            }
        });
        open();
    }
    void mastering(const char *item, const std::function<void(FormMastering &)> &operate)
    {
        inDialog<FormMastering>([&] { menuItem(item)->trigger(); }, operate, "CommandDone");
    }
    // The master piece is in: wait for a scan tick to read the channel, then
    // the step button.
    void takeReading(FormMastering &d)
    {
        const std::string read = "QmxReadChannel(" + shown(d, "TextMasterChannel") + ")";
        board.clearTraffic();
        EXPECT_TRUE(QTest::qWaitFor([&] { return qmxtest::sent(board.calls(), read); }, 5000));
        click(d, "CommandMaster");
    }

    qmxboard::Control board;
    ScriptedMessageBoxes boxes;
    ScriptedFileDialogs dialogs;
    qmxtest::TempDir dir;
    Program program{boxes, dialogs};
};

TEST_F(MasteringFromMainWindow, ZeroAndMasterAChannelAgainstMasterPieces)
{
    start(true);
    ch(1).setFormula("T1");
    ch(1).Decimals = 4;
    ch(1).UseTwoMasters = true;
    ch(1).Master1 = 24.99f;
    ch(1).Master2 = 25.01f;

    auto *zeroButton = program.window().findChild<QPushButton *>("CommandZero");
    inDialog<FormMastering>([&] { QTest::mouseClick(zeroButton, Qt::LeftButton); },
                            [&](FormMastering &d) {
                                EXPECT_EQ(d.windowTitle().toStdString(), "Zero Channels");
                                board.setProbe(1, 24.9937);
                                takeReading(d);
                                qmxtest::expectShown(d, {{"TxtM1", " 24.9937"},
                                                         {"TxtIntercept", "-0.0037"},
                                                         {"LblInstruction", "Zero completed."}});
                            },
                            "CommandDone");
    EXPECT_EQ(state().live.MasteringChannel, 0);
    EXPECT_FLOAT_EQ(qmxtest::boardReading(board, 1, 24.9937), 24.99f);
    EXPECT_FLOAT_EQ(board.state().channels[0].scale, 1.0f);

    board.clearTraffic();
    mastering("MasterChannel", [&](FormMastering &d) {
        EXPECT_EQ(shown(d, "TextMasterChannel"), "1");
        board.setProbe(1, 24.9812);
        takeReading(d);
        EXPECT_EQ(shown(d, "LblInstruction"), "Insert Master 2:  25.0100");
        board.setProbe(1, 25.0233);
        takeReading(d);
        EXPECT_EQ(shown(d, "LblInstruction"), "Mastering completed.");
    });
    const std::vector<std::string> w = qmxtest::writes(board.calls());
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0].rfind("QmxSetCzero(1, ", 0), 0u);
    EXPECT_EQ(w[1].rfind("QmxSetCscale(1, ", 0), 0u);
    EXPECT_FLOAT_EQ(qmxtest::boardReading(board, 1, 24.9812), 24.99f);
    EXPECT_FLOAT_EQ(qmxtest::boardReading(board, 1, 25.0233), 25.01f);
    EXPECT_TRUE(state().view.SetupModified);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(MasteringFromMainWindow, ZeroAndMasterWalkThroughTheDemoSetup)
{
    start(false, QMX_DEMO_SETUP);
    const int channels = state().Channels.Count();
    ASSERT_GT(channels, 1);
    // Master 1 and, 0.02 larger, master 2 on the bore probes.
    const auto bore = [&](double d) {
        for (int t = 1; t <= 4; ++t)
            board.setProbe(t, d / 2);
    };
    for (const char *item : {"ZeroChannel", "MasterChannel"}) {
        mastering(item, [&](FormMastering &d) {
            for (int n = 1; n <= channels; ++n) {
                SCOPED_TRACE(std::string(item) + " channel " + std::to_string(n));
                EXPECT_EQ(shown(d, "TextMasterChannel"), std::to_string(n));
                if (!d.findChild<QWidget *>("CommandMaster")->isEnabled()) {
                    QTest::mouseClick(d.findChild<SpinButton *>()->upArrow(), Qt::LeftButton);
                    continue;
                }
                bore(ch(n).Master1);
                takeReading(d);
                if (d.step() == FormMastering::WaitMaster2) {
                    bore(ch(n).Master2);
                    takeReading(d);
                }
                EXPECT_EQ(d.step(), FormMastering::ChannelDone) << shown(d, "LblInstruction");
                click(d, "CommandMaster");
            }
        });
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(MasteringFromMainWindow, AboutFromItsMenuOnABoardThatWasAlreadyRunning)
{
    start(true);
    inDialog<FormAboutQMXSRV>(
        [&] { menuItem("AboutQMXSRV")->trigger(); },
        [](FormAboutQMXSRV &box) {
            EXPECT_EQ(box.windowTitle().toStdString(), "About");
            // Each line ends with character 13, shown as a line break.
            qmxtest::expectShown(
                box, {{"LabelFirmware", "QMX-X1 Firmware\nFile: Rdx44k.bin\nVersion: \n"},
                      {"LabelDLL", "Qmxcom32.dll\nVersion: 1.00\n"}});
            const std::string program = shown(box, "LabelDescription");
            EXPECT_EQ(program.rfind("Qmxsrv program\nVersion 1.0\n", 0), 0u);
            EXPECT_EQ(std::count(program.begin(), program.end(), '\n'), 4);
            EXPECT_FALSE(box.findChild<QLabel *>("Picture1")->pixmap().isNull());
        },
        "CommandOK");
}

} // namespace
