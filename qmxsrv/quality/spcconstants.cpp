#include "quality/spcconstants.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace qmxsrv::spc {

namespace {

// As published, three decimals: D4 of 3 and 5 (2.5746, 2.1145) rounded, not
// cut off.
constexpr std::array<RConstants, maxRSubgroup - minRSubgroup + 1> rTable = {{
    {2, 1.880, 0.000, 3.267, 1.128},
    {3, 1.023, 0.000, 2.575, 1.693},
    {4, 0.729, 0.000, 2.282, 2.059},
    {5, 0.577, 0.000, 2.115, 2.326},
    {6, 0.483, 0.000, 2.004, 2.534},
    {7, 0.419, 0.076, 1.924, 2.704},
    {8, 0.373, 0.136, 1.864, 2.847},
    {9, 0.337, 0.184, 1.816, 2.970},
    {10, 0.308, 0.223, 1.777, 3.078},
}};

SConstants computeSConstants(int n)
{
    // c4 = sqrt(2/(n-1)) * Gamma(n/2) / Gamma((n-1)/2); the gammas through
    // their logarithms, whose difference stays small where the gammas grow.
    const double c4 =
        std::sqrt(2.0 / (n - 1)) * std::exp(std::lgamma(n / 2.0) - std::lgamma((n - 1) / 2.0));
    const double w = 3 * std::sqrt(1 - c4 * c4) / c4;
    return {n, c4, 3 / (c4 * std::sqrt(static_cast<double>(n))), std::max(0.0, 1 - w), 1 + w};
}

using STable = std::array<SConstants, maxSSubgroup - minSSubgroup + 1>;

// Computed once: lgamma writes the process-wide signgam, so it is not called
// again from whichever thread asks next.
const STable &sTable()
{
    static const STable table = [] {
        STable t{};
        for (int n = minSSubgroup; n <= maxSSubgroup; ++n)
            t[static_cast<std::size_t>(n - minSSubgroup)] = computeSConstants(n);
        return t;
    }();
    return table;
}

} // namespace

std::optional<RConstants> rConstants(int n)
{
    if (n < minRSubgroup || n > maxRSubgroup)
        return std::nullopt;
    return rTable[static_cast<std::size_t>(n - minRSubgroup)];
}

std::optional<SConstants> sConstants(int n)
{
    if (n < minSSubgroup || n > maxSSubgroup)
        return std::nullopt;
    return sTable()[static_cast<std::size_t>(n - minSSubgroup)];
}

} // namespace qmxsrv::spc
