// The arithmetic of the gauge studies: tail probabilities against printed tables
// and closed forms, the studies against the MSA reference manual's published
// example and cases worked by hand, and the refusal of input a study cannot use.
#include "quality/distributions.h"
#include "quality/gaugestudy.h"
#include "quality/type1study.h"
#include "quality_studydata.h"

#include <gmock/gmock.h>

#include <cmath>
#include <limits>

using namespace qmxsrv::study;
using qmxtest::msaExample;
using qmxtest::sheet;
using qmxtest::smallGrr;
using ::testing::HasSubstr;

namespace {

using Opt = std::optional<double>;
const Opt none;
const double nan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

void expectNear(const char *what, const Opt &got, const Opt &want, double tol)
{
    if (!want) {
        EXPECT_FALSE(got) << what << " should be undefined, is " << *got;
        return;
    }
    ASSERT_TRUE(got) << what << " undefined, want " << *want;
    EXPECT_NEAR(*got, *want, tol) << what;
}

template <class R> std::string errorOf(const std::variant<R, std::string> &v)
{
    const std::string *e = std::get_if<std::string>(&v);
    return e ? *e : std::string("(no error)");
}

TEST(Distributions, PublishedValuesClosedFormsAndEnds)
{
    // NIST/SEMATECH e-Handbook of Statistical Methods, tables 1.3.6.7.3 (upper
    // critical values of F) and 1.3.6.7.2 (of t), to three decimals: the tail
    // beyond each value is alpha within that rounding. d1 = 0 marks a t value.
    // clang-format off
    const struct { double value, d1, d2, alpha; } table[] = {
        {161.448, 1, 1, .05}, {4.103, 2, 10, .05}, {2.978, 10, 10, .05}, {2.456, 9, 18, .05},
        {3.150, 2, 60, .05}, {4052.19, 1, 1, .01}, {7.559, 2, 10, .01}, {3.597, 9, 18, .01},
        {6.895, 1, 100, .01}, {12.706, 0, 1, .05}, {4.303, 0, 2, .05}, {2.093, 0, 19, .05},
        {1.984, 0, 100, .05}, {63.657, 0, 1, .01}, {4.032, 0, 5, .01}, {2.756, 0, 29, .01}};
    // clang-format on
    for (const auto &c : table) {
        SCOPED_TRACE(testing::Message() << c.value << " (" << c.d1 << ", " << c.d2 << ")");
        const double tol = c.alpha / 500;
        expectNear("tail", c.d1 > 0 ? fUpperTail(c.value, c.d1, c.d2) : tTwoSided(-c.value, c.d2),
                   c.alpha, tol);
    }
    // F(2, d2): (1 + 2f/d2)^(-d2/2); F(d1, 2): 1 - (q/(1+q))^(d1/2), q = d1 f/2;
    // t(1): 2/pi atan(1/t); t(2): 1 - t/sqrt(2 + t^2). Written without cancellation,
    // so the far tails must hold to a relative 1e-12 too.
    for (double f : {0.01, 1.0, 19.0, 250.0, 1e6}) {
        for (double d : {1.0, 2.5, 7.0, 60.0, 1e4}) {
            SCOPED_TRACE(testing::Message() << "f " << f << ", df " << d);
            const double want = std::pow(1 + 2 * f / d, -d / 2);
            expectNear("F(2, d2)", fUpperTail(f, 2, d), want, 1e-12 * want);
            const double other = -std::expm1(-d / 2 * std::log1p(2 / (d * f)));
            expectNear("F(d1, 2)", fUpperTail(f, d, 2), other, 1e-12 * other);
        }
    }
    for (double t : {0.0, 0.3, 2.5, 40.0, 1e5}) {
        SCOPED_TRACE(testing::Message() << "t " << t);
        const double cauchy = 2 / std::acos(-1.0) * std::atan2(1, t);
        const double root = std::sqrt(2 + t * t), two = 2 / (root * (root + t));
        expectNear("t(1)", tTwoSided(t, 1), cauchy, 1e-12 * cauchy);
        expectNear("t(2)", tTwoSided(t, 2), two, 1e-12 * two);
    }
    // The ends, and input without a distribution.
    // clang-format off
    const struct { const char *name; Opt got, want; } ends[] = {
        {"x = 0", incompleteBeta(0, 2, 3), 0.0}, {"x = 1", incompleteBeta(1, 2, 3), 1.0},
        {"x > 1", incompleteBeta(1.1, 2, 3), none}, {"b inf", incompleteBeta(0.5, 2, inf), none},
        {"f < 0", fUpperTail(-2, 3, 4), 1.0}, {"f inf", fUpperTail(inf, 3, 4), 0.0},
        {"f NaN", fUpperTail(nan, 3, 4), none}, {"d1 = 0", fUpperTail(2, 0, 4), none},
        {"d2 NaN", fUpperTail(2, 3, nan), none}, {"t inf", tTwoSided(-inf, 5), 0.0},
        {"t NaN", tTwoSided(nan, 5), none}, {"df < 0", tTwoSided(1, -1), none}};
    // clang-format on
    for (const auto &c : ends)
        expectNear(c.name, c.got, c.want, 0);
}

Type1Options options(double reference, double tolerance, double k = 20, double l = 6,
                     Opt resolution = none)
{
    return {reference, tolerance, k, l, resolution};
}

TEST(Type1Study, WorkedByHand)
{
    // No complete published type 1 example with its data was at hand; by hand:
    // A: 10 x 5.003, 10 x 4.999: mean 5.001, s = 0.002 sqrt(20/19). Against 5:
    //    t = 0.001 sqrt(20)/s = sqrt(19)/2 = 2.18, 19 df: between the table's 2.093
    //    (5 %) and 2.539 (2 %). T = 0.2: Cg = 0.04/(6s), Cgk = 0.019/(3s).
    // B: 5 x 20.000, 10 x 20.002, 5 x 20.004: mean 20.002, s = sqrt(40e-6/19).
    //    Against 20, T = 0.05: Cg = 0.01/(6s) = 1.15, Cgk = 0.003/(3s);
    //    t = 6.16, beyond the table's 3.883 (0.1 %).
    std::vector<double> a(10, 5.003), b(5, 20.0);
    a.insert(a.end(), 10, 4.999);
    b.insert(b.end(), 10, 20.002);
    b.insert(b.end(), 5, 20.004);
    const double sa = 0.002 * std::sqrt(20.0 / 19), sb = std::sqrt(40e-6 / 19);
    const double onT = 2.093 * 0.002 / std::sqrt(19.0); // the bias that makes t the 5 % point
    struct Case {
        const char *name;
        std::vector<double> readings;
        Type1Options options;
        double bias;
        Opt pLow, pHigh, cg, cgk, resolutionPercent;
        std::optional<bool> capable;
    };
    // clang-format off
    const Case cases[] = {
        {"A", a, options(5, 0.2, 20, 6, 0.001), 0.001, 0.02, 0.05,
         0.04 / (6 * sa), 0.019 / (3 * sa), 0.5, true},
        {"A, K 10, L 4", a, options(5, 0.2, 10, 4), 0.001, 0.02, 0.05,
         0.02 / (4 * sa), 0.009 / (2 * sa), none, true},
        {"A, t on the 5 % point", a, options(5.001 - onT, 0.2), onT, 0.0499, 0.0501,
         0.04 / (6 * sa), (0.02 - onT) / (3 * sa), none, true},
        // Cg fine, but the bias 0.026 is past K/200 T = 0.02: Cgk negative.
        {"A, off the reference", a, options(4.975, 0.2), 0.026, 0.0, 1e-9,
         0.04 / (6 * sa), -0.006 / (3 * sa), none, false},
        {"B", b, options(20, 0.05, 20, 6, 0.0005), 0.002, 0.0, 0.001,
         0.01 / (6 * sb), 0.003 / (3 * sb), 1.0, false},
        // 0.1 is no binary fraction: a plain sum / n would leave a spread of rounding.
        {"no spread", std::vector<double>(25, 0.1), options(0.09, 1, 20, 6, 0.01), 0.01,
         none, none, none, none, 1.0, std::nullopt},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const auto v = type1Study(c.readings, c.options);
        const Type1Result *r = std::get_if<Type1Result>(&v);
        ASSERT_NE(r, nullptr) << errorOf(v);
        EXPECT_NEAR(r->bias, c.bias, 1e-12); // Cg and Cgk hold s, the bias the mean
        ASSERT_EQ(r->p.has_value(), c.pLow.has_value());
        if (r->p) {
            EXPECT_GE(*r->p, *c.pLow);
            EXPECT_LE(*r->p, *c.pHigh);
            EXPECT_EQ(r->biasSignificant, *r->p < 0.05);
        }
        expectNear("Cg", r->cg, c.cg, 1e-9);
        expectNear("Cgk", r->cgk, c.cgk, 1e-9);
        expectNear("resolution", r->resolutionPercent, c.resolutionPercent, 1e-12);
        EXPECT_EQ(r->capable, c.capable);
    }
}

TEST(Type1Study, RefusesUnusableInput)
{
    const std::vector<double> twenty(20, 1.0);
    std::vector<double> withNan = twenty, huge = twenty;
    withNan[6] = nan;
    for (std::size_t i = 0; i < huge.size(); ++i)
        huge[i] = i % 2 ? 1e308 : -1e308;
    const struct {
        std::vector<double> readings;
        Type1Options options;
        const char *error;
    } cases[] = {
        {std::vector<double>(19, 1.0), options(1, 1), "at least 20 readings, got 19"},
        {withNan, options(1, 1), "reading 7 is not a number"},
        {twenty, options(inf, 1), "reference value is not a number"},
        {twenty, options(1, -0.5), "tolerance must be a positive number, not -0.5"},
        {twenty, options(1, 1, 101), "not 101"},
        {twenty, options(1, 1, 20, 0), "L must be a positive number"},
        {twenty, options(1, 1, 20, 6, 0.0), "resolution must be a positive number"},
        {huge, options(0, 1), "too large"},
    };
    for (const auto &c : cases)
        EXPECT_THAT(errorOf(type1Study(c.readings, c.options)), HasSubstr(c.error));
}

GrrResult resultOf(const std::variant<GrrResult, std::string> &v)
{
    EXPECT_TRUE(std::holds_alternative<GrrResult>(v)) << errorOf(v);
    const GrrResult *r = std::get_if<GrrResult>(&v);
    return r ? *r : GrrResult{};
}

// sigma and % of TV; % of tolerance is checked where a tolerance is given
void expectComponent(const char *what, const std::optional<VariationComponent> &got, double sigma,
                     Opt percentOfTv, double tolSigma, double tolPercent)
{
    ASSERT_TRUE(got) << what << " absent";
    EXPECT_NEAR(got->sigma, sigma, tolSigma) << what;
    expectNear(what, got->percentOfTv, percentOfTv, tolPercent);
}

TEST(GrrStudy, MsaReferenceManualExample)
{
    // The MSA reference manual's example, typed in quality_studydata.h.
    const std::vector<Reading> data = sheet(msaExample());
    // Average and range: the manual's form rounds R-double-bar (0.3417), X-diff
    // (0.4447) and Rp (3.511) before the constants, hence 1e-4 on the sigmas and
    // 0.01 on its two-decimal percentages.
    const GrrResult &ar = resultOf(grrStudy(data, {GrrMethod::Ranges, none, 0.25}));
    ASSERT_TRUE(ar.ranges);
    EXPECT_NEAR(ar.ranges->rBar, 0.3417, 5e-5);
    EXPECT_NEAR(ar.ranges->xDiff, 0.4447, 5e-5);
    EXPECT_NEAR(ar.ranges->rp, 3.511, 5e-4);
    expectComponent("EV", ar.ev, 0.20188, 17.61, 1e-4, 0.01);
    expectComponent("AV", ar.av, 0.22963, 20.04, 1e-4, 0.01);
    expectComponent("GRR", ar.grr, 0.30575, 26.68, 1e-4, 0.01);
    expectComponent("PV", ar.pv, 1.10456, 96.37, 1e-4, 0.01);
    expectComponent("TV", ar.tv, 1.14610, 100.0, 1e-4, 1e-9);
    EXPECT_FALSE(ar.interaction || ar.interactionP || ar.pooled || !ar.anova.empty());
    EXPECT_EQ(ar.ndc, 5);
    EXPECT_EQ(ar.verdict, GrrVerdict::Conditional);

    // ANOVA table (SS to 4 decimals, MS to 5, F to 2 or 3; appraiser and parts
    // against the interaction), then its results (sigma to 6 decimals, % to 1).
    const GrrResult &an = resultOf(grrStudy(data, {GrrMethod::Anova, none, 0.25}));
    // clang-format off
    const struct { const char *source; int df; double ss; Opt ms, f; } rows[] = {
        {"Appraiser", 2, 3.1673, 1.58363, 79.41}, {"Parts", 9, 88.3619, 9.81799, 492.29},
        {"Appraiser by part", 18, 0.3590, 0.01994, 0.434},
        {"Repeatability", 60, 2.7589, 0.04598, none}, {"Total", 89, 94.6471, none, none}};
    // clang-format on
    ASSERT_EQ(an.anova.size(), std::size(rows));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].source);
        EXPECT_EQ(an.anova[i].source, rows[i].source);
        EXPECT_EQ(an.anova[i].df, rows[i].df);
        EXPECT_NEAR(an.anova[i].ss, rows[i].ss, 5e-5);
        expectNear("MS", an.anova[i].ms, rows[i].ms, 5e-6);
        expectNear("F", an.anova[i].f, rows[i].f, rows[i].f.value_or(0) > 1 ? 0.005 : 0.0005);
        EXPECT_EQ(an.anova[i].p.has_value(), rows[i].f.has_value());
    }
    // F 0.434 on (18, 60) is far above 0.25: the interaction is pooled.
    EXPECT_TRUE(an.pooled && an.interactionP.value_or(0) > 0.9);
    ASSERT_EQ(an.pooledAnova.size(), 4u);
    EXPECT_EQ(an.pooledAnova[2].df, 78);
    EXPECT_NEAR(an.pooledAnova[2].ss, 0.3590 + 2.7589, 1e-4);
    expectComponent("EV", an.ev, 0.199933, 18.4, 5e-6, 0.05);
    expectComponent("AV", an.av, 0.226838, 20.9, 5e-6, 0.05);
    expectComponent("INT", an.interaction, 0, 0.0, 0, 0);
    expectComponent("GRR", an.grr, 0.302373, 27.9, 5e-6, 0.05);
    expectComponent("PV", an.pv, 1.042327, 96.0, 5e-6, 0.05);
    EXPECT_EQ(an.ndc, 4);
    EXPECT_EQ(an.verdict, GrrVerdict::Conditional);
}

