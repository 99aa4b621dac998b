// The display windows as the operator reaches them, through the main window
// on the simulated board: its Bars and Numbers buttons and View menu, the
// scan filling both windows, the group selection, the close boxes and the
// exit.
#include "core_support.h"

#include "core/group.h"
#include "core/messageboxes.h"
#include "core/programstate.h"
#include "formgriddisplay.h"
#include "formlingage.h"
#include "mainwindow/formmain.h"
#include "mainwindow/program.h"
#include "platform/scriptedfiledialogs.h"

#include <qmxboard.h>

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace qmxsrv;

namespace {

class Operator : public ::testing::Test {
protected:
    Operator()
    {
        ::setenv("QMX_PORTS", "sim", 1);
        board.reset(qmxboard::Start::Running);
        board.freeze();
        qmxtest::writeFile(dir.file("qmxsrv.ini"), "MaxChannel=12\r\nMaxLVDT=4\r\nMaxAnalog=2\r\n");
        StartOptions options;
        options.programFolder = QString::fromStdString(dir.path());
        EXPECT_EQ(program.Main(options), Program::Started::Running);
    }

    ProgramState &state() { return program.state(); }
    FormMain &form() { return program.window(); }
    void menu(const char *name) { form().findChild<QAction *>(QLatin1String(name))->trigger(); }
    bool checked(const char *name)
    {
        return form().findChild<QAction *>(QLatin1String(name))->isChecked();
    }
    void click(const char *button)
    {
        QTest::mouseClick(form().findChild<QPushButton *>(QLatin1String(button)), Qt::LeftButton);
    }
    template <typename W> W *window()
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *found = qobject_cast<W *>(w))
                return found;
        return nullptr;
    }
    FormLinGage &bars() { return *window<FormLinGage>(); }
    FormGridDisplay &grid() { return *window<FormGridDisplay>(); }
    QString cell(int row, int column)
    {
        const QTableWidgetItem *item = grid().GridView().item(row, column);
        return item ? item->text() : QString();
    }
    void showBoth()
    {
        click("CommandBarGraphs");
        click("CommandNumbers");
        ASSERT_NE(window<FormLinGage>(), nullptr);
        ASSERT_NE(window<FormGridDisplay>(), nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&bars()));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid()));
    }
    qmxboard::Control board;
    ScriptedMessageBoxes boxes;
    ScriptedFileDialogs dialogs;
    qmxtest::TempDir dir;
    Program program{boxes, dialogs};
};

TEST_F(Operator, TheScanFillsBothWindowsInEveryMode)
{
    EXPECT_EQ(window<FormLinGage>(), nullptr); // made on first use
    showBoth();
    EXPECT_TRUE(checked("EnableBarGraphs"));
    EXPECT_TRUE(checked("EnableGrid"));

    // After start-up the LVDTs are shown; a channel with formula T2 * 2.
    board.setProbe(2, 0.0125);
    state().Channels.Item(5).setFormula("T2*2");
    state().Channels.Item(5).Decimals = 3;
    const struct {
        const char *command;
        const char *barTitle, *gridTitle;
        int count, row;
        float value;
        const char *text;
    } modes[] = {
        {"ViewLVDTs", "Display LVDTs", "LVDTs", 4, 2, 0.0125f, " 0.01250"},
        {"ViewChannels", "Display Channels", "Channels", 12, 5, 0.025f, " 0.025"},
        {"ViewAnalogs", "Display Analogs", "Analogs", 2, 1, 0.0f, " 0.00000"},
    };
    for (const auto &m : modes) {
        SCOPED_TRACE(m.command);
        menu(m.command);
        QMetaObject::invokeMethod(form().findChild<QTimer *>("Timer1"), "timeout");
        EXPECT_EQ(bars().windowTitle().toStdString(), m.barTitle);
        EXPECT_EQ(grid().windowTitle().toStdString(), m.gridTitle);
        EXPECT_EQ(bars().TotalNumberOfBars, m.count);
        EXPECT_EQ(grid().GridView().rowCount(), m.count + 1);
        EXPECT_FLOAT_EQ(bars().bar(m.row - 1)->value(), m.value);
        EXPECT_EQ(cell(m.row, 1).toStdString(), m.text);
    }
}

TEST_F(Operator, TheChosenGroupIsShownInBothWindows)
{
    for (const char *name : {"Bore", "Face"}) {
        auto g = std::make_unique<group>();
        g->SetDefaults(std::int16_t(state().Groups.Count() + 1));
        g->Description = name;
        g->AddChannel(9);
        g->AddChannel(4);
        state().Groups.Add(std::move(g));
    }
    state().Channels.Item(4).Description = "Face runout";
    showBoth();
    QTimer::singleShot(0, [] {
        auto *list = QApplication::activeModalWidget()->findChild<QListWidget *>("ListGroups");
        const QPoint first = list->visualItemRect(list->item(0)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, first);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, first);
    });
    menu("ViewGroups");
    EXPECT_EQ(state().view.CurrentGroup, 1);
    EXPECT_EQ(state().view.ScanHold, 0);
    EXPECT_EQ(bars().windowTitle().toStdString(), "Display Group Bore");
    EXPECT_EQ(grid().windowTitle().toStdString(), "Group: Bore");
    EXPECT_EQ(bars().TotalNumberOfBars, 2);
    EXPECT_EQ(bars().bar(1)->caption().toStdString(), "Face ");
    EXPECT_EQ(cell(0, 0).toStdString(), "Bore");
    EXPECT_EQ(cell(2, 0).toStdString(), "Face runout");
}

TEST_F(Operator, CloseBoxesHideAndTheExitUnloads)
{
    showBoth();
    bars().close(); // the window's close box
    EXPECT_FALSE(bars().isVisible());
    EXPECT_FALSE(checked("EnableBarGraphs"));
    grid().close();
    EXPECT_FALSE(grid().isVisible());
    EXPECT_FALSE(checked("EnableGrid"));
    click("CommandBarGraphs");
    EXPECT_TRUE(bars().isVisible());

    menu("ExitProgram");
    EXPECT_FALSE(form().isVisible());
    EXPECT_FALSE(bars().isVisible());
    EXPECT_TRUE(checked("EnableBarGraphs")); // unloaded, not the operator's close
}

} // namespace
