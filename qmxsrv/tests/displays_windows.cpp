// The bar-graph and numeric windows standalone on the simulated board: what
// each mode puts into them, the one-bar redraw of the scan, the bar family
// following the count, the places kept per mode. (Their double clicks and
// the group selection, through the main window: dialogs_wired.cpp and
// displays_formmain.cpp.)
#include "dialogs_support.h"

#include "core/setupfile.h"
#include "formgriddisplay.h"
#include "formlingage.h"

#include <QPointer>
#include <QTableWidget>

using namespace qmxsrv;
using namespace qmxtest;

namespace {

class Windows : public Standalone {
protected:
    // The main window's rebuild: the numeric window first.
    void showMode(std::int16_t mode)
    {
        state.view.DisplayMode = mode;
        grid.UpdateGridDisplay();
        bars.UpdateBarDisplay();
    }
    QString cell(int row, int column) const
    {
        const QTableWidgetItem *item = grid.GridView().item(row, column);
        return item ? item->text() : QString();
    }
    std::vector<std::string> column0() const
    {
        std::vector<std::string> texts;
        for (int row = 0; row < grid.GridView().rowCount(); ++row)
            texts.push_back(cell(row, 0).toStdString());
        return texts;
    }

    FormLinGage bars{state, window};
    FormGridDisplay grid{state, window};
};

class BarWindow : public Windows {
protected:
    BarWindow() { useCounts(30, 4, 3); }
};

class GridWindow : public Windows {
protected:
    GridWindow() { useCounts(8, 3, 2); }
};

TEST_F(BarWindow, EachModeGivesItsTitleCaptionsScalesAndMarks)
{
    channel &c = state.Channels.Item(7);
    c.Description = "Bore diameter test"; // 18 characters, first blank at 5
    c.BarDisplayBot = -0.2f, c.BarDisplayTop = 0.3f;
    c.LoTol = -0.05f, c.LoAppr = -0.03f, c.HiAppr = 0.02f, c.HiTol = 0.04f;
    c.Decimals = 4;
    state.LVDTs.Item(2).Description = "Probe two";
    state.LVDTs.Item(2).setFullScale(0.04f);
    state.Analogs.Item(3).setFullScale(10.0f);
    state.settings.SystemDecimals = 2;
    addGroup("Bore", {9, 7});

    struct Scale {
        float bottom, top;
        std::int16_t decimals;
        float marks[4];
        double length, thickness;
    };
    const Scale channel7{-0.2f, 0.3f, 4, {-0.05f, -0.03f, 0.02f, 0.04f}, 0.85, 0.01};
    const Scale lvdt2{-0.04f, 0.04f, 2, {-0.04f, -0.04f, 0.04f, 0.04f}, 1, 0};
    const Scale analog3{-10, 10, 2, {-10, -10, 10, 10}, 1, 0};
    const struct {
        std::int16_t mode, group;
        int bars, bar; // the bar looked at, from 1
        const char *title, *caption;
        Scale scale;
    } cases[] = {
        {2, 0, 30, 7, "Display Channels", "Bore ", channel7},
        {1, 1, 2, 2, "Display Group Bore", "Bore ", channel7},
        {3, 0, 4, 2, "Display LVDTs", "Probe two", lvdt2},
        {4, 0, 3, 3, "Display Analogs", "Analog  3", analog3},
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(k.title);
        state.view.CurrentGroup = k.group;
        showMode(k.mode);
        EXPECT_EQ(bars.windowTitle().toStdString(), k.title);
        EXPECT_EQ(bars.TotalNumberOfBars, k.bars);
        BarGauge &b = *bars.bar(k.bar - 1);
        const Scale &want = k.scale;
        EXPECT_EQ(b.caption().toStdString(), k.caption);
        EXPECT_EQ(std::pair(b.scaleBottom(), b.scaleTop()), std::pair(want.bottom, want.top));
        EXPECT_EQ(std::pair(b.rangeBottom(), b.rangeTop()), std::pair(want.bottom, want.top));
        EXPECT_FLOAT_EQ(b.tickSpacing(), (want.top - want.bottom) / 10);
        EXPECT_EQ(b.decimals(), want.decimals);
        EXPECT_EQ(b.selectedMark(), 0); // the scan moves the pointer mark
        for (std::int16_t m = 1; m <= 4; ++m) {
            SCOPED_TRACE(m);
            b.setSelectedMark(m);
            EXPECT_EQ(b.markPosition(), want.marks[m - 1]);
            EXPECT_EQ(b.markLength(), want.length);
            EXPECT_EQ(b.markThickness(), want.thickness);
        }
        b.setSelectedMark(0);
        EXPECT_TRUE(b.redraw());
    }
}

TEST_F(BarWindow, WithoutItemsNothingIsShownAndTheTitleHasNoGroup)
{
    addGroup("Empty", {});
    const struct {
        std::int16_t group;
        const char *title;
    } cases[] = {{1, "Display Group Empty"}, {0, "Display Group "}, {5, "Display Group "}};
    show(bars);
    showMode(2);
    for (const auto &k : cases) {
        SCOPED_TRACE(k.group);
        state.view.CurrentGroup = k.group;
        state.view.DisplayMode = ViewState::ShowGroup;
        bars.UpdateBarDisplay();
        EXPECT_EQ(bars.windowTitle().toStdString(), k.title);
        EXPECT_EQ(bars.TotalNumberOfBars, 0);
        ASSERT_EQ(bars.barsCreated(), 1); // the template stays
        EXPECT_FALSE(bars.bar(0)->isVisible());
        bars.SetBarValue(1, 0.5f); // a late value of the earlier mode
        EXPECT_EQ(bars.bar(0)->value(), 0);
    }
}

TEST_F(BarWindow, SetBarValueMovesAndRedrawsItsBarOnly)
{
    showMode(2);
    show(bars);
    QTest::qWait(50);
    std::vector<int> before;
    for (int k = 0; k < 30; ++k)
        before.push_back(bars.bar(k)->paintCount());
    const float hiTol = bars.bar(2)->markPositionOf(4);

    bars.SetBarValue(3, 0.25f);
    for (std::int16_t outside : {0, -1, 31})
        bars.SetBarValue(outside, 9.0f);
    (void)QTest::qWaitFor([&] { return bars.bar(2)->paintCount() > before[2]; }, 2000);
    QTest::qWait(50);

    EXPECT_EQ(bars.bar(2)->value(), 0.25f);
    EXPECT_EQ(bars.bar(2)->markPositionOf(0), 0.25f);
    EXPECT_EQ(bars.bar(2)->markPositionOf(4), hiTol) << "the limits stay";
    for (int k = 0; k < 30; ++k)
        EXPECT_EQ(bars.bar(k)->paintCount() - before[std::size_t(k)], k == 2 ? 1 : 0)
            << "bar " << k;
}

TEST_F(BarWindow, BarsAreMadeAndDestroyedOnlyWhenTheCountChanges)
{
    bars.bar(0)->setScaleFontSize(7); // a setting of the template's own
    showMode(2);
    std::vector<QPointer<BarGauge>> at30;
    for (int k = 0; k < 30; ++k)
        at30.emplace_back(bars.bar(k));

    showMode(2); // a rebuild at the same count keeps every bar
    for (int k = 0; k < 30; ++k)
        EXPECT_EQ(bars.bar(k), at30[std::size_t(k)].data());

    CreateChannels(state, 12);
    showMode(2);
    ASSERT_EQ(bars.barsCreated(), 12);
    for (int k = 0; k < 30; ++k)
        EXPECT_EQ(at30[std::size_t(k)].isNull(), k >= 12) << "bar " << k;

    CreateChannels(state, 30);
    showMode(2);
    ASSERT_EQ(bars.barsCreated(), 30);
    for (int k = 0; k < 30; ++k) {
        EXPECT_EQ(bars.bar(k)->index(), k);
        if (k < 12) {
            EXPECT_EQ(bars.bar(k), at30[std::size_t(k)].data());
        }
        EXPECT_EQ(bars.bar(k)->scaleFontSize(), 7);
        EXPECT_TRUE(bars.bar(k)->readoutVisible());
    }
}

// Each window's place per mode, in twips (at 96 dpi a pixel is 15), stored
// on deactivation and put back on a rebuild; through a setup file too.
TEST_F(BarWindow, PlacesAreKeptPerModeAndGoThroughTheSetupFile)
{
    addGroup("Bore", {1, 2});
    QWidget mainWindow; // what the operator turns to
    mainWindow.show();
    show(bars);
    show(grid);
    ASSERT_EQ(bars.logicalDpiY(), 96);
    const struct {
        std::int16_t mode;
        WindowPlace bar, grid;
    } places[] = {
        {2, {1500, 3000, 4500, 6000}, {3000, 1500, 6000, 4500}},
        {3, {300, 600, 3000, 9000}, {600, 300, 3150, 3000}},
        {4, {450, 750, 3150, 7500}, {750, 450, 4500, 6000}},
        {1, {1200, 150, 6000, 3000}, {150, 1200, 3000, 6000}},
    };
    state.view.CurrentGroup = 1;
    for (const auto &p : places) {
        showMode(p.mode);
        bars.setPlace(p.bar);
        grid.setPlace(p.grid);
        activate(bars);
        activate(grid);       // the bar window's place is stored now
        activate(mainWindow); // and the numeric window's
    }
    const WindowGeometry stored[] = {state.ChannelWindows, state.LvdtWindows, state.AnalogWindows,
                                     state.Groups.Item(1).windows()};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(stored[i].Bar, places[i].bar) << "mode " << places[i].mode;
        EXPECT_EQ(stored[i].Grid, places[i].grid) << "mode " << places[i].mode;
    }