TEST(GrrStudy, AverageAndRangeConstantsAgainstTheD2Tables)
{
    // Parts spread evenly over 0..1, so Rp = 1. With trials alike and appraisers
    // 0 and 1 apart, EV = 0 and AV = K2; with appraisers alike and every cell's
    // trials over 0..1, EV = K1 and the AV square is negative, so AV = 0. Each K is
    // 1/d2*: the MSA manual's appendix C, one range (g = 1) for K2 and K3, many
    // (d2) for K1; 5 decimals against the constants' 4.
    const double d2one[] = {0,       0,       1.41421, 1.91155, 2.23887, 2.48124,
                            2.67253, 2.82981, 2.96288, 3.07794, 3.17905};
    const double d2many[] = {0, 0, 1.12838, 1.69257};
    for (int p = 2; p <= 10; ++p) {
        const int k = 2 + p % 2, r = 2 + p / 2 % 2;
        SCOPED_TRACE(testing::Message()
                     << p << " parts, " << k << " appraisers, " << r << " trials");
        std::vector<Reading> spreadAppraisers, spreadTrials;
        for (int a = 0; a < k; ++a)
            for (int i = 0; i < p; ++i)
                for (int t = 0; t < r; ++t) {
                    const double part = double(i) / (p - 1);
                    spreadAppraisers.push_back({a, i, t, part + double(a) / (k - 1)});
                    spreadTrials.push_back({a, i, t, part + double(t) / (r - 1)});
                }
        const GrrResult &x = resultOf(grrStudy(spreadAppraisers, {GrrMethod::Ranges, none, 0.25}));
        EXPECT_EQ(x.ev.sigma, 0);
        EXPECT_NEAR(x.av->sigma, 1 / d2one[k], 5e-5);
        EXPECT_NEAR(x.pv.sigma, 1 / d2one[p], 5e-5);
        const GrrResult &y = resultOf(grrStudy(spreadTrials, {GrrMethod::Ranges, none, 0.25}));
        EXPECT_NEAR(y.ev.sigma, 1 / d2many[r], 5e-5);
        EXPECT_EQ(y.av->sigma, 0);
    }
}

