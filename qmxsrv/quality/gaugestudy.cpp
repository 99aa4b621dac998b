#include "quality/gaugestudy.h"

#include "quality/distributions.h"
#include "quality/studyinput.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace qmxsrv::study {

using detail::average;
using detail::Design;
using detail::Limits;
using detail::number;
using detail::ratio;

namespace {

// The average-and-range constants of the MSA reference manual (4th edition):
// K1 by trials, K2 by appraisers, K3 by parts, each 1/d2* of the range it scales.
constexpr double kK1[] = {0, 0, 0.8862, 0.5908};
constexpr double kK2[] = {0, 0, 0.7071, 0.5231};
constexpr double kK3[] = {0,      0,      0.7071, 0.5231, 0.4467, 0.4030,
                          0.3742, 0.3534, 0.3375, 0.3249, 0.3146};

constexpr double kNdcFactor = 1.41; // sqrt(2): categories of the part spread the gauge can tell
constexpr double kStudySpread = 6;  // sigmas per study variation, against the tolerance

constexpr Limits kGrrLimits{"a gauge R&R study", 2, 10, 3, 3, true};
constexpr Limits kType3Limits{"a type 3 study", 2, kType3MaxParts, 1, kType3MaxTrials, false};

// ---- the common end of every method ----

VariationComponent component(double sigma, double tv, const std::optional<double> &tolerance)
{
    VariationComponent c;
    c.sigma = sigma;
    c.percentOfTv = ratio(100 * sigma, tv);
    if (tolerance)
        c.percentOfTolerance = ratio(100 * kStudySpread * sigma, *tolerance);
    return c;
}

std::optional<int> distinctCategories(double pv, double grr)
{
    const std::optional<double> r = ratio(kNdcFactor * pv, grr);
    if (!r || *r >= INT_MAX)
        return std::nullopt;
    return std::max(1, static_cast<int>(std::floor(*r)));
}

bool finiteRows(const std::vector<AnovaRow> &rows)
{
    return std::all_of(rows.begin(), rows.end(),
                       [](const AnovaRow &r) { return std::isfinite(r.ss); });
}

// Fills every figure from the component sigmas; an error when the readings were
// so large that a sum overflowed.
std::variant<GrrResult, std::string> finish(GrrResult res, double ev,
                                            const std::optional<double> &av,
                                            const std::optional<double> &interaction, double pv,
                                            const std::optional<double> &tolerance)
{
    const double grr = std::hypot(ev, av.value_or(0), interaction.value_or(0));
    const double tv = std::hypot(grr, pv);
    if (!std::isfinite(tv) || !finiteRows(res.anova) || !finiteRows(res.pooledAnova))
        return std::string("the readings are too large or too far apart to evaluate");
    res.ev = component(ev, tv, tolerance);
    if (av)
        res.av = component(*av, tv, tolerance);
    if (interaction)
        res.interaction = component(*interaction, tv, tolerance);
    res.grr = component(grr, tv, tolerance);
    res.pv = component(pv, tv, tolerance);
    res.tv = component(tv, tv, tolerance);
    res.ndc = distinctCategories(pv, grr);
    if (res.grr.percentOfTv)
        res.verdict = grrVerdict(*res.grr.percentOfTv);
    return res;
}

// The F test of a row against a mean square with its degrees of freedom.
AnovaRow tested(const char *source, int df, double ss, double againstMs, int againstDf)
{
    AnovaRow r{source, df, ss, ss / df, ratio(ss / df, againstMs), std::nullopt};
    if (r.f)
        r.p = fUpperTail(*r.f, df, againstDf);
    return r;
}

AnovaRow plain(const char *source, int df, double ss)
{
    return {source, df, ss, ss / df, std::nullopt, std::nullopt};
}

AnovaRow total(int df, double ss)
{
    return {"Total", df, ss, std::nullopt, std::nullopt, std::nullopt};
}

// ---- means of the design ----

struct Means {
    double grand = 0;
    std::vector<double> appraiser, part, cell; // cell: [appraiser * parts + part]
};

Means meansOf(const Design &d)
{
    Means m;
    m.cell.reserve(static_cast<std::size_t>(d.appraisers) * d.parts);
    std::vector<double> xs;
    for (int a = 0; a < d.appraisers; ++a)
        for (int p = 0; p < d.parts; ++p) {
            xs.clear();
            for (int t = 0; t < d.trials; ++t)
                xs.push_back(d.at(a, p, t));
            m.cell.push_back(average(xs));
        }
    // The design is balanced: the mean of an appraiser's (a part's) cells is
    // the mean of its readings.
    for (int a = 0; a < d.appraisers; ++a)
        m.appraiser.push_back(average(
            std::vector<double>(m.cell.begin() + a * d.parts, m.cell.begin() + (a + 1) * d.parts)));
    for (int p = 0; p < d.parts; ++p) {
        xs.clear();
        for (int a = 0; a < d.appraisers; ++a)
            xs.push_back(m.cell[static_cast<std::size_t>(a) * d.parts + p]);
        m.part.push_back(average(xs));
    }
    m.grand = average(m.part);
    return m;
}

double squaresAbout(const std::vector<double> &xs, double centre)
{
    double s = 0;
    for (double x : xs)
        s += (x - centre) * (x - centre);
    return s;
}

double spread(const std::vector<double> &xs)
{
    const auto [lo, hi] = std::minmax_element(xs.begin(), xs.end());
    return *hi - *lo;
}

// ---- the two methods ----

std::variant<GrrResult, std::string> byRanges(const Design &d, const GrrOptions &o)
{
    const Means m = meansOf(d);
    double rangeSum = 0;
    for (int a = 0; a < d.appraisers; ++a)
        for (int p = 0; p < d.parts; ++p) {
            double lo = d.at(a, p, 0), hi = lo;
            for (int t = 1; t < d.trials; ++t) {
                lo = std::min(lo, d.at(a, p, t));
                hi = std::max(hi, d.at(a, p, t));
            }
            rangeSum += hi - lo;
        }
    GrrResult res;
    res.method = GrrMethod::Ranges;
    res.parts = d.parts;
    res.appraisers = d.appraisers;
    res.trials = d.trials;
    RangeFigures f;
    f.rBar = rangeSum / (d.appraisers * d.parts);
    f.xDiff = spread(m.appraiser);
    f.rp = spread(m.part);
    res.ranges = f;

    const double ev = f.rBar * kK1[d.trials];
    const double avSquared =
        std::pow(f.xDiff * kK2[d.appraisers], 2) - ev * ev / (d.parts * d.trials);
    // Negative when the appraiser averages differ less than repeatability alone would make them.
    const double av = avSquared > 0 ? std::sqrt(avSquared) : 0;
    const double pv = f.rp * kK3[d.parts];
    return finish(res, ev, av, std::nullopt, pv, o.tolerance);
}

std::variant<GrrResult, std::string> byAnova(const Design &d, const GrrOptions &o)
{
    const Means m = meansOf(d);
    const int p = d.parts, k = d.appraisers, r = d.trials;
    const double ssA = p * r * squaresAbout(m.appraiser, m.grand);
    const double ssP = k * r * squaresAbout(m.part, m.grand);
    double ssAP = 0, ssE = 0, ssT = 0;
    for (int a = 0; a < k; ++a)
        for (int i = 0; i < p; ++i) {
            const double cell = m.cell[static_cast<std::size_t>(a) * p + i];
            const double e = cell - m.appraiser[a] - m.part[i] + m.grand;
            ssAP += r * e * e;
            for (int t = 0; t < r; ++t) {
                const double x = d.at(a, i, t);
                ssE += (x - cell) * (x - cell);
                ssT += (x - m.grand) * (x - m.grand);
            }
        }
    const int dfA = k - 1, dfP = p - 1, dfAP = dfA * dfP, dfE = p * k * (r - 1);
    const double msA = ssA / dfA, msP = ssP / dfP, msAP = ssAP / dfAP, msE = ssE / dfE;

    GrrResult res;
    res.method = GrrMethod::Anova;
    res.parts = p;
    res.appraisers = k;
    res.trials = r;
    // Appraisers and parts are random samples, so their mean squares hold the
    // interaction's: they are tested against it, as the MSA manual's table does.
    res.anova = {tested("Appraiser", dfA, ssA, msAP, dfAP), tested("Parts", dfP, ssP, msAP, dfAP),
                 tested("Appraiser by part", dfAP, ssAP, msE, dfE),
                 plain("Repeatability", dfE, ssE), total(p * k * r - 1, ssT)};
    res.interactionP = res.anova[2].p;
    // An interaction that cannot be told from repeatability is repeatability:
    // pooling gives its degrees of freedom to the estimate of EV.
    res.pooled = res.interactionP && *res.interactionP > o.poolAbove;

    double varE, varA, varInt, varP;
    if (res.pooled) {
        const int dfPool = dfAP + dfE;
        const double msPool = (ssAP + ssE) / dfPool;
        res.pooledAnova = {tested("Appraiser", dfA, ssA, msPool, dfPool),
                           tested("Parts", dfP, ssP, msPool, dfPool),
                           plain("Repeatability", dfPool, ssAP + ssE), total(p * k * r - 1, ssT)};
        varE = msPool;
        varInt = 0;
        varA = (msA - msPool) / (p * r);
        varP = (msP - msPool) / (k * r);
    } else {
        varE = msE;
        varInt = (msAP - msE) / r;
        varA = (msA - msAP) / (p * r);
        varP = (msP - msAP) / (k * r);
    }
    // A negative estimate of a variance means that source is lost in the others: 0.
    auto sigma = [](double var) { return var > 0 ? std::sqrt(var) : 0.0; };
    return finish(res, sigma(varE), sigma(varA), sigma(varInt), sigma(varP), o.tolerance);
}

} // namespace

