// The bar gauge as the bar-graph window drives it: redraw bracketing, zone
// colours, clipping, activation, copies of the template, broken scales.
#include "bargauge.h"

#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

using namespace qmxsrv;

namespace {

const float NaN = std::numeric_limits<float>::quiet_NaN();
const float Inf = std::numeric_limits<float>::infinity();

class BarGaugeTest : public ::testing::Test {
protected:
    // A gauge in a shown window, as the bar window holds it.
    BarGauge &showGauge()
    {
        window_ = std::make_unique<QWidget>();
        auto *g = new BarGauge(window_.get());
        g->setGeometry(0, 0, 100, 300);
        window_->resize(100, 300);
        window_->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        settle();
        return *g;
    }

    static void settle() { QTest::qWait(30); }

    // Waits for the paints (a loaded machine may be slow), then a little
    // longer, so that a paint too many shows as well.
    static void expectPaints(const BarGauge &g, int expected)
    {
        (void)QTest::qWaitFor([&] { return g.paintCount() >= expected; }, 2000);
        settle();
        EXPECT_EQ(g.paintCount(), expected);
    }

    // As the window configures a channel's bar; by default a scale of
    // -0.1 ... 0.1, tolerance +-0.05, approach +-0.03.
    static void configureChannel(BarGauge &g, float bottom = -0.1f, float top = 0.1f,
                                 float spacing = 0.02f)
    {
        g.setRedraw(false);
        g.setScaleTop(top);
        g.setScaleBottom(bottom);
        g.setRangeBottom(bottom);
        g.setRangeTop(top);
        g.setTickSpacing(spacing);
        const float marks[] = {-0.05f, -0.03f, 0.03f, 0.05f};
        for (std::int16_t m = 1; m <= 4; ++m) {
            g.setSelectedMark(m);
            g.setMarkPosition(marks[m - 1]);
            g.setMarkLength(0.85);
            g.setMarkThickness(0.01);
        }
        g.setSelectedMark(0);
        g.setDecimals(3);
        g.setRedraw(true);
    }

    static void setBarValue(BarGauge &g, float v)
    {
        g.setRedraw(false);
        g.setValue(v);
        g.setMarkPosition(v);
        g.setRedraw(true);
    }

    std::unique_ptr<QWidget> window_;
};

// The window brackets every group of changes with the redraw switch: what
// changes while it is off paints nothing, switching it on paints once (one
// bar of the window only: its SetBarValue test).
TEST_F(BarGaugeTest, RedrawOffRecordsOnlyAndSwitchingItOnPaintsOnce)
{
    BarGauge &g = showGauge();
    const int before = g.paintCount();
    ASSERT_GT(before, 0); // shown, so painted
    g.setRedraw(false);
    g.setCaption(QStringLiteral("Bore "));
    g.setValue(0.02f);
    settle();
    EXPECT_EQ(g.paintCount(), before);
    EXPECT_EQ(g.caption(), QStringLiteral("Bore "));
    g.setRedraw(true);
    expectPaints(g, before + 1);
    configureChannel(g);
    expectPaints(g, before + 2);
}

TEST_F(BarGaugeTest, TheBarIsColouredByTheZoneOfItsValue)
{
    BarGauge &g = showGauge();
    configureChannel(g);
    using Z = BarGauge::Zone;
    const struct {
        float value;
        Z zone;
    } cases[] = {{0.0f, Z::Good},     {0.03f, Z::Good},     {-0.03f, Z::Good},
                 {0.04f, Z::Approach}, {-0.04f, Z::Approach}, {0.05f, Z::Approach},
                 {0.07f, Z::Reject},  {-0.07f, Z::Reject},  {0.3f, Z::Reject},
                 {NaN, Z::Reject}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.value);
        setBarValue(g, c.value);
        EXPECT_EQ(g.zone(), c.zone);
        const QRect bar = g.barRect();
        if (std::isnan(c.value)) {
            EXPECT_TRUE(bar.isEmpty());
            continue;
        }
        // Just above the bar's foot: no mark stands there.
        const QImage image = g.grab().toImage();
        const QPoint probe(bar.center().x(), bar.bottom() - 2);
        EXPECT_EQ(image.pixelColor(probe), BarGauge::zoneColor(c.zone));
    }
}

TEST_F(BarGaugeTest, ValuesBeyondTheRangeAreClippedToIt)
{
    BarGauge &g = showGauge();
    configureChannel(g);
    const QRect track = g.trackRect();
    for (float v : {0.3f, Inf}) {
        setBarValue(g, v);
        EXPECT_EQ(g.barRect().top(), track.top()) << v;
        EXPECT_EQ(g.barRect().bottom(), track.bottom()) << v;
    }
    for (float v : {-0.3f, -Inf}) {
        setBarValue(g, v);
        EXPECT_LE(g.barRect().height(), 1) << v;
    }
    // A deviation bar starts at zero, the middle of this scale.
    g.setBarOrigin(1);
    setBarValue(g, -0.05f);
    EXPECT_NEAR(g.barRect().top(), track.center().y(), 1);
    EXPECT_NEAR(g.barRect().bottom(), track.top() + track.height() * 3 / 4, 1);
}

