// What the study units share and do not publish: the checks of their input and
// its texts, the balanced design the readings are arranged into, a careful
// mean, and a ratio that is empty where it would be infinite.
#pragma once

#include "quality/gaugestudy.h"

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace qmxsrv::study::detail {

// A number for an error text, without trailing zeros.
std::string number(double v);

// num / den; empty when den is not above 0 or the quotient is not finite.
std::optional<double> ratio(double num, double den);

// The mean with the first pass's rounding corrected, so that equal values give
// exactly their value and readings without spread show none. Not empty.
double average(const std::vector<double> &xs);

// The error text for a tolerance that is given but not a positive number.
std::optional<std::string> toleranceError(const std::optional<double> &tolerance);

struct Limits {
    const char *study; // "a gauge R&R study", the subject of the error texts
    int minParts, maxParts, maxAppraisers, maxTrials;
    bool withAppraisers; // false: every appraiser index must be 0
};

// Every appraiser x part x trial once, stored as [appraiser][part][trial].
struct Design {
    int appraisers = 0, parts = 0, trials = 0;
    std::vector<double> values;

    double at(int a, int p, int t) const { return values[index(a, p, t)]; }
    std::size_t index(int a, int p, int t) const
    {
        return (static_cast<std::size_t>(a) * parts + p) * trials + t;
    }
};

// The sizes come from the largest indices; anything missing or given twice is
// refused, naming the first few such cells.
std::variant<Design, std::string> arrange(const std::vector<Reading> &readings,
                                          const Limits &limits);

} // namespace qmxsrv::study::detail