// ---- public ----

GrrVerdict grrVerdict(double grrPercentOfTv)
{
    // "Under 10 %" acceptable, "over 30 %" not: 10 and 30 themselves lie in the
    // band between, acceptable with reservations.
    if (grrPercentOfTv < 10)
        return GrrVerdict::Acceptable;
    if (grrPercentOfTv <= 30)
        return GrrVerdict::Conditional;
    return GrrVerdict::NotAcceptable;
}

std::variant<GrrResult, std::string> grrStudy(const std::vector<Reading> &readings,
                                              const GrrOptions &options)
{
    if (const auto e = detail::toleranceError(options.tolerance))
        return *e;
    if (!(options.poolAbove >= 0 && options.poolAbove <= 1))
        return "the pooling threshold must be a p-value from 0 to 1, not " +
               number(options.poolAbove);
    auto arranged = detail::arrange(readings, kGrrLimits);
    if (auto *e = std::get_if<std::string>(&arranged))
        return *e;
    const Design &d = std::get<Design>(arranged);
    return options.method == GrrMethod::Ranges ? byRanges(d, options) : byAnova(d, options);
}

std::variant<GrrResult, std::string> type3Study(const std::vector<Reading> &readings,
                                                std::optional<double> tolerance)
{
    if (const auto e = detail::toleranceError(tolerance))
        return *e;
    auto arranged = detail::arrange(readings, kType3Limits);
    if (auto *e = std::get_if<std::string>(&arranged))
        return *e;
    const Design &d = std::get<Design>(arranged);
    const Means m = meansOf(d);
    const int p = d.parts, r = d.trials;
    const double ssP = r * squaresAbout(m.part, m.grand);
    double ssE = 0, ssT = 0;
    for (int i = 0; i < p; ++i)
        for (int t = 0; t < r; ++t) {
            const double x = d.at(0, i, t);
            ssE += (x - m.part[i]) * (x - m.part[i]);
            ssT += (x - m.grand) * (x - m.grand);
        }
    const int dfP = p - 1, dfE = p * (r - 1);
    const double msP = ssP / dfP, msE = ssE / dfE;

    GrrResult res;
    res.method = GrrMethod::Anova;
    res.parts = p;
    res.appraisers = 1;
    res.trials = r;
    res.anova = {tested("Parts", dfP, ssP, msE, dfE), plain("Repeatability", dfE, ssE),
                 total(p * r - 1, ssT)};
    const double varP = (msP - msE) / r;
    return finish(res, std::sqrt(msE), std::nullopt, std::nullopt, varP > 0 ? std::sqrt(varP) : 0.0,
                  tolerance);
}

} // namespace qmxsrv::study
