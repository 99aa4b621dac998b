// Control-chart constants against the published tables.
//
// Published sources:
// - NIST/SEMATECH e-Handbook of Statistical Methods, 6.3.2.1 "Shewhart X-bar
//   and R and S Control Charts": A2, D3, D4 for n = 2..10.
// - Montgomery, Introduction to Statistical Quality Control, appendix
//   "Factors for constructing variables control charts": d2 (n = 2..10),
//   c4, A3, B3, B4 (n = 2..25).
#include "quality/spcconstants.h"

#include <gmock/gmock.h>

#include <cmath>
#include <limits>

using namespace qmxsrv::spc;

namespace {

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

} // namespace
