// The numeric window on the simulated board: rows and headings by mode, the
// value column, CurrentGroup brought into range, the table over the whole
// client area, its place, and the double click on a row.
#include "displays_support.h"

#include <QTableWidget>

using namespace qmxsrv;
using qmxtest::Displays;

namespace {

class GridWindow : public Displays {
protected:
    GridWindow() { useCounts(8, 3, 2); }

    QString text(int row, int column) const
    {
        const QTableWidgetItem *item = grid.GridView().item(row, column);
        return item ? item->text() : QString();
    }
    std::vector<std::string> column0() const
    {
        std::vector<std::string> texts;
        for (int row = 0; row < grid.GridView().rowCount(); ++row)
            texts.push_back(text(row, 0).toStdString());
        return texts;
    }
};

TEST_F(GridWindow, RowsTitleAndHeadingByMode)
{
    state.Channels.Item(2).Description = "Bore diameter test"; // whole, unlike on a bar
    addGroup("Bore", {7, 2});
    const struct {
        std::int16_t mode;
        const char *title;
        std::vector<std::string> rows;
    } cases[] = {
        {2, "Channels",
         {"Channel", "Channel 1", "Bore diameter test", "Channel 3", "Channel 4", "Channel 5",
          "Channel 6", "Channel 7", "Channel 8"}},
        {3, "LVDTs", {"LVDT", "Lvdt 1", "Lvdt 2", "Lvdt 3"}},
        {4, "Analogs", {"Analog Inputs", "Analog  1", "Analog  2"}},
        {1, "Group: Bore", {"Bore", "Channel 7", "Bore diameter test"}},
    };
    state.view.CurrentGroup = 1;
    for (const auto &k : cases) {
        SCOPED_TRACE(k.title);
        showMode(k.mode);
        EXPECT_EQ(grid.windowTitle().toStdString(), k.title);
        EXPECT_EQ(grid.GridView().columnCount(), 3);
        EXPECT_EQ(column0(), k.rows);
        EXPECT_EQ(grid.TotalNumberOfNumerics, int(k.rows.size()) - 1);
    }
    // Values go to column 1 of their row; a rebuild leaves them to the scan.
    showMode(2);
    grid.SetGridValue(3, " 0.01230");
    for (std::int16_t outside : {0, -2, 9})
        grid.SetGridValue(outside, "x");
    showMode(2);
    EXPECT_EQ(column0(), cases[0].rows);
    EXPECT_EQ(text(3, 1), " 0.01230");
    for (int row : {0, 1, 8})
        EXPECT_EQ(text(row, 1), "");
    EXPECT_EQ(text(3, 2), "");
    // 1400 and 1000 twips at 96 dpi.
    EXPECT_EQ(grid.GridView().columnWidth(0), 93);
    EXPECT_EQ(grid.GridView().columnWidth(1), 67);
    EXPECT_EQ(grid.GridView().columnWidth(2), 67);
}

TEST_F(GridWindow, CurrentGroupIsBroughtIntoRange)
{
    const struct {
        int groups;
        std::int16_t current;
        std::int16_t broughtTo;
        const char *title;
        std::vector<std::string> rows;
    } cases[] = {
        {3, 0, 1, "Group: G1", {"G1", "Channel 1"}},
        {3, 5, 3, "Group: G3", {"G3"}}, // an empty group: its heading only
        {3, 2, 2, "Group: G2", {"G2", "Channel 2", "Channel 3"}},
        {0, 2, 0, "Group: ", {""}},
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(k.current);
        RemoveAllGroups(state);
        const std::vector<std::vector<std::int16_t>> lists = {{1}, {2, 3}, {}};
        for (int g = 0; g < k.groups; ++g)
            addGroup("G" + std::to_string(g + 1), lists[std::size_t(g)]);
        showMode(2); // rows of another mode first
        state.view.CurrentGroup = k.current;
        showMode(1);
        EXPECT_EQ(state.view.CurrentGroup, k.broughtTo);
        EXPECT_EQ(grid.windowTitle().toStdString(), k.title);
        EXPECT_EQ(column0(), k.rows);
    }
}

TEST_F(GridWindow, TheTableCoversTheClientAreaAndThePlaceIsKept)
{
    showMode(3);
    show(grid);
    show(bars);
    for (QSize size : {QSize(300, 500), QSize(120, 90), QSize(640, 200)}) {
        grid.resize(size);
        EXPECT_TRUE(QTest::qWaitFor([&] { return grid.GridView().size() == size; }, 2000));
        EXPECT_EQ(grid.GridView().geometry(), grid.rect());
    }
    // Its place goes to the grid quadruple, and comes back with the table
    // still over the whole client area.
    const WindowPlace lvdtPlace{1500, 3000, 4500, 6000};
    grid.setPlace(lvdtPlace);
    activate(grid);
    activate(bars);
    EXPECT_EQ(state.LvdtWindows.Grid, lvdtPlace);
    showMode(2);
    grid.setPlace({0, 0, 3000, 3000});
    showMode(3);
    EXPECT_EQ(grid.place(), lvdtPlace);
    EXPECT_EQ(grid.GridView().geometry(), grid.rect());
}

TEST_F(GridWindow, ADoubleClickedRowOpensItsItemTheHeadingTheFirst)
{
    showMode(2);
    show(grid);
    const struct {
        int row;
        std::int16_t item;
    } clicks[] = {{0, 1}, {4, 4}};
    for (const auto &c : clicks) {
        main.setups.clear();
        QTableWidget &view = grid.GridView();
        const QPoint cell = view.visualRect(view.model()->index(c.row, 1)).center();
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, cell);
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, cell);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !main.setups.empty(); }, 2000));
        EXPECT_EQ(main.setups, std::vector<std::int16_t>{c.item}) << "row " << c.row;
    }
}

} // namespace
