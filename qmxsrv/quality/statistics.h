// Process statistics of one channel over recorded parts: capability indices
// and the limits of the individuals and moving-range charts. Shared by the
// results window and `qmxresults stats`, so both show the same numbers.
#pragma once

#include "core/verdict.h"
#include "quality/resultsstore.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qmxsrv {

// A field is empty whenever it is not defined for the data (too few values,
// no spread, unusable limits): never a division by zero or an infinity.
struct ChannelStatistics {
    int n = 0;                        // values used
    int invalid = 0;                  // values left out (no value, or not finite)
    std::optional<double> mean, sd;   // sd: overall, n-1
    std::optional<double> mrBar;      // average moving range of consecutive used values
    std::optional<double> sdWithin;   // mrBar / 1.128
    std::optional<double> cp, cpk;    // against loTol/hiTol with sdWithin
    std::optional<double> pp, ppk;    // with sd
    std::optional<double> iUcl, iLcl; // individuals chart: mean +- 2.66 * mrBar
    std::optional<double> mrUcl;      // moving-range chart: 3.267 * mrBar
    // count per Verdict (index = int(Verdict)), over all values given
    std::array<int, 4> verdicts{};
};

// values and verdicts in part order, same length (a value without a verdict
// counts as Invalid). A value with the verdict Invalid is left out.
ChannelStatistics channelStatistics(const std::vector<std::optional<double>> &values,
                                    const std::vector<Verdict> &verdicts, double loTol,
                                    double hiTol);

// The statistics of one channel over parts (oldest first): the parts that have that channel;
// limits of the newest such part. Also gives back the values (nullopt for invalid) in part order
// and the ids of those parts when the pointers are not null.
ChannelStatistics statisticsOf(const std::vector<PartRow> &parts, int channel,
                               std::vector<std::optional<double>> *values = nullptr,
                               std::vector<std::int64_t> *partIds = nullptr);

// "-" when not defined, else the number with `decimals` decimals, point as separator (locale-free).
std::string statisticText(const std::optional<double> &v, int decimals);

} // namespace qmxsrv
