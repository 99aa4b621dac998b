// Control charts for variables: the constants against the published tables,
// the limits against published worked examples and small ones by hand, and
// each run rule on a series that just fires it beside one that just does not.
//
// Published sources:
// - NIST/SEMATECH e-Handbook of Statistical Methods, 6.3.2.1 "Shewhart X-bar
//   and R and S Control Charts": A2, D3, D4 for n = 2..10.
// - The same handbook, 6.3.2.2 "Individuals Control Charts": the flow rate of
//   10 batches (mean 50.81, MR-bar 1.8778, limits 45.82 and 55.80, moving
//   range limit 6.13).
// - Montgomery, Introduction to Statistical Quality Control, appendix
//   "Factors for constructing variables control charts": d2 (n = 2..10),
//   c4, A3, B3, B4 (n = 2..25).
// - The same book, chapter 6, Examples 6.1 (x-bar and R) and 6.3 (x-bar and
//   s): inside diameters of 25 samples of 5 piston rings.
#include "quality/controlchart.h"
#include "quality/runrules.h"
#include "quality/spcconstants.h"

#include "quality_pistonrings.h"

#include <gmock/gmock.h>

#include <cmath>
#include <limits>

using namespace qmxsrv::spc;

namespace {

using Opt = std::optional<double>;
const Opt none;
const double nan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();
const double pi = std::acos(-1.0);

// A tabulated value stands for anything within half a unit of its last decimal.
void expectTabulated(const char *what, double got, double table, int decimals)
{
    EXPECT_NEAR(got, table, 0.5 * std::pow(10.0, -decimals)) << what;
}

TEST(SpcConstants, AsPublished)
{
    const struct {
        int n;
        double A2, D3, D4, d2; // three decimals
    } rTable[] = {
        // clang-format off
        {2, 1.880, 0, 3.267, 1.128}, {3, 1.023, 0, 2.575, 1.693}, {4, 0.729, 0, 2.282, 2.059},
        {5, 0.577, 0, 2.115, 2.326}, {6, 0.483, 0, 2.004, 2.534}, {7, 0.419, 0.076, 1.924, 2.704},
        {8, 0.373, 0.136, 1.864, 2.847}, {9, 0.337, 0.184, 1.816, 2.970},
        {10, 0.308, 0.223, 1.777, 3.078},
        // clang-format on
    };
    for (const auto &row : rTable) {
        SCOPED_TRACE(row.n);
        const auto c = rConstants(row.n);
        ASSERT_TRUE(c);
        EXPECT_EQ(c->n, row.n);
        expectTabulated("A2", c->A2, row.A2, 3);
        expectTabulated("D3", c->D3, row.D3, 3);
        expectTabulated("D4", c->D4, row.D4, 3);
        expectTabulated("d2", c->d2, row.d2, 3);
        // The factors hang together: A2 = 3 / (d2 sqrt n) up to the rounding
        // of both; D3 = 1 - x and D4 = 1 + x, D3 cut at 0.
        const double a2 = 3 / (c->d2 * std::sqrt(row.n));
        EXPECT_NEAR(c->A2, a2, 0.0005 + a2 * 0.0005 / c->d2) << "A2 against d2";
        EXPECT_NEAR(c->D3, std::max(0.0, 2 - c->D4), 0.001) << "D3 against D4";
    }
    EXPECT_EQ(movingRangeD2, rConstants(2)->d2);
    EXPECT_EQ(movingRangeD4, rConstants(2)->D4);

    const struct {
        int n;
        double c4, A3, B3, B4; // c4 four decimals, the others three
    } sTable[] = {
        // clang-format off
        {2, 0.7979, 2.659, 0, 3.267},       {3, 0.8862, 1.954, 0, 2.568},
        {4, 0.9213, 1.628, 0, 2.266},       {5, 0.9400, 1.427, 0, 2.089},
        {6, 0.9515, 1.287, 0.030, 1.970},   {7, 0.9594, 1.182, 0.118, 1.882},
        {8, 0.9650, 1.099, 0.185, 1.815},   {9, 0.9693, 1.032, 0.239, 1.761},
        {10, 0.9727, 0.975, 0.284, 1.716},  {11, 0.9754, 0.927, 0.321, 1.679},
        {12, 0.9776, 0.886, 0.354, 1.646},  {13, 0.9794, 0.850, 0.382, 1.618},
        {14, 0.9810, 0.817, 0.406, 1.594},  {15, 0.9823, 0.789, 0.428, 1.572},
        {16, 0.9835, 0.763, 0.448, 1.552},  {17, 0.9845, 0.739, 0.466, 1.534},
        {18, 0.9854, 0.718, 0.482, 1.518},  {19, 0.9862, 0.698, 0.497, 1.503},
        {20, 0.9869, 0.680, 0.510, 1.490},  {21, 0.9876, 0.663, 0.523, 1.477},
        {22, 0.9882, 0.647, 0.534, 1.466},  {23, 0.9887, 0.633, 0.545, 1.455},
        {24, 0.9892, 0.619, 0.555, 1.445},  {25, 0.9896, 0.606, 0.565, 1.435},
        // clang-format on
    };
    for (const auto &row : sTable) {
        SCOPED_TRACE(row.n);
        const auto c = sConstants(row.n);
        ASSERT_TRUE(c);
        EXPECT_EQ(c->n, row.n);
        expectTabulated("c4", c->c4, row.c4, 4);
        expectTabulated("A3", c->A3, row.A3, 3);
        expectTabulated("B3", c->B3, row.B3, 3);
        expectTabulated("B4", c->B4, row.B4, 3);
    }
    // Beyond the table's decimals, from the gammas of halves.
    EXPECT_NEAR(sConstants(2)->c4, std::sqrt(2 / pi), 1e-14);
    EXPECT_NEAR(sConstants(5)->c4, 3 * std::sqrt(2 * pi) / 8, 1e-14);

    for (int n : {-1, 0, 1, 11, 26, std::numeric_limits<int>::max()}) {
        EXPECT_FALSE(rConstants(n)) << n;
        EXPECT_EQ(sConstants(n).has_value(), n == 11) << n;
    }
}

// The handbook's flow rate of 10 batches.
const std::vector<std::vector<double>> flowRate = {{49.6}, {47.6}, {49.9}, {51.3}, {47.8},
                                                   {51.2}, {52.6}, {52.4}, {53.6}, {52.1}};

TEST(ControlChart, PublishedWorkedExamples)
{
    struct Case {
        const char *name;
        ChartKind kind;
        int n;
        const std::vector<std::vector<double>> &data;
        // Published figures, each with the tolerance its rounding allows.
        double centre, centreTol, spread, spreadTol, ucl, lcl, limitTol, spreadUcl, spreadUclTol;
    };
    // The book works its limits from R-bar rounded to 0.023 and s-bar to
    // 0.0094, hence 0.001 on them. Sum of the ranges 0.581; all lower spread
    // limits 0.
    // clang-format off
    const Case cases[] = {
        {"x-bar and R", ChartKind::XbarR, 5, pistonRings, 74.001, 0.0005, 0.581 / 25, 1e-9,
         74.014, 73.988, 0.001, 0.049, 0.0005},
        {"x-bar and s", ChartKind::XbarS, 5, pistonRings, 74.001, 0.0005, 0.0094, 0.00005,
         74.014, 73.988, 0.001, 0.0196, 0.00005},
        {"individuals", ChartKind::IndividualsMovingRange, 1, flowRate, 50.81, 1e-9,
         1.8778, 0.00005, 55.80, 45.82, 0.005, 6.13, 0.005},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<ChartPoint> points = chartPoints(c.kind, c.data);
        ASSERT_EQ(points.size(), c.data.size());
        const auto l = limitsFromPoints(c.kind, c.n, points);
        ASSERT_TRUE(l);
        EXPECT_NEAR(l->centre, c.centre, c.centreTol);
        EXPECT_NEAR(l->spreadCentre, c.spread, c.spreadTol);
        EXPECT_NEAR(l->ucl, c.ucl, c.limitTol);
        EXPECT_NEAR(l->lcl, c.lcl, c.limitTol);
        EXPECT_NEAR(l->spreadUcl, c.spreadUcl, c.spreadUclTol);
        EXPECT_EQ(l->spreadLcl, 0);

        // Typed back in, centre and sigma give the same limits: the spread
        // centre from sigma is the average spread again.
        const auto again = limitsFromSigma(c.kind, c.n, l->centre, l->sigma);
        ASSERT_TRUE(again);
        for (auto [got, want] : {std::pair(again->ucl, l->ucl), std::pair(again->lcl, l->lcl),
                                 std::pair(again->spreadCentre, l->spreadCentre),
                                 std::pair(again->spreadUcl, l->spreadUcl)})
            EXPECT_NEAR(got, want, 1e-12);
    }

    // Sample 1 as the book's tables give it: x-bar 74.010, R 0.038, s 0.0148.
    const ChartPoint r = chartPoints(ChartKind::XbarR, pistonRings)[0];
    const ChartPoint s = chartPoints(ChartKind::XbarS, pistonRings)[0];
    expectTabulated("x-bar", r.value.value_or(0), 74.010, 3);
    EXPECT_NEAR(r.spread.value_or(0), 0.038, 1e-9);
    expectTabulated("s", s.spread.value_or(0), 0.0148, 4);
}

std::vector<std::pair<Opt, Opt>> plotted(const std::vector<ChartPoint> &points)
{
    std::vector<std::pair<Opt, Opt>> v;
    for (const ChartPoint &p : points)
        v.emplace_back(p.value, p.spread);
    return v;
}

TEST(ControlChart, HandWorkedLimits)
{
    // x-bar and s, n = 3: {1,2,3} mean 2, s 1; {3,5,7} mean 5, s 2. Centre
    // 3.5, s-bar 1.5, c4(3) = sqrt(pi)/2, sigma 3/sqrt(pi); limits 3.5 +- 3
    // sigma/sqrt(3); s chart B3 = 0, B4 = 1 + 3 sqrt(1 - pi/4) / c4.
    auto points = chartPoints(ChartKind::XbarS, {{1, 2, 3}, {3, 5, 7}});
    EXPECT_EQ(plotted(points), (std::vector<std::pair<Opt, Opt>>{{2, 1}, {5, 2}}));
    auto l = limitsFromPoints(ChartKind::XbarS, 3, points);
    ASSERT_TRUE(l);
    const double sigma = 3 / std::sqrt(pi);
    EXPECT_NEAR(l->centre, 3.5, 1e-12);
    EXPECT_NEAR(l->pointSigma, sigma / std::sqrt(3.0), 1e-12);
    EXPECT_NEAR(l->ucl, 3.5 + std::sqrt(3.0) * sigma, 1e-12);
    EXPECT_NEAR(l->lcl, 3.5 - std::sqrt(3.0) * sigma, 1e-12);
    EXPECT_NEAR(l->spreadUcl, 1.5 * (1 + 6 * std::sqrt(1 - pi / 4) / std::sqrt(pi)), 1e-12);
    EXPECT_EQ(l->spreadLcl, 0);

    // Individuals with gaps: 10, 12, (nothing usable twice), 11, 13, 14. The
    // moving range bridges the gap: 2, 1, 2, 1, MR-bar 1.5; mean 12; sigma
    // 1.5/1.128; MR chart up to 3.267 * 1.5.
    points = chartPoints(ChartKind::IndividualsMovingRange,
                         {{10}, {12}, {}, {nan}, {11}, {13}, {inf, 14}});
    EXPECT_EQ(plotted(points), (std::vector<std::pair<Opt, Opt>>{
                                   {10, none}, {12, 2}, {}, {}, {11, 1}, {13, 2}, {14, 1}}));
    l = limitsFromPoints(ChartKind::IndividualsMovingRange, 1, points);
    ASSERT_TRUE(l);
    EXPECT_NEAR(l->centre, 12, 1e-12);
    EXPECT_NEAR(l->pointSigma, 1.5 / 1.128, 1e-12);
    EXPECT_NEAR(l->ucl, 12 + 4.5 / 1.128, 1e-12);
    EXPECT_NEAR(l->spreadUcl, 4.9005, 1e-12);

    // x-bar and R, n = 3, {5, 7} short of a value: plotted, kept out of the
    // limits. {1,2,3} and {2,4,6}: centre 3, R-bar 3, sigma 3/1.693.
    points = chartPoints(ChartKind::XbarR, {{1, 2, 3}, {2, 4, 6}, {5, nan, 7}});
    EXPECT_EQ(plotted(points), (std::vector<std::pair<Opt, Opt>>{{2, 2}, {4, 4}, {6, 2}}));
    l = limitsFromPoints(ChartKind::XbarR, 3, points);
    ASSERT_TRUE(l);
    EXPECT_NEAR(l->centre, 3, 1e-12);
    EXPECT_NEAR(l->ucl, 3 + 3 * (3 / 1.693) / std::sqrt(3.0), 1e-12);
    EXPECT_NEAR(l->spreadUcl, 2.575 * 3, 1e-12);
}

TEST(ControlChart, TypedInCentreAndSigma)
{
    // n = 8 has lower spread limits. R: d2 * sigma = 2.847 * 0.5, limits 0.136
    // and 1.864 times that. s: c4 * sigma, B3 and B4 times that.
    const double c4 = sConstants(8)->c4, w = 3 * std::sqrt(1 - c4 * c4) / c4;
    const struct {
        ChartKind kind;
        int n;
        double sigma, pointSigma, spreadCentre, spreadLcl, spreadUcl;
    } cases[] = {
        {ChartKind::XbarR, 8, 0.5, 0.5 / std::sqrt(8.0), 1.4235, 0.136 * 1.4235, 1.864 * 1.4235},
        {ChartKind::XbarS, 8, 0.5, 0.5 / std::sqrt(8.0), 0.5 * c4, 0.5 * c4 * (1 - w),
         0.5 * c4 * (1 + w)},
        {ChartKind::IndividualsMovingRange, 1, 2, 2, 2.256, 0, 3.267 * 2.256},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(static_cast<int>(c.kind));
        const auto l = limitsFromSigma(c.kind, c.n, 10, c.sigma);
        ASSERT_TRUE(l);
        EXPECT_EQ(l->centre, 10);
        EXPECT_NEAR(l->pointSigma, c.pointSigma, 1e-12);
        for (int k = -3; k <= 3; ++k) // +-3: the limits
            EXPECT_NEAR(l->zone(k), 10 + k * c.pointSigma, 1e-12) << k;
        EXPECT_EQ(l->ucl, l->zone(3));
        EXPECT_EQ(l->lcl, l->zone(-3));
        EXPECT_NEAR(l->spreadCentre, c.spreadCentre, 1e-12);
        EXPECT_NEAR(l->spreadLcl, c.spreadLcl, 1e-12);
        EXPECT_NEAR(l->spreadUcl, c.spreadUcl, 1e-12);
    }
}

TEST(ControlChart, UndefinedLimitsAreEmpty)
{
    using K = ChartKind;
    const K I = K::IndividualsMovingRange;
    const double big = std::numeric_limits<double>::max() / 2;
    const struct {
        const char *name;
        K kind;
        int n;
        std::vector<std::vector<double>> data;
    } fromData[] = {
        {"no subgroups", K::XbarR, 2, {}},
        {"one subgroup", K::XbarR, 2, {{1, 2}}},
        {"one individual", I, 1, {{1}}},
        {"one full, one short", K::XbarS, 3, {{1, 2, 3}, {4, 5}}},
        {"no spread", K::XbarR, 2, {{1, 1}, {2, 2}}},
        {"all alike", I, 1, {{3}, {3}, {3}}},
        {"R beyond 10", K::XbarR, 11,
         std::vector<std::vector<double>>(3, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11})},
        {"individuals in twos", I, 2, {{1, 2}, {3, 5}}},
        {"limit beyond the largest double", I, 1, {{big}, {big * 1.5}, {big}}},
        {"moving range beyond the largest double", I, 1, {{-big * 1.5}, {big * 1.5}}},
    };
    for (const auto &c : fromData)
        EXPECT_FALSE(limitsFromPoints(c.kind, c.n, chartPoints(c.kind, c.data))) << c.name;