TEST(GrrStudy, AnovaWorkedByHand)
{
    // 3 parts x 2 appraisers x 2 trials, each cell's trials its mean -1 and +1.
    // Cells: appraiser 1: 2, 8, 8 (mean 6); appraiser 2: 4, 12, 8 (mean 8); parts
    // 3, 10, 8; grand 7; interaction residuals 0, -1, 1 / 0, 1, -1. SS: appraiser
    // 12, parts 104, interaction 8, repeatability 12 (df 6), total 136; MS 12, 52,
    // 4, 2. F: 12/4 on (1, 2), p = 1 - sqrt(3/5); 52/4 on (2, 2), p = 1/14;
    // interaction 4/2 on (2, 6), p = (1 + 2*2/6)^-3 = 0.216.
    const std::vector<Reading> data = sheet(smallGrr());
    // Kept (0.216 is not above 0.25): EV^2 = 2, INT^2 = (4-2)/2, AV^2 = (12-4)/6,
    // PV^2 = (52-4)/4 = 12, TV^2 = 49/3. %GRR = 100 sqrt(13)/7; ndc = floor(2.35).
    const GrrResult &kept = resultOf(grrStudy(data, {GrrMethod::Anova, 30.0, 0.25}));
    const double ss[] = {12, 104, 8, 12, 136};
    const Opt p[] = {1 - std::sqrt(0.6), 1.0 / 14, 0.216, none, none};
    ASSERT_EQ(kept.anova.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_NEAR(kept.anova[i].ss, ss[i], 1e-12) << kept.anova[i].source;
        expectNear(kept.anova[i].source.c_str(), kept.anova[i].p, p[i], 1e-12);
    }
    const double tv = std::sqrt(49.0 / 3);
    EXPECT_FALSE(kept.pooled || !kept.pooledAnova.empty());
    expectComponent("EV", kept.ev, std::sqrt(2.0), 100 * std::sqrt(2.0) / tv, 1e-12, 1e-9);
    expectComponent("AV", kept.av, std::sqrt(4.0 / 3), 100 * std::sqrt(4.0 / 3) / tv, 1e-12, 1e-9);
    expectComponent("INT", kept.interaction, 1, 100 / tv, 1e-12, 1e-9);
    expectComponent("GRR", kept.grr, std::sqrt(13.0 / 3), 100 * std::sqrt(13.0) / 7, 1e-12, 1e-9);
    expectComponent("PV", kept.pv, std::sqrt(12.0), 100 * std::sqrt(12.0) / tv, 1e-12, 1e-9);
    expectNear("% of tolerance", kept.grr.percentOfTolerance, 20 * std::sqrt(13.0 / 3), 1e-9);
    EXPECT_EQ(kept.ndc, 2);
    EXPECT_EQ(kept.verdict, GrrVerdict::NotAcceptable);

    // Pooled above 0.2: MS (8 + 12)/8 = 2.5; AV^2 = 9.5/6, PV^2 = 49.5/4; parts
    // F = 52/2.5 on (2, 8), p = (1 + 2*20.8/8)^-4 = 6.2^-4.
    const GrrResult &pooled = resultOf(grrStudy(data, {GrrMethod::Anova, none, 0.2}));
    ASSERT_TRUE(pooled.pooled);
    ASSERT_EQ(pooled.pooledAnova.size(), 4u);
    expectNear("parts p", pooled.pooledAnova[1].p, std::pow(6.2, -4), 1e-15);
    EXPECT_EQ(pooled.pooledAnova[2].df, 8);
    EXPECT_NEAR(pooled.ev.sigma, std::sqrt(2.5), 1e-12);
    EXPECT_NEAR(pooled.av->sigma, std::sqrt(9.5 / 6), 1e-12);
    EXPECT_NEAR(pooled.pv.sigma, std::sqrt(12.375), 1e-12);
    EXPECT_EQ(pooled.interaction->sigma, 0);
}

