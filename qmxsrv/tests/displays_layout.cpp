// The displays' arithmetic: bar layout, caption shortening, tick spacing,
// rounding and twips.
#include "barlayout.h"
#include "core/numbertext.h"
#include "platform/twips.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace qmxsrv;

namespace {

struct LayoutCase {
    int bars;
    BarRows rows;
    QRect lastBar;
    std::vector<int> beyondRightEdge; // bars that start at or past the client's right edge
};

TEST(BarLayout, RowsWidthsAndWhatRunsPastTheRightEdge)
{
    const QRectF client(10, 20, 600, 400);
    const LayoutCase cases[] = {
        {1, {1, 1, 1}, QRect(10, 20, 600, 400), {}},
        {20, {1, 20, 20}, QRect(580, 20, 30, 400), {}},
        {21, {2, 10, 11}, QRect(610, 220, 60, 200), {20}},
        {27, {2, 14, 13}, QRect(526, 220, 43, 200), {}}, // 13.5 rounds to 14
        {60, {3, 20, 20}, QRect(580, 286, 30, 133), {}},
        {61, {4, 15, 16}, QRect(610, 320, 40, 100), {60}},
        {100, {4, 25, 25}, QRect(586, 320, 24, 100), {}},
    };
    for (const LayoutCase &c : cases) {
        SCOPED_TRACE(c.bars);
        const BarRows rows = barRows(c.bars);
        EXPECT_EQ(rows.rows, c.rows.rows);
        EXPECT_EQ(rows.perRow, c.rows.perRow);
        EXPECT_EQ(rows.lastRow, c.rows.lastRow);
        const std::vector<QRect> rects = layoutBars(c.bars, client);
        ASSERT_EQ(int(rects.size()), c.bars);
        EXPECT_EQ(rects.front().topLeft(), QPoint(10, 20));
        EXPECT_EQ(rects.back(), c.lastBar);
        std::vector<int> beyond;
        for (int k = 0; k < c.bars; ++k)
            if (rects[std::size_t(k)].left() >= client.right())
                beyond.push_back(k);
        EXPECT_EQ(beyond, c.beyondRightEdge);
    }
}

TEST(BarLayout, NoBarsGiveNothingAndHalvesRoundToEven)
{
    EXPECT_EQ(barRows(0).rows, 0);
    EXPECT_TRUE(layoutBars(0, QRectF(0, 0, 0, 0)).empty());
    EXPECT_TRUE(layoutBars(-1, QRectF(0, 0, 600, 400)).empty());

    // 61 bars: 15 a row, 4 rows. 607.5 / 15 = 40.5 and 250 / 4 = 62.5 round down,
    // the origin's 10.5 down and 11.5 up.
    const std::vector<QRect> rects = layoutBars(61, QRectF(10.5, 11.5, 607.5, 250));
    EXPECT_EQ(rects[0], QRect(10, 12, 40, 62));
    EXPECT_EQ(rects[16], QRect(50, 74, 40, 62));
}

TEST(CaptionShortening, CutsAfterTheFirstBlankFromPositionThree)
{
    const struct {
        const char *text;
        const char *shown;
    } cases[] = {
        {"Diameter 1", "Diameter 1"},         // exactly 10: whole
        {"A diameter 1", "A diameter 1"},     // blank at 2: whole
        {"Ab diameter1", "Ab "},              // blank at 3
        {"Bore spindle", "Bore "},            // blank at 5
        {"Borediameter", "Borediameter"},     // no blank
        {"Bore diameter test", "Bore "},      // 18, blank at 5
        {" Bore diameter", " Bore diameter"}, // blank at 1
        {"", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(shortCaption(QString::fromUtf8(c.text)), QString::fromUtf8(c.shown)) << c.text;
}

TEST(TickSpacing, ATenthOfTheScaleOrTheLeastSpacing)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        float top, bottom, spacing;
    } cases[] = {
        {10, 0, 1},
        {0.1f, -0.1f, 0.02f},
        {5, 5, 0.0001f},       // equal ends
        {0, 5, 0.0001f},       // reversed ends
        {0.0001f, 0, 0.0001f}, // the float 0.0001 lies just below the threshold
        {nan, 0, 0.0001f},
    };
    for (const auto &c : cases)
        EXPECT_FLOAT_EQ(tickSpacing(c.top, c.bottom), c.spacing) << c.top << " " << c.bottom;
}

// Halves to even, no usable DPI read as the usual 96 rather than a division
// by zero, places stored in 16 bits (the upper end: the bar window's test).
TEST(DisplayMath, RoundingTwipsAndSixteenBits)
{
    const std::pair<double, int> cases[] = {{0.5, 0},
                                            {1.5, 2},
                                            {2.5, 2},
                                            {-0.5, 0},
                                            {-1.5, -2},
                                            {2.4999, 2},
                                            {-2.6, -3},
                                            {std::nan(""), 0},
                                            {1e300, std::numeric_limits<int>::max()},
                                            {-1e300, std::numeric_limits<int>::min()}};
    for (const auto &[in, out] : cases)
        EXPECT_EQ(roundToInt(in), out) << in;
    EXPECT_EQ(twipsToPixels(1440, 120), 120);
    EXPECT_EQ(twipsToPixels(37.5, 96), 2); // 2.5 px
    EXPECT_EQ(pixelsToTwips(722, 96), 10830);
    EXPECT_EQ(pixelsToTwips(0.5, 96), 8); // 7.5 twips
    EXPECT_EQ(twipsToPixels(1440, 0), 96);
    EXPECT_EQ(pixelsToTwips(96, std::nan("")), 1440);
    EXPECT_EQ(clampToInt16(-32768), -32768);
    EXPECT_EQ(clampToInt16(-40000), -32768);
}

} // namespace
