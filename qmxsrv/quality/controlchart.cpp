#include "quality/controlchart.h"

#include "quality/spcconstants.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace qmxsrv::spc {

namespace {

// The spread chart of a kind and subgroup size: sigma = spread-bar / divisor,
// limits lower * spread-centre .. upper * spread-centre.
struct SpreadFactors {
    double divisor, lower, upper;
};

std::optional<SpreadFactors> spreadFactors(ChartKind kind, int n)
{
    switch (kind) {
    case ChartKind::IndividualsMovingRange:
        if (n != 1)
            return std::nullopt;
        return SpreadFactors{movingRangeD2, 0, movingRangeD4};
    case ChartKind::XbarR:
        if (const auto c = rConstants(n))
            return SpreadFactors{c->d2, c->D3, c->D4};
        return std::nullopt;
    case ChartKind::XbarS:
        if (const auto c = sConstants(n))
            return SpreadFactors{c->c4, c->B3, c->B4};
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<double> finite(double v)
{
    if (std::isfinite(v))
        return v;
    return std::nullopt;
}

// Mean with the first pass's error corrected by the deviations from it:
// measured values sit far from zero with little spread.
std::optional<double> mean(const std::vector<double> &xs)
{
    if (xs.empty())
        return std::nullopt;
    const double n = static_cast<double>(xs.size());
    double sum = 0;
    for (double x : xs)
        sum += x;
    double m = sum / n;
    if (!std::isfinite(m)) { // the sum overflowed; each x / n cannot
        m = 0;
        for (double x : xs)
            m += x / n;
    }
    double dev = 0;
    for (double x : xs)
        dev += x - m;
    if (std::isfinite(dev))
        m += dev / n;
    return finite(m);
}

std::optional<double> range(const std::vector<double> &xs)
{
    if (xs.size() < 2)
        return std::nullopt;
    const auto [lo, hi] = std::minmax_element(xs.begin(), xs.end());
    return finite(*hi - *lo);
}

std::optional<double> sampleSd(const std::vector<double> &xs, double m)
{
    if (xs.size() < 2)
        return std::nullopt;
    double dev2 = 0;
    for (double x : xs)
        dev2 += (x - m) * (x - m);
    return finite(std::sqrt(dev2 / static_cast<double>(xs.size() - 1)));
}

std::optional<ControlLimits> makeLimits(ChartKind kind, int n, double centre, double sigma,
                                        double spreadCentre, const SpreadFactors &f)
{
    ControlLimits l{};
    l.kind = kind;
    l.n = n;
    l.centre = centre;
    l.sigma = sigma;
    l.pointSigma = sigma / std::sqrt(static_cast<double>(n));
    // The run rules draw their lines with the same expression: a point on a
    // limit is on the line, not beyond it.
    l.ucl = l.zone(3);
    l.lcl = l.zone(-3);
    l.spreadCentre = spreadCentre;
    l.spreadUcl = f.upper * spreadCentre;
    l.spreadLcl = f.lower * spreadCentre;
    for (double v :
         {l.centre, l.sigma, l.pointSigma, l.ucl, l.lcl, l.spreadCentre, l.spreadUcl, l.spreadLcl})
        if (!std::isfinite(v))
            return std::nullopt;
    if (!(l.pointSigma > 0))
        return std::nullopt;
    return l;
}

} // namespace

bool subgroupSizeFits(ChartKind kind, int n) { return spreadFactors(kind, n).has_value(); }

double ControlLimits::zone(int k) const { return centre + k * pointSigma; }

std::vector<ChartPoint> chartPoints(ChartKind kind,
                                    const std::vector<std::vector<double>> &subgroups)
{
    std::vector<ChartPoint> points;
    points.reserve(subgroups.size());
    std::optional<double> previous; // the last individual value plotted
    std::vector<double> used;
    for (const std::vector<double> &subgroup : subgroups) {
        used.clear();
        std::copy_if(subgroup.begin(), subgroup.end(), std::back_inserter(used),
                     [](double x) { return std::isfinite(x); });
        ChartPoint p;
        p.size = static_cast<int>(used.size());
        p.value = mean(used);
        if (p.value) {
            switch (kind) {
            case ChartKind::IndividualsMovingRange:
                if (previous)
                    p.spread = finite(std::fabs(*p.value - *previous));
                previous = p.value;
                break;
            case ChartKind::XbarR: p.spread = range(used); break;
            case ChartKind::XbarS: p.spread = sampleSd(used, *p.value); break;
            }
        }
        points.push_back(p);
    }
    return points;
}

std::optional<ControlLimits> limitsFromPoints(ChartKind kind, int n,
                                              const std::vector<ChartPoint> &points)
{
    const auto f = spreadFactors(kind, n);
    if (!f)
        return std::nullopt;
    std::vector<double> values, spreads;
    for (const ChartPoint &p : points) {
        if (!p.value || p.size != n)
            continue;
        values.push_back(*p.value);
        if (p.spread)
            spreads.push_back(*p.spread);
    }
    if (values.size() < 2)
        return std::nullopt;
    const auto centre = mean(values);
    const auto spreadBar = mean(spreads);
    if (!centre || !spreadBar)
        return std::nullopt;
    return makeLimits(kind, n, *centre, *spreadBar / f->divisor, *spreadBar, *f);
}

std::optional<ControlLimits> limitsFromSigma(ChartKind kind, int n, double centre, double sigma)
{
    const auto f = spreadFactors(kind, n);
    if (!f || !(sigma > 0)) // not finite: makeLimits finds it
        return std::nullopt;
    return makeLimits(kind, n, centre, sigma, f->divisor * sigma, *f);
}

} // namespace qmxsrv::spc