TEST(GrrStudy, DegenerateSpreadsAndVerdictBands)
{
    // No interaction at all: appraiser and parts F against it undefined; the
    // interaction (F 0, p 1) pooled, except that a threshold of 1 never pools.
    const auto additive = sheet({{{1, 9}, {3, 11}}, {{3, 11}, {5, 13}}});
    const GrrResult &a = resultOf(grrStudy(additive, {GrrMethod::Anova, none, 0.25}));
    EXPECT_FALSE(a.anova[0].f || a.anova[1].p);
    EXPECT_TRUE(a.pooled);
    EXPECT_FALSE(resultOf(grrStudy(additive, {GrrMethod::Anova, none, 1})).pooled);
    // No spread anywhere (0.1: rounding in the means would show as spread):
    // every percentage of TV, ndc and the verdict undefined.
    const std::vector<double> flat(3, 0.1);
    const GrrResult &f = resultOf(
        grrStudy(sheet({{flat, flat, flat}, {flat, flat, flat}}), {GrrMethod::Anova, 1.0, 0.25}));
    EXPECT_EQ(f.tv.sigma, 0);
    EXPECT_FALSE(f.grr.percentOfTv || f.ndc || f.verdict || f.anova[0].f);
    expectNear("% of tolerance", f.grr.percentOfTolerance, 0.0, 0);
    // 10 and 30 themselves belong to the middle band.
    EXPECT_EQ(grrVerdict(std::nextafter(10.0, 0.0)), GrrVerdict::Acceptable);
    EXPECT_EQ(grrVerdict(10), GrrVerdict::Conditional);
    EXPECT_EQ(grrVerdict(30), GrrVerdict::Conditional);
    EXPECT_EQ(grrVerdict(std::nextafter(30.0, 100.0)), GrrVerdict::NotAcceptable);
}

