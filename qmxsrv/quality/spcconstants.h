// Control-chart constants by subgroup size: the printed table for range
// charts (operators check our limits against it by hand), c4 and its factors
// computed for standard-deviation charts.
#pragma once

#include <optional>

namespace qmxsrv::spc {

// X-bar/R: n = 2..10. Beyond 10 the range throws away too much of the
// subgroup; the s chart takes over.
struct RConstants {
    int n;
    double A2; // X-bar limits: grand mean +- A2 * R-bar
    double D3; // R chart: D3 * R-bar .. D4 * R-bar
    double D4;
    double d2; // sigma = R-bar / d2
};

// X-bar/s: n = 2..25.
struct SConstants {
    int n;
    double c4; // sigma = s-bar / c4
    double A3; // X-bar limits: grand mean +- A3 * s-bar
    double B3; // s chart: B3 * s-bar .. B4 * s-bar
    double B4;
};

constexpr int minRSubgroup = 2, maxRSubgroup = 10;
constexpr int minSSubgroup = 2, maxSSubgroup = 25;

// The moving range of two consecutive values: the row n = 2 of the range
// table, kept as its own names since the individuals chart has no n.
constexpr double movingRangeD2 = 1.128;
constexpr double movingRangeD4 = 3.267;

std::optional<RConstants> rConstants(int n);
std::optional<SConstants> sConstants(int n);

} // namespace qmxsrv::spc
