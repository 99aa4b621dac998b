// The bar gauge as the bar-graph window drives it: redraw bracketing, zone
// colours, broken scales, and a drawing that follows its settings.
#include "bargauge.h"

#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace qmxsrv;

namespace {

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
    } cases[] = {{0.0f, Z::Good},      {0.03f, Z::Good},      {-0.03f, Z::Good},
                 {0.04f, Z::Approach}, {-0.04f, Z::Approach}, {0.05f, Z::Approach},
                 {0.07f, Z::Reject},   {-0.07f, Z::Reject},   {0.3f, Z::Reject},
                 {NAN, Z::Reject}};
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

TEST_F(BarGaugeTest, BrokenScalesNeverHangOrFault)
{
    BarGauge &g = showGauge();
    const struct {
        float bottom, top, spacing, value;
    } cases[] = {
        {5, 5, 0.0001f, 5},         // equal ends
        {0, 10, 0, 3},              // no spacing
        {0, 10, -1, 3},             // negative spacing
        {0, 10, 1, NAN},            // no value
        {10, 0, 0.0001f, 3},        // reversed ends
        {-1e30f, 1e30f, 1e-30f, 0}, // 10^60 ticks
        {NAN, INFINITY, 1, 3},
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

// A gauge keeps the drawing of what the value does not move; after a change
// of its scale it must look exactly as a gauge given the same settings afresh.
TEST_F(BarGaugeTest, AChangeAfterAPaintLooksAsOnAFreshGauge)
{
    BarGauge drawn, fresh;
    for (BarGauge *g : {&drawn, &fresh}) {
        g->resize(120, 300);
        configureChannel(*g);
        setBarValue(*g, 0.01f);
    }
    (void)drawn.grab(); // drawn once before the change
    for (BarGauge *g : {&drawn, &fresh})
        configureChannel(*g, -0.2f, 0.2f, 0.04f);
    EXPECT_EQ(drawn.grab().toImage(), fresh.grab().toImage());
}

} // namespace