TEST_F(BarGaugeTest, BrokenScalesNeverHangOrFault)
{
    BarGauge &g = showGauge();
    const struct {
        float bottom, top, spacing, value;
    } cases[] = {
        {5, 5, 0.0001f, 5},       // equal ends
        {0, 10, 0, 3},            // no spacing
        {0, 10, -1, 3},           // negative spacing
        {0, 10, 1, NaN},          // no value
        {10, 0, 0.0001f, 3},      // reversed ends
        {-1e30f, 1e30f, 1e-30f, 0}, // 10^60 ticks
        {NaN, Inf, 1, 3},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.bottom << " " << c.top << " " << c.spacing);
        configureChannel(g, c.bottom, c.top, c.spacing);
        setBarValue(g, c.value);
        EXPECT_FALSE(g.grab().isNull());
        const QRect bar = g.barRect();
        EXPECT_TRUE(bar.isEmpty() || g.trackRect().contains(bar));
    }
}

TEST_F(BarGaugeTest, ADoubleClickReportsTheBarsIndex)
{
    BarGauge &g = showGauge();
    g.setIndex(7);
    QSignalSpy spy(&g, &BarGauge::activated);
    QTest::mouseClick(&g, Qt::LeftButton);
    EXPECT_EQ(spy.count(), 0);
    QTest::mouseDClick(&g, Qt::LeftButton);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 7);
}

TEST_F(BarGaugeTest, AMarkSelectorOutOfRangeChangesNoMark)
{
    BarGauge g;
    configureChannel(g);
    for (std::int16_t bad : {std::int16_t(5), std::int16_t(-1)}) {
        g.setSelectedMark(bad);
        g.setMarkPosition(9);
        EXPECT_EQ(g.markPosition(), 0);
    }
    for (int m = 0; m <= 4; ++m)
        EXPECT_NE(g.markPositionOf(m), 9) << m;
}

// Everything the attributes hold is copied, so the copy looks the same;
// the index stays the bar's own.
TEST_F(BarGaugeTest, ANewBarStartsAsACopyOfTheTemplate)
{
    BarGauge templateBar;
    configureChannel(templateBar);
    templateBar.setCaption(QStringLiteral("Bore "));
    templateBar.setValue(0.02f);
    templateBar.setLabelInterval(2);
    templateBar.setBarOrigin(1);
    templateBar.setMinorTicks(4);
    templateBar.setBorderStyle(1);
    templateBar.setReadoutVisible(false);
    templateBar.setCaptionFontSize(9);
    templateBar.setSelectedMark(4);
    templateBar.setRedraw(false);
    templateBar.resize(120, 300);

    BarGauge bar;
    bar.setIndex(12);
    bar.resize(120, 300);
    ASSERT_NE(bar.grab().toImage(), templateBar.grab().toImage());
    bar.copySettingsFrom(templateBar);
    EXPECT_EQ(bar.grab().toImage(), templateBar.grab().toImage());
    EXPECT_EQ(bar.index(), 12);
    EXPECT_FALSE(bar.redraw());
    EXPECT_EQ(bar.selectedMark(), 4);
    EXPECT_DOUBLE_EQ(bar.markThickness(), 0.01);
}

// A gauge keeps the drawing of what the value does not move; after any
// change it must look exactly as a gauge given the same settings afresh.
TEST_F(BarGaugeTest, AChangeAfterAPaintLooksAsOnAFreshGauge)
{
    using Change = void (*)(BarGauge &);
    const struct {
        const char *what;
        Change change;
    } changes[] = {
        {"value", [](BarGauge &g) { setBarValue(g, 0.045f); }},
        {"caption", [](BarGauge &g) { g.setCaption(QStringLiteral("Face ")); }},
        {"limit mark",
         [](BarGauge &g) {
             g.setSelectedMark(4);
             g.setMarkPosition(0.07f);
             g.setSelectedMark(0);
         }},
        {"scale", [](BarGauge &g) { configureChannel(g, -0.2f, 0.2f, 0.04f); }},
        {"size", [](BarGauge &g) { g.resize(90, 260); }},
        {"palette",
         [](BarGauge &g) {
             QPalette p = g.palette();
             p.setColor(QPalette::Window, Qt::darkGray);
             g.setPalette(p);
         }},
    };
    for (const auto &c : changes) {
        SCOPED_TRACE(c.what);
        BarGauge drawn;
        drawn.resize(120, 300);
        configureChannel(drawn);
        setBarValue(drawn, 0.01f);
        (void)drawn.grab(); // drawn once before the change
        c.change(drawn);

        BarGauge fresh;
        fresh.resize(120, 300);
        configureChannel(fresh);
        setBarValue(fresh, 0.01f);
        c.change(fresh);
        EXPECT_EQ(drawn.grab().toImage(), fresh.grab().toImage());
    }
}

} // namespace