TEST(Type3Study, WorkedByHand)
{
    // Parts (10, 12), (19, 21), (28, 30): means 11, 20, 29. SS parts 324 (MS 162),
    // repeatability 6 (df 3, MS 2), total 330; F = 81, p = (1 + 2*81/3)^-1.5.
    // EV^2 = 2, PV^2 = (162 - 2)/2 = 80, TV^2 = 82: %GRR 15.6; ndc floor(1.41 sqrt 40).
    const GrrResult &r = resultOf(type3Study(sheet({{{10, 19, 28}, {12, 21, 30}}}), 20.0));
    ASSERT_EQ(r.anova.size(), 3u);
    EXPECT_NEAR(r.anova[0].ss, 324, 1e-12);
    expectNear("p", r.anova[0].p, std::pow(55.0, -1.5), 1e-15);
    EXPECT_EQ(r.anova[1].df, 3);
    EXPECT_NEAR(r.anova[2].ss, 330, 1e-12);
    const double tv = std::sqrt(82.0);
    expectComponent("GRR", r.grr, std::sqrt(2.0), 100 * std::sqrt(2.0) / tv, 1e-12, 1e-9);
    expectComponent("PV", r.pv, std::sqrt(80.0), 100 * std::sqrt(80.0) / tv, 1e-12, 1e-9);
    expectNear("% of tolerance", r.ev.percentOfTolerance, 30 * std::sqrt(2.0), 1e-9);
    EXPECT_FALSE(r.av || r.interaction);
    EXPECT_EQ(r.ndc, 8);
    EXPECT_EQ(r.verdict, GrrVerdict::Conditional);
    // Parts alike, (1, 3), (2, 2), (3, 1): the PV square (0 - 4/3)/2 is negative, so
    // PV = 0, all of TV is the gauge, and ndc floor(0) is raised to 1.
    const GrrResult &w = resultOf(type3Study(sheet({{{1, 2, 3}, {3, 2, 1}}}), none));
    EXPECT_EQ(w.pv.sigma, 0);
    expectNear("%GRR", w.grr.percentOfTv, 100.0, 1e-9);
    EXPECT_EQ(w.ndc, 1);
    EXPECT_EQ(w.verdict, GrrVerdict::NotAcceptable);
}

