// The display windows as the operator reaches them, through the main window
// on the simulated board: its Bars and Numbers buttons and View menu, the
// scan filling both windows, the group selection, the close boxes and the
// exit.
#include "mainwindow_support.h"

#include "displays/formgriddisplay.h"
#include "displays/formlingage.h"

#include <QTableWidget>

using namespace qmxsrv;
using namespace qmxtest;

namespace {

class Operator : public Running {
protected:
    Operator() { start("MaxChannel=12\r\nMaxLVDT=4\r\nMaxAnalog=2\r\n"); }

    FormLinGage &bars() { return *window<FormLinGage>(); }
    FormGridDisplay &grid() { return *window<FormGridDisplay>(); }
    std::string cell(int row, int column)
    {
        const QTableWidgetItem *item = grid().GridView().item(row, column);
        return item ? item->text().toStdString() : "";
    }
    void showBoth()
    {
        press("CommandBarGraphs");
        press("CommandNumbers");
        ASSERT_NE(window<FormLinGage>(), nullptr);
        ASSERT_NE(window<FormGridDisplay>(), nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&bars()));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid()));
    }
};

TEST_F(Operator, TheScanFillsBothWindowsInEveryMode)
{
    EXPECT_EQ(window<FormLinGage>(), nullptr); // made on first use
    showBoth();
    EXPECT_TRUE(item("EnableBarGraphs")->isChecked());
    EXPECT_TRUE(item("EnableGrid")->isChecked());

    // After start-up the LVDTs are shown; a channel with formula T2 * 2.
    board.setProbe(2, 0.0125);
    state().Channels.Item(5).setFormula("T2*2");
    state().Channels.Item(5).Decimals = 3;
    const struct {
        const char *command;
        int count, row;
        float value;
        const char *text;
    } modes[] = {
        {"ViewLVDTs", 4, 2, 0.0125f, " 0.01250"},
        {"ViewChannels", 12, 5, 0.025f, " 0.025"},
        {"ViewAnalogs", 2, 1, 0.0f, " 0.00000"},
    };
    for (const auto &m : modes) {
        SCOPED_TRACE(m.command);
        choose(m.command);
        QMetaObject::invokeMethod(control<QTimer>(&form(), "Timer1"), "timeout");
        EXPECT_EQ(bars().TotalNumberOfBars, m.count);
        EXPECT_EQ(grid().GridView().rowCount(), m.count + 1);
        EXPECT_FLOAT_EQ(bars().bar(m.row - 1)->value(), m.value);
        EXPECT_EQ(cell(m.row, 1), m.text);
    }
}

// View > Group: the last group selected, OK makes it current, the close box
// keeps the previous one, a double click picks its group.
TEST_F(Operator, TheGroupSelectionAndTheChosenGroupInBothWindows)
{
    for (const char *name : {"Bore", "Face", "Top"}) {
        group &g = state().Groups.Add(std::make_unique<group>());
        g.Description = name;
        g.AddChannel(9);
        g.AddChannel(4);
    }
    state().Channels.Item(4).Description = "Face runout";
    showBoth();
    const struct {
        const char *what;
        void (*answer)(QDialog *);
        std::int16_t current;
    } cases[] = {
        {"OK", [](QDialog *d) { click(d, "CmdOk"); }, 3},
        {"close box", [](QDialog *d) { d->close(); }, 2},
        {"double click", [](QDialog *d) { doubleClick(control<QListWidget>(d, "ListGroups"), 0); },
         1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        state().view.CurrentGroup = 2;
        whenOpen("FormSelectGroup", [&](QDialog *d) {
            EXPECT_EQ(control<QListWidget>(d, "ListGroups")->currentRow(), 2);
            c.answer(d);
        });
        choose("ViewGroups");
        EXPECT_EQ(state().view.CurrentGroup, c.current);
        EXPECT_EQ(state().view.ScanHold, 0);
    }
    EXPECT_EQ(bars().windowTitle().toStdString(), "Display Group Bore");
    EXPECT_EQ(grid().windowTitle().toStdString(), "Group: Bore");
    EXPECT_EQ(bars().TotalNumberOfBars, 2);
    EXPECT_EQ(bars().bar(1)->caption().toStdString(), "Face ");
    EXPECT_EQ(cell(0, 0), "Bore");
    EXPECT_EQ(cell(2, 0), "Face runout");
}

TEST_F(Operator, CloseBoxesHideAndTheExitUnloads)
{
    showBoth();
    bars().close(); // the window's close box
    EXPECT_FALSE(bars().isVisible());
    EXPECT_FALSE(item("EnableBarGraphs")->isChecked());
    grid().close();
    EXPECT_FALSE(grid().isVisible());
    EXPECT_FALSE(item("EnableGrid")->isChecked());
    press("CommandBarGraphs");
    EXPECT_TRUE(bars().isVisible());

    choose("ExitProgram");
    EXPECT_FALSE(form().isVisible());
    EXPECT_FALSE(bars().isVisible());
    EXPECT_TRUE(item("EnableBarGraphs")->isChecked()); // unloaded, not the operator's close
}

} // namespace
