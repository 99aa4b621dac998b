// The bar-graph window on the simulated board: what each mode puts into the
// bars, the one-bar redraw of the scan, the bar family following the count,
// the places kept per mode, and the double click.
#include "displays_support.h"

#include "core/setupfile.h"
#include "core/setupoperations.h"

#include <QPointer>

using namespace qmxsrv;
using qmxtest::Displays;

namespace {

class BarWindow : public Displays {
protected:
    BarWindow() { useCounts(30, 4, 3); }
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

    const struct {
        std::int16_t mode, group;
        int bars, bar; // the bar looked at, from 1
        const char *title, *caption;
        float bottom, top;
        std::int16_t decimals;
        float marks[4];
        double length, thickness;
    } cases[] = {
        {2, 0, 30, 7, "Display Channels", "Bore ", -0.2f, 0.3f, 4,
         {-0.05f, -0.03f, 0.02f, 0.04f}, 0.85, 0.01},
        {1, 1, 2, 2, "Display Group Bore", "Bore ", -0.2f, 0.3f, 4,
         {-0.05f, -0.03f, 0.02f, 0.04f}, 0.85, 0.01},
        {3, 0, 4, 2, "Display LVDTs", "Probe two", -0.04f, 0.04f, 2,
         {-0.04f, -0.04f, 0.04f, 0.04f}, 1, 0},
        {4, 0, 3, 3, "Display Analogs", "Analog  3", -10, 10, 2, {-10, -10, 10, 10}, 1, 0},
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(k.title);
        state.view.CurrentGroup = k.group;
        showMode(k.mode);
        EXPECT_EQ(bars.windowTitle().toStdString(), k.title);
        EXPECT_EQ(bars.TotalNumberOfBars, k.bars);
        BarGauge &b = *bars.bar(k.bar - 1);
        EXPECT_EQ(b.caption().toStdString(), k.caption);
        EXPECT_EQ(b.scaleBottom(), k.bottom);
        EXPECT_EQ(b.rangeBottom(), k.bottom);
        EXPECT_EQ(b.scaleTop(), k.top);
        EXPECT_EQ(b.rangeTop(), k.top);
        EXPECT_FLOAT_EQ(b.tickSpacing(), (k.top - k.bottom) / 10);
        EXPECT_EQ(b.decimals(), k.decimals);
        EXPECT_EQ(b.selectedMark(), 0); // the scan moves the pointer mark
        for (std::int16_t m = 1; m <= 4; ++m) {
            b.setSelectedMark(m);
            EXPECT_EQ(b.markPosition(), k.marks[m - 1]) << "mark " << m;
            EXPECT_EQ(b.markLength(), k.length) << "mark " << m;
            EXPECT_EQ(b.markThickness(), k.thickness) << "mark " << m;
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

    bars.SetBarValue(3, 0.25f);
    for (std::int16_t outside : {0, -1, 31})
        bars.SetBarValue(outside, 9.0f);
    (void)QTest::qWaitFor([&] { return bars.bar(2)->paintCount() > before[2]; }, 2000);
    QTest::qWait(50);

    EXPECT_EQ(bars.bar(2)->value(), 0.25f);
    EXPECT_EQ(bars.bar(2)->markPositionOf(0), 0.25f);
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

TEST_F(BarWindow, ThePlaceIsKeptPerModeAndGoesThroughTheSetupFile)
{
    addGroup("Bore", {1, 2});
    QWidget mainWindow; // what the operator turns to
    mainWindow.show();
    show(bars);

    // Places in twips; at 96 dpi a pixel is 15 twips.
    ASSERT_EQ(bars.logicalDpiY(), 96);
    const struct {
        std::int16_t mode;
        WindowPlace place;
    } places[] = {
        {2, {1500, 3000, 4500, 6000}},
        {3, {300, 600, 3000, 9000}},
        {4, {450, 750, 3150, 7500}},
        {1, {1200, 150, 6000, 3000}},
    };
    state.view.CurrentGroup = 1;
    for (const auto &p : places) {
        showMode(p.mode);
        bars.setPlace(p.place);
        activate(bars);
        activate(mainWindow); // the bar window's place is stored now
    }
    EXPECT_EQ(state.ChannelWindows.Bar, places[0].place);
    EXPECT_EQ(state.LvdtWindows.Bar, places[1].place);
    EXPECT_EQ(state.AnalogWindows.Bar, places[2].place);
    EXPECT_EQ(state.Groups.Item(1).windows().Bar, places[3].place);

    state.view.SetupFileName = dir.file("places.qmx");
    ASSERT_TRUE(SaveSetupFile(state));
    NewSetup(state, main);
    state.ChannelWindows = state.LvdtWindows = state.AnalogWindows = {};
    bars.setPlace({0, 0, 1500, 1500});
    state.view.SetupFileName = dir.file("places.qmx");
    LoadSetupFile(state, main);
    EXPECT_TRUE(messages().empty());
    for (const auto &p : places) {
        showMode(p.mode);
        EXPECT_EQ(bars.place(), p.place) << "mode " << p.mode;
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

TEST_F(BarWindow, ADoubleClickOnABarOpensTheSetupOfItsItem)
{
    showMode(2);
    show(bars);
    QTest::mouseDClick(bars.bar(2), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !main.setups.empty(); }, 2000));
    EXPECT_EQ(main.setups, std::vector<std::int16_t>{3});
}

} // namespace
