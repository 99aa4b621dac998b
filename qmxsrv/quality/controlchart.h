// The three control charts for variables: what is plotted per subgroup, the
// process sigma estimated from it, and the limits of the mean (or individuals)
// chart and of its spread chart, from data or typed in from an earlier study.
#pragma once

#include <optional>
#include <vector>

namespace qmxsrv::spc {

enum class ChartKind { IndividualsMovingRange, XbarR, XbarS };

// Subgroup sizes a kind charts: 1 for individuals, 2..10 for X-bar/R, 2..25
// for X-bar/s.
bool subgroupSizeFits(ChartKind kind, int n);

// One subgroup as plotted. Values that are not finite are left out; a
// subgroup with none left has no value (and no spread).
struct ChartPoint {
    std::optional<double> value;  // subgroup mean; for individuals the value itself
    std::optional<double> spread; // range; s (n - 1); or |value - previous value|
    int size = 0;                 // values used
};

struct ControlLimits {
    ChartKind kind;
    int n;
    double centre;     // grand mean, or the typed-in centre
    double sigma;      // sigma of single values
    double pointSigma; // sigma / sqrt(n): the sigma of a plotted point
    double ucl, lcl;   // centre +- 3 pointSigma
    double spreadCentre, spreadUcl, spreadLcl;

    // centre + k * pointSigma: k = +-3 the limits, +-1 and +-2 the zone lines.
    double zone(int k) const;
};

// One point per subgroup, in order. An individuals subgroup is one value; its
// moving range is to the previous subgroup that has a value (none for the first).
std::vector<ChartPoint> chartPoints(ChartKind kind,
                                    const std::vector<std::vector<double>> &subgroups);

// Limits from plotted points of subgroups of n (1 for individuals). Only points
// with all n values count: a short subgroup's range or s would be judged with
// the wrong constant. Empty with fewer than 2 such points, no spread, or a
// sigma of 0.
std::optional<ControlLimits> limitsFromPoints(ChartKind kind, int n,
                                              const std::vector<ChartPoint> &points);

// Limits from a centre and sigma of single values typed in from an earlier
// study. Empty for sigma <= 0 or n the kind does not chart.
std::optional<ControlLimits> limitsFromSigma(ChartKind kind, int n, double centre, double sigma);

} // namespace qmxsrv::spc
