// The type 1 study: one appraiser measures one reference part of known value
// again and again. It tells whether the gauge alone, its bias and its
// repeatability, fits the tolerance (Cg, Cgk) before appraisers and parts come in.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace qmxsrv::study {

constexpr int kType1MinReadings = 20;
constexpr double kMinCapability = 1.33; // Cg and Cgk at or above this: capable

struct Type1Options {
    double reference = 0;             // Xm, the part's known value
    double tolerance = 0;             // T = USL - LSL, > 0
    double k = 20;                    // percent of the tolerance the gauge's spread may take
    double l = 6;                     // the spread in standard deviations
    std::optional<double> resolution; // the channel's smallest step
};

// Empty fields are undefined for the data: readings without any spread.
struct Type1Result {
    int n = 0;
    double mean = 0, sd = 0; // sd with n - 1
    double bias = 0;         // mean - reference
    // The t test of bias = 0, n - 1 degrees of freedom, two-sided.
    std::optional<double> t, p;
    std::optional<bool> biasSignificant;     // p < 0.05
    std::optional<double> cg;                // (K/100 T) / (L s)
    std::optional<double> cgk;               // (K/200 T - |bias|) / (L/2 s)
    std::optional<double> resolutionPercent; // of the tolerance, when a resolution is given
    std::optional<bool> capable;             // Cg and Cgk both >= 1.33
};

// At least kType1MinReadings readings in the order taken; an error text for
// unusable input.
std::variant<Type1Result, std::string> type1Study(const std::vector<double> &readings,
                                                  const Type1Options &options);

} // namespace qmxsrv::study