TEST(GrrStudy, RefusesUnusableInput)
{
    const auto full = sheet({{{1, 2}, {1, 2}}, {{1, 2}, {1, 2}}});
    auto with = [&](std::vector<Reading> extra, std::size_t drop = 99) {
        std::vector<Reading> r = full;
        if (drop < r.size())
            r.erase(r.begin() + long(drop));
        r.insert(r.end(), extra.begin(), extra.end());
        return r;
    };
    auto sparse = sheet({{{1, 2, 3}, {1, 2, 3}}, {{1, 2, 3}, {1, 2, 3}}});
    sparse.erase(sparse.begin() + 5, sparse.end() - 1);
    const GrrOptions grr{GrrMethod::Anova, none, 0.25};
    struct Case {
        bool type3;
        std::vector<Reading> readings;
        GrrOptions options;
        const char *error;
    };
    // clang-format off
    const Case cases[] = {
        {false, {}, grr, "no readings"},
        {false, with({}, 7), grr, "not balanced; missing: appraiser 2 part 2 trial 2"},
        {false, with({{0, 0, 0, 1}}, 7), grr, "; given more than once: appraiser 1 part 1 trial 1 (2 times)"},
        {false, sparse, grr, "missing: appraiser 1 part 3 trial 2, appraiser 2 part 1 trial 1, "
                             "appraiser 2 part 1 trial 2, appraiser 2 part 2 trial 1 and 2 more"},
        {false, with({{0, 10, 0, 1}}), grr, "a gauge R&R study takes 2 to 10 parts, the readings have more"},
        {false, sheet({{{1}, {1}}, {{1}, {1}}}), grr, "2 to 10 parts, the readings have 1"},
        {false, sheet({{{1, 2}, {1, 2}}}), grr, "2 to 3 appraisers, the readings have 1"},
        {false, with({{-1, 0, 0, 1}}), grr, "reading 9 has a negative index"},
        {false, with({{0, 0, -1, 1}}), grr, "reading 9 has a negative index"},
        {false, with({{1, 1, 1, nan}}), grr, "reading 9 (appraiser 2 part 2 trial 2) is not a number"},
        {false, full, {GrrMethod::Anova, 0.0, 0.25}, "tolerance must be a positive number"},
        {false, full, {GrrMethod::Anova, none, nan}, "pooling threshold must be a p-value"},
        {false, sheet({{{1e308, -1e308}, {-1e308, 1e308}}, {{1e308, 1e308}, {-1e308, -1e308}}}), grr, "too large"},
        {true, full, grr, "a type 3 study has no appraisers, but reading 5 names appraiser 2"},
        {true, {{0, 0, 0, 1}, {0, 1, 10, 1}}, grr, "2 to 10 trials, the readings have more"},
        {true, sheet({{{1, 2, 3}, {1, 2}}}), grr, "missing: part 3 trial 2"},
    };
    // clang-format on
    for (const Case &c : cases)
        EXPECT_THAT(errorOf(c.type3 ? type3Study(c.readings, c.options.tolerance)
                                    : grrStudy(c.readings, c.options)),
                    HasSubstr(c.error));
}

} // namespace