    state.view.SetupFileName = dir.file("places.qmx");
    ASSERT_TRUE(SaveSetupFile(state));
    NewSetup(state, window);
    state.ChannelWindows = state.LvdtWindows = state.AnalogWindows = {};
    bars.setPlace({0, 0, 1500, 1500});
    grid.setPlace({0, 0, 3000, 3000});
    state.view.SetupFileName = dir.file("places.qmx");
    LoadSetupFile(state, window);
    EXPECT_TRUE(messages().empty());
    for (const auto &p : places) {
        showMode(p.mode);
        EXPECT_EQ(bars.place(), p.bar) << "mode " << p.mode;
        EXPECT_EQ(grid.place(), p.grid) << "mode " << p.mode;
        EXPECT_EQ(grid.GridView().geometry(), grid.rect()) << "the table covers the client area";
    }
}
TEST_F(BarWindow, APlaceSetBeforeTheWindowIsFramedGetsItsOuterSize)
{
    state.ChannelWindows.Bar = {1500, 3000, 4500, 6000};
    showMode(2); // restored while the window has never been shown
    show(bars);
    EXPECT_EQ(bars.place(), state.ChannelWindows.Bar);
    EXPECT_EQ(bars.frameGeometry(), QRect(200, 100, 400, 300));
    EXPECT_LT(bars.width(), 400); // the client area is inside the frame

    bars.move(3000, 10); // 45000 twips: beyond 16 bits
    EXPECT_EQ(bars.place().Left, 32767);
}

TEST_F(GridWindow, RowsTitleAndHeadingByMode)
{
    state.Channels.Item(2).Description = "Bore diameter test"; // whole, unlike on a bar
    addGroup("Bore", {7, 2});
    const struct {
        std::int16_t mode;
        const char *title;
        std::vector<std::string> rows;
    } cases[] = {
        {2,
         "Channels",
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
    EXPECT_EQ(cell(3, 1), " 0.01230");
    for (int row : {0, 1, 8})
        EXPECT_EQ(cell(row, 1), "");
    EXPECT_EQ(cell(3, 2), "");
    for (int column : {0, 1, 2}) // 1400 and 1000 twips at 96 dpi
        EXPECT_EQ(grid.GridView().columnWidth(column), column == 0 ? 93 : 67) << column;
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

} // namespace
