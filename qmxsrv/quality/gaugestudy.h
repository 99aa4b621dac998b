// The gauge R&R study (type 2) by the average-and-range method or by ANOVA,
// and the type 3 study of a gauge without appraiser influence: how much of the
// variation seen over a few parts is the measuring, how much the parts.
// Pure functions of the readings: no device, no storage, no Qt.
//
// A figure that the data leave undefined (no spread at all, a ratio to zero)
// is empty, never an infinity or a NaN. Input the study cannot use (too few
// readings, an unbalanced design, sizes out of range) gives an error text
// instead of a result.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace qmxsrv::study {

// Indices from 0; the caller maps its labels to them. Error texts count from 1,
// as the sheet in front of the appraiser does.
struct Reading {
    int appraiser = 0;
    int part = 0;
    int trial = 0;
    double value = 0;
};

enum class GrrMethod { Ranges, Anova };

// On %GRR of the total variation: under 10 acceptable, 10 to 30 (both ends
// included) acceptable with reservations, over 30 not acceptable.
enum class GrrVerdict { Acceptable, Conditional, NotAcceptable };
GrrVerdict grrVerdict(double grrPercentOfTv);

// One source of variation as a standard deviation (1 sigma) and in percent.
struct VariationComponent {
    double sigma = 0;
    std::optional<double> percentOfTv;        // 100 sigma / TV; empty when TV is 0
    std::optional<double> percentOfTolerance; // 100 * 6 sigma / T; with a tolerance only
};

struct AnovaRow {
    std::string source;
    int df = 0;
    double ss = 0;
    std::optional<double> ms;   // empty for the total
    std::optional<double> f, p; // empty where the row is no test, or the divisor is 0
};

// The figures of the average-and-range method that its form shows.
struct RangeFigures {
    double rBar = 0;  // average range over appraisers and parts
    double xDiff = 0; // largest minus smallest appraiser average
    double rp = 0;    // range of the part averages
};

struct GrrResult {
    GrrMethod method = GrrMethod::Anova;
    int parts = 0, appraisers = 0, trials = 0; // a type 3 study has one appraiser: the gauge
    VariationComponent ev, grr, pv, tv;
    std::optional<VariationComponent> av; // empty in a type 3 study
    // ANOVA with appraisers only. When pooled, the interaction is 0 and is part of EV.
    std::optional<VariationComponent> interaction;
    std::optional<double> interactionP;
    bool pooled = false;
    // floor(1.41 PV / GRR), at least 1; empty when GRR is 0
    std::optional<int> ndc;
    std::optional<GrrVerdict> verdict;  // empty when TV is 0
    std::optional<RangeFigures> ranges; // average-and-range method
    // ANOVA: the table with every term (the two-way table tests appraiser and
    // part against the interaction, the interaction against repeatability) ...
    std::vector<AnovaRow> anova;
    // ... and, when the interaction was pooled, the table without it.
    std::vector<AnovaRow> pooledAnova;
};

struct GrrOptions {
    GrrMethod method = GrrMethod::Anova;
    std::optional<double> tolerance; // T = USL - LSL, > 0
    // The interaction is pooled into repeatability when its p-value is above this.
    double poolAbove = 0.25;
};

// 2 to 10 parts, 2 or 3 appraisers, 2 or 3 trials; every appraiser x part x
// trial exactly once.
std::variant<GrrResult, std::string> grrStudy(const std::vector<Reading> &readings,
                                              const GrrOptions &options);

constexpr int kType3MaxParts = 1000, kType3MaxTrials = 10; // bounds on the work only

// An automatic gauge: every reading's appraiser is 0; 2 or more parts x 2 or
// more trials, each once. One-way ANOVA over parts.
std::variant<GrrResult, std::string> type3Study(const std::vector<Reading> &readings,
                                                std::optional<double> tolerance);

} // namespace qmxsrv::study