    const struct {
        const char *name;
        K kind;
        int n;
        double centre, sigma;
    } fromSigma[] = {
        // clang-format off
        {"sigma 0", K::XbarR, 5, 10, 0},      {"negative sigma", K::XbarS, 5, 10, -1},
        {"sigma NaN", I, 1, 10, nan},         {"sigma infinite", I, 1, 10, inf},
        {"centre NaN", K::XbarR, 5, nan, 1},  {"s of 1", K::XbarS, 1, 10, 1},
        {"s beyond 25", K::XbarS, 26, 10, 1}, {"individuals in fives", I, 5, 10, 1},
        {"limit beyond the largest double", I, 1, big * 1.5, big / 2},
        // clang-format on
    };
    for (const auto &c : fromSigma)
        EXPECT_FALSE(limitsFromSigma(c.kind, c.n, c.centre, c.sigma)) << c.name;
}

// Run-rule series lie about centre 0 with sigma 1: the lines at whole numbers.
using Series = std::vector<double>;

Series operator+(Series a, const Series &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Series repeat(int n, double v) { return Series(static_cast<std::size_t>(n), v); }

// v, -v, v, ...
Series alternate(int n, double v)
{
    Series s;
    for (int i = 0; i < n; ++i)
        s.push_back(i % 2 ? -v : v);
    return s;
}

Series with(Series s, std::size_t i, double v)
{
    s[i] = v;
    return s;
}

std::vector<int> firedAtLast(const Series &s, RuleSet set, std::uint32_t enabled)
{
    return rulesFiredAt(s, s.size() - 1, 0, 1, set, enabled);
}

TEST(RunRules, EachRuleJustFiresOrJustDoesNot)
{
    const RuleSet WE = RuleSet::WesternElectric, N = RuleSet::Nelson;
    const Series up6 = {0.1, 0.2, 0.3, 0.4, 0.5, 0.6};
    const Series pairs15 = {0.5, 0.5, -0.5, -0.5, 0.5, 0.5, -0.5, -0.5,
                            0.5, 0.5, -0.5, -0.5, 0.5, 0.5, -0.5};
    const struct {
        const char *name;
        RuleSet set;
        Series points;
        std::vector<int> fired; // at the last point, all tests of the set on
    } cases[] = {
        // clang-format off
        {"WE1", WE, {0.5, 3.5}, {1}},           {"WE1 below", WE, {-3.01}, {1}},
        {"WE1 on the line", WE, {3.0}, {}},     {"WE1 on the lower line", WE, {-3.0}, {}},
        {"WE2", WE, {2.5, 0.5, 2.5}, {2}},      {"WE2 below", WE, {0.5, -2.5, -2.5}, {2}},
        {"WE2 newest on the line", WE, {2.5, 0.5, 2.0}, {}},
        {"WE2 newest not beyond", WE, {2.5, 2.5, 0.5}, {}},
        {"WE2 opposite sides", WE, {2.5, 0.5, -2.5}, {}},
        {"WE2 four apart", WE, {2.5, 0.5, 0.5, 2.5}, {}},
        {"WE2 two points only", WE, {2.5, 2.5}, {}},
        {"WE3", WE, {1.5, 1.5, 0.5, 1.5, 1.5}, {3}},
        {"WE3 below", WE, {-1.5, -1.5, -1.5, -0.5, -1.5}, {3}},
        {"WE3 one on the line", WE, {1.5, 1.5, 0.5, 1.0, 1.5}, {}},
        {"WE3 newest not beyond", WE, {1.5, 1.5, 1.5, 1.5, 0.5}, {}},
        {"WE3 one on the other side", WE, {1.5, 1.5, 0.5, -1.5, 1.5}, {}},
        {"WE3 four points only", WE, {1.5, 1.5, 1.5, 1.5}, {}},
        {"WE4", WE, repeat(8, 0.5), {4}},       {"WE4 below", WE, repeat(8, -0.5), {4}},
        {"WE4 seven", WE, repeat(7, 0.5), {}},
        {"WE4 one on the centre", WE, with(repeat(8, 0.5), 3, 0), {}},
        {"WE4 one across", WE, with(repeat(8, 0.5), 3, -0.5), {}},
        {"N1", N, {-3.5}, {1}},                 {"N1 on the line", N, {3.0}, {}},
        {"N2", N, repeat(9, 0.5), {2}},         {"N2 eight", N, repeat(8, 0.5), {}},
        {"N2 one on the centre", N, with(repeat(9, -0.5), 4, 0), {}},
        {"N3 up", N, up6, {3}},                 {"N3 down", N, {0.6, 0.5, 0.4, 0.3, 0.2, 0.1}, {3}},
        {"N3 across the centre", N, {-0.3, -0.2, -0.1, 0.1, 0.2, 0.3}, {3}},
        {"N3 five", N, {0.2, 0.3, 0.4, 0.5, 0.6}, {}},
        {"N3 two equal", N, with(up6, 3, 0.3), {}},
        {"N3 newest turns", N, up6 + Series{0.5}, {}},
        {"N4", N, alternate(14, 0.5), {4}},     {"N4 thirteen", N, alternate(13, 0.5), {}},
        {"N4 one level step", N, with(with(alternate(14, 0.5), 7, 0.5), 8, 0.7), {}},
        {"N4 fourteen equal", N, repeat(14, 0), {}},
        {"N5", N, {-2.5, 0.5, -2.5}, {5}},      {"N5 newest on the line", N, {-2.5, 0.5, -2.0}, {}},
        {"N5 newest not beyond", N, {2.5, 2.5, 1.5}, {}},
        {"N6", N, {1.5, 0.5, 1.5, 1.5, 1.5}, {6}},
        {"N6 one on the line", N, {1.5, 0.5, 1.5, 1.0, 1.5}, {}},
        {"N6 newest not beyond", N, {1.5, 1.5, 1.5, 1.5, -0.5}, {}},
        {"N7", N, pairs15, {7}},                {"N7 one on the line", N, with(pairs15, 7, -1.0), {7}},
        {"N7 one beyond", N, with(pairs15, 7, -1.01), {}},
        {"N7 fourteen", N, Series(pairs15.begin() + 1, pairs15.end()), {}},
        {"N8", N, alternate(8, 1.5), {8}},      {"N8 seven", N, alternate(7, 1.5), {}},
        {"N8 one on the line", N, with(alternate(8, 1.5), 3, -1.0), {}},
        // Several at once, ascending.
        {"N1 2 3 5 6 8", N, {1.1, 1.2, 1.3, 1.4, 1.5, 1.6, 2.1, 2.2, 3.1}, {1, 2, 3, 5, 6, 8}},
        {"WE1 2 3 4", WE, repeat(6, 1.5) + Series{2.5, 3.5}, {1, 2, 3, 4}},
        {"no rule set", RuleSet::None, {3.5}, {}},
        // clang-format on
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(firedAtLast(c.points, c.set, allTests(c.set)), c.fired);
        EXPECT_EQ(firedAtLast(c.points, c.set, ~std::uint32_t{0}), c.fired);
    }
}

TEST(RunRules, FiresAgainWhileThePatternHolds)
{
    const struct {
        const char *name;
        RuleSet set;
        std::uint32_t enabled;
        Series points;
        std::vector<std::vector<int>> fired; // at each point
    } cases[] = {
        // clang-format off
        {"N2 ten", RuleSet::Nelson, 1u << 1, repeat(10, -0.5),
         {{}, {}, {}, {}, {}, {}, {}, {}, {2}, {2}}},
        {"N3 seven, then down", RuleSet::Nelson, 1u << 2,
         {-0.4, -0.3, -0.2, -0.1, 0.1, 0.2, 0.3, 0.2}, {{}, {}, {}, {}, {}, {3}, {3}, {}}},
        // Not before three points, not at a point under the line, not once
        // the window has moved on.
        {"WE2 window", RuleSet::WesternElectric, 1u << 1,
         {2.5, 2.5, 2.5, 0.5, 2.5, 0.5, 0.5, 2.5}, {{}, {}, {2}, {}, {2}, {}, {}, {}}},
        // clang-format on
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        for (std::size_t i = 0; i < c.points.size(); ++i)
            EXPECT_EQ(rulesFiredAt(c.points, i, 0, 1, c.set, c.enabled), c.fired.at(i)) << i;
    }
}

TEST(RunRules, OnlySwitchedOnTestsFire)
{
    const Series allButNelson4And7 = {1.1, 1.2, 1.3, 1.4, 1.5, 1.6, 2.1, 2.2, 3.1};
    const struct {
        std::uint32_t enabled;
        std::vector<int> fired;
    } rows[] = {
        {0, {}},
        {1u << 1, {2}},
        {1u << 0 | 1u << 7, {1, 8}},
        {allTests(RuleSet::Nelson) & ~(1u << 2), {1, 2, 5, 6, 8}},
        {1u << 3 | 1u << 6, {}},
    };
    for (const auto &row : rows)
        EXPECT_EQ(firedAtLast(allButNelson4And7, RuleSet::Nelson, row.enabled), row.fired)
            << row.enabled;
    EXPECT_EQ(allTests(RuleSet::WesternElectric), 0xfu);
    EXPECT_EQ(allTests(RuleSet::Nelson), 0xffu);
}

TEST(RunRules, LinesAndLimitsAgree)
{
    // A point on a limit of limits from data does not fire, the next double
    // out does: rules and limits draw the same line.
    const auto l = limitsFromPoints(ChartKind::IndividualsMovingRange, 1,
                                    chartPoints(ChartKind::IndividualsMovingRange, flowRate));
    ASSERT_TRUE(l);
    const struct {
        double line;
        int test; // Nelson's, on five points on the line
    } lines[] = {{l->ucl, 1}, {l->lcl, 1}, {l->zone(2), 5}, {l->zone(-2), 5}, {l->zone(-1), 6}};
    for (const auto &[line, test] : lines) {
        const double out = std::nextafter(line, line > l->centre ? inf : -inf);
        const std::uint32_t enabled = 1u << (test - 1);
        EXPECT_THAT(
            rulesFiredAt(repeat(5, line), 4, l->centre, l->pointSigma, RuleSet::Nelson, enabled),
            ::testing::IsEmpty())
            << test;
        EXPECT_THAT(
            rulesFiredAt(repeat(5, out), 4, l->centre, l->pointSigma, RuleSet::Nelson, enabled),
            ::testing::ElementsAre(test))
            << test;
    }
    // Nothing to judge: no such point, or no spread.
    EXPECT_THAT(rulesFiredAt({3.5}, 1, 0, 1, RuleSet::Nelson, 1), ::testing::IsEmpty());
    EXPECT_THAT(rulesFiredAt({3.5}, 0, 0, 0, RuleSet::Nelson, 1), ::testing::IsEmpty());

    // The spread chart: strictly outside.
    EXPECT_FALSE(beyondLimits(0, 0, 1));
    EXPECT_FALSE(beyondLimits(1, 0, 1));
    EXPECT_TRUE(beyondLimits(std::nextafter(1.0, 2.0), 0, 1));
    EXPECT_TRUE(beyondLimits(0.1, 0.2, 1));
}

} // namespace
