// Process statistics of a channel: worked examples by hand, the undefined
// cases, the values of a channel over recorded parts and the number text.
#include "quality/statistics.h"

#include <gmock/gmock.h>

#include <cmath>
#include <limits>

using namespace qmxsrv;

namespace {

using Opt = std::optional<double>;
const Opt none;
const double nan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();
constexpr Verdict G = Verdict::Good, A = Verdict::Approach, R = Verdict::Reject,
                  I = Verdict::Invalid;

void expectNear(const char *what, const Opt &got, const Opt &want)
{
    if (!want) {
        EXPECT_FALSE(got) << what << " should be undefined, is " << *got;
        return;
    }
    ASSERT_TRUE(got) << what << " undefined, want " << *want;
    EXPECT_NEAR(*got, *want, 1e-12 * std::max(1.0, std::fabs(*want))) << what;
}

struct Want {
    int n, invalid;
    Opt mean, sd, mrBar, sdWithin, cp, cpk, pp, ppk, iUcl, iLcl, mrUcl;
    std::array<int, 4> verdicts;
};

void expectStatistics(const ChannelStatistics &s, const Want &w)
{
    EXPECT_EQ(s.n, w.n);
    EXPECT_EQ(s.invalid, w.invalid);
    expectNear("mean", s.mean, w.mean);
    expectNear("sd", s.sd, w.sd);
    expectNear("mrBar", s.mrBar, w.mrBar);
    expectNear("sdWithin", s.sdWithin, w.sdWithin);
    expectNear("cp", s.cp, w.cp);
    expectNear("cpk", s.cpk, w.cpk);
    expectNear("pp", s.pp, w.pp);
    expectNear("ppk", s.ppk, w.ppk);
    expectNear("iUcl", s.iUcl, w.iUcl);
    expectNear("iLcl", s.iLcl, w.iLcl);
    expectNear("mrUcl", s.mrUcl, w.mrUcl);
    EXPECT_EQ(s.verdicts, w.verdicts);
}

TEST(ChannelStatistics, WorkedExamplesAndUndefinedCases)
{
    struct Case {
        const char *name;
        std::vector<Opt> values;
        std::vector<Verdict> verdicts;
        double lo, hi;
        Want want;
    };
    const std::vector<Opt> five = {10, 12, 11, 13, 14};
    const std::vector<Verdict> fiveGood(5, G);
    const double big = 1e9;
    // The spread and chart limits of `five` hold whatever the limits:
    // mean 60/5 = 12; deviations -2,0,-1,1,2, squares sum 10, s = sqrt(10/4);
    // MRs 2,1,2,1 -> MR-bar 6/4 = 1.5, sw = 1.5/1.128;
    // I chart 12 +- 2.66*1.5 = 12 +- 3.99; MR chart 3.267*1.5 = 4.9005.
    const double r25 = std::sqrt(2.5), r143 = std::sqrt(14.0 / 3), r53 = std::sqrt(5.0 / 3);
    const Want noLimits{5,    0,    12,   r25,   1.5,  1.5 / 1.128, none,
                        none, none, none, 15.99, 8.01, 4.9005,      {5, 0, 0, 0}};
    // clang-format off
    const Case cases[] = {
        // LSL 6, USL 18: Cp = 12/(6*sw) = 12*1.128/9 = 1.504, Cpk = min(6,6)/(3*sw) = 1.504;
        // Pp = 12/(6*s) = 2/sqrt(2.5), Ppk = 6/(3*s) = 2/sqrt(2.5).
        {"symmetric", five, fiveGood, 6, 18,
         {5, 0, 12, r25, 1.5, 1.5 / 1.128, 1.504, 1.504, 2 / r25, 2 / r25,
          15.99, 8.01, 4.9005, {5, 0, 0, 0}}},
        // LSL 8: Cp = 10*1.128/9 = 1.25333.., Cpk = min(6,4)*1.128/4.5 = 1.002666..;
        // Pp = 10/(6*s), Ppk = 4/(3*s).
        {"off centre", five, fiveGood, 8, 18,
         {5, 0, 12, r25, 1.5, 1.5 / 1.128, 11.28 / 9, 4.512 / 4.5, 10 / (6 * r25), 4 / (3 * r25),
          15.99, 8.01, 4.9005, {5, 0, 0, 0}}},
        // Left out: 100 judged Invalid, no value, NaN. Used 2,4,3,7: mean 4;
        // deviations -2,0,-1,3, squares 14, s = sqrt(14/3); MRs of consecutive
        // used values 2,1,4 -> MR-bar 7/3; LSL 0, USL 6: Cp = 6*1.128/(6*7/3) =
        // 3.384/7, Cpk = min(2,4)*1.128/(3*7/3) = 2.256/7; Pp = 1/s, Ppk = 2/(3s);
        // I chart 4 +- 2.66*7/3 = 4 +- 18.62/3; MR chart 3.267*7/3 = 7.623.
        {"invalid left out", {2, 100, 4, none, 3, nan, 7}, {G, I, G, I, A, R, R}, 0, 6,
         {4, 3, 4, r143, 7.0 / 3, 7.0 / 3 / 1.128, 3.384 / 7, 2.256 / 7, 1 / r143, 2 / (3 * r143),
          4 + 18.62 / 3, 4 - 18.62 / 3, 7.623, {2, 1, 2, 2}}},
        // Mean 10 beyond USL 8: s = sqrt(2), MR-bar 2; Cp = 8*1.128/12 = 0.752,
        // Cpk = (8-10)*1.128/6 = -0.376; Pp = 8/(6*sqrt 2), Ppk = -2/(3*sqrt 2).
        {"mean outside", {9, 11}, {R, R}, 0, 8,
         {2, 0, 10, std::sqrt(2.0), 2, 2 / 1.128, 0.752, -0.376, 8 / (6 * std::sqrt(2.0)),
          -2 / (3 * std::sqrt(2.0)), 15.32, 4.68, 6.534, {0, 0, 2, 0}}},
        // `five` shifted by 1e9: a sum of squares would lose the spread, the
        // deviations keep it.
        {"far from zero", {big + 10, big + 12, big + 11, big + 13, big + 14}, fiveGood,
         big + 6, big + 18,
         {5, 0, big + 12, r25, 1.5, 1.5 / 1.128, 1.504, 1.504, 2 / r25, 2 / r25,
          big + 15.99, big + 8.01, 4.9005, {5, 0, 0, 0}}},
        {"no values", {}, {}, 0, 1,
         {0, 0, none, none, none, none, none, none, none, none, none, none, none, {0, 0, 0, 0}}},
        // An infinite value judged good is still no measurement.
        {"only invalid", {none, nan, inf}, {I, R, G}, 0, 1,
         {0, 3, none, none, none, none, none, none, none, none, none, none, none, {1, 0, 1, 1}}},
        {"one value", {5}, {A}, 0, 10,
         {1, 0, 5, none, none, none, none, none, none, none, none, none, none, {0, 1, 0, 0}}},
        // No spread: no index, chart limits on the mean and 0.
        {"all equal", {3, 3, 3}, {G, G, G}, 0, 6,
         {3, 0, 3, 0, 0, 0, none, none, none, none, 3, 3, 0, {3, 0, 0, 0}}},
        {"inverted limits", five, fiveGood, 18, 6, noLimits},
        {"single-point limits", five, fiveGood, 12, 12, noLimits},
        {"NaN limit", five, fiveGood, nan, 18, noLimits},
        {"infinite limit", five, fiveGood, 6, inf, noLimits},
        // A verdict short: that value counts as Invalid. 10,12,11,13: mean 11.5,
        // squares 2.25+0.25+0.25+2.25 = 5, s = sqrt(5/3); MRs 2,1,2 -> 5/3;
        // Cp = 12*1.128/(6*5/3) = 1.3536, Cpk = 5.5*1.128/5 = 1.2408.
        {"verdict missing", five, {G, G, G, G}, 6, 18,
         {4, 1, 11.5, r53, 5.0 / 3, 5.0 / 3 / 1.128, 1.3536, 1.2408, 12 / (6 * r53),
          5.5 / (3 * r53), 11.5 + 2.66 * 5 / 3, 11.5 - 2.66 * 5 / 3, 3.267 * 5 / 3, {4, 0, 0, 1}}},
        // Sum overflows, the mean does not: mean 1.55e308; squares overflow, so
        // no s; MR 1e307, sw = 1e307/1.128; USL 1.7e308: Cp = 1.7e308*1.128/6e307
        // = 3.196, Cpk = 1.5e307*1.128/3e307 = 0.564; UCL 1.55e308 + 2.66e307 is
        // beyond the largest double.
        {"near the largest double", {1.5e308, 1.6e308}, {G, G}, 0, 1.7e308,
         {2, 0, 1.55e308, none, 1e307, 1e307 / 1.128, 3.196, 0.564, none, none, none,
          1.55e308 - 2.66e307, 3.267e307, {2, 0, 0, 0}}},
        // Deviations and the moving range overflow: only the mean, 1.7e308/3.
        {"spread beyond the largest double", {-1.7e308, 1.7e308, 1.7e308}, {G, G, G}, -1e308, 1e308,
         {3, 0, 1.7e308 / 3, none, none, none, none, none, none, none, none, none, none,
          {3, 0, 0, 0}}},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        expectStatistics(channelStatistics(c.values, c.verdicts, c.lo, c.hi), c.want);
    }
}

MeasurementRow row(int channel, Opt value, Verdict v, double lo, double hi)
{
    return {channel, "d", value, "", "mm", lo, lo, hi, hi, v};
}

TEST(ChannelStatistics, OverPartsUsesThePartsWithTheChannelAndTheNewestLimits)
{
    const std::vector<PartRow> parts = {
        {11, "", 0, "s", "", G, {row(1, 10, G, 0, 20), row(2, 5, G, 0, 20)}, {}, {}},
        {12, "", 0, "s", "", G, {row(2, 6, G, 0, 20)}, {}, {}},
        {13, "", 0, "s", "", I, {row(1, none, I, 0, 20)}, {}, {}},
        {14, "", 0, "s", "", A, {row(2, 7, G, 0, 20), row(1, 12, A, 0, 20)}, {}, {}},
        {15, "", 0, "s", "", I, {row(1, 50, I, 0, 20)}, {}, {}}, // a value the board did not
                                                                 // measure
        {16, "", 0, "s", "", R, {row(1, 14, R, 8, 18)}, {}, {}},
    };
    std::vector<Opt> values{99};
    std::vector<std::int64_t> ids{99};
    // Used 10,12,14: mean 12, s = sqrt(8/2) = 2, MRs 2,2 -> 2, sw = 2/1.128;
    // limits of part 16, 8..18: Cp = 10*1.128/12 = 0.94, Cpk = 4*1.128/6 = 0.752,
    // Pp = 10/12, Ppk = 4/6; I chart 12 +- 5.32, MR chart 6.534.
    expectStatistics(statisticsOf(parts, 1, &values, &ids), {3,
                                                             2,
                                                             12,
                                                             2,
                                                             2,
                                                             2 / 1.128,
                                                             0.94,
                                                             0.752,
                                                             10.0 / 12,
                                                             4.0 / 6,
                                                             17.32,
                                                             6.68,
                                                             6.534,
                                                             {1, 1, 1, 2}});
    EXPECT_EQ(values, (std::vector<Opt>{10, none, 12, none, 14}));
    EXPECT_EQ(ids, (std::vector<std::int64_t>{11, 13, 14, 15, 16}));

    // 5,6,7 under 0..20: Cp = 20*1.128/(6*1) = 3.76.
    EXPECT_NEAR(statisticsOf(parts, 2).cp.value_or(0), 3.76, 1e-12);

    const ChannelStatistics absent = statisticsOf(parts, 3, &values, &ids);
    EXPECT_EQ(absent.n + absent.invalid, 0);
    EXPECT_FALSE(absent.mean);
    EXPECT_TRUE(values.empty());
    EXPECT_TRUE(ids.empty());
}

TEST(ChannelStatistics, Text)
{
    const struct {
        Opt v;
        int decimals;
        const char *want;
    } rows[] = {
        {none, 3, "-"},
        {nan, 3, "-"},
        {-inf, 6, "-"},
        {1.504, 3, "1.504"},
        {2 / std::sqrt(2.5), 3, "1.265"},
        {12, 6, "12.000000"},
        {-0.376, 3, "-0.376"},
        {-0.0004, 3, "0.000"}, // no "-0.000"
        {123.4567, 2, "123.46"},
        {2.4, 0, "2"},
        {2.4, -1, "2"},
        {1e20, 2, "100000000000000000000.00"},
    };
    for (const auto &r : rows)
        EXPECT_EQ(statisticText(r.v, r.decimals), r.want) << r.want;
    // The largest double in full (309 digits), not cut off.
    const std::string largest = statisticText(std::numeric_limits<double>::max(), 6);
    EXPECT_EQ(largest.size(), 309u + 7u);
    EXPECT_THAT(largest, ::testing::StartsWith("17976931348623157"));
}

// A standard's data sets with certified results: the NIST statistical
// reference data sets for univariate summary statistics, NumAcc1 to NumAcc4
// (certified sample mean and standard deviation). NumAcc2-4 are one value
// then 500 pairs about it, on ever larger offsets, which a one-pass sum of
// squares gets wrong.
TEST(ChannelStatistics, ReferenceDataSetsGiveTheCertifiedMeanAndDeviation)
{
    struct Set {
        const char *name;
        double first, a, b; // first, then the pairs (a, b)
        int pairs;
        double mean, sd;
    };
    const Set sets[] = {{"NumAcc1", 10000001, 10000003, 10000002, 0, 10000002, 1},
                        {"NumAcc2", 1.2, 1.1, 1.3, 500, 1.2, 0.1},
                        {"NumAcc3", 1000000.2, 1000000.1, 1000000.3, 500, 1000000.2, 0.1},
                        {"NumAcc4", 10000000.2, 10000000.1, 10000000.3, 500, 10000000.2, 0.1}};
    for (const Set &set : sets) {
        std::vector<Opt> values{set.first};
        if (set.pairs == 0) { // NumAcc1 is its three values as they stand
            values.push_back(set.a);
            values.push_back(set.b);
        }
        for (int i = 0; i < set.pairs; ++i) {
            values.push_back(set.a);
            values.push_back(set.b);
        }
        const ChannelStatistics s =
            channelStatistics(values, std::vector<Verdict>(values.size(), G), 0, 1);
        ASSERT_TRUE(s.mean && s.sd) << set.name;
        // The certified values to the digits the data carry.
        EXPECT_NEAR(*s.mean, set.mean, 1e-8) << set.name;
        EXPECT_NEAR(*s.sd, set.sd, 1e-9) << set.name;
    }
}

} // namespace
