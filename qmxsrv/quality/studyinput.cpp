#include "quality/studyinput.h"

#include <algorithm>
#include <cmath>

namespace qmxsrv::study::detail {

namespace {

std::string cellName(const Limits &limits, int a, int p, int t)
{
    std::string s;
    if (limits.withAppraisers)
        s = "appraiser " + std::to_string(a + 1) + " ";
    return s + "part " + std::to_string(p + 1) + " trial " + std::to_string(t + 1);
}

// The first few of a list, then how many more: enough to find them on the sheet.
void appendList(std::string &out, const char *what, const std::vector<std::string> &items)
{
    constexpr std::size_t shown = 4;
    if (items.empty())
        return;
    out += out.empty() ? "" : "; ";
    out += what;
    out += ": ";
    for (std::size_t i = 0; i < items.size() && i < shown; ++i)
        out += (i ? ", " : "") + items[i];
    if (items.size() > shown)
        out += " and " + std::to_string(items.size() - shown) + " more";
}

// Checks one count against its limits; the count is the largest index + 1,
// named only "more" when that index alone is past the limit.
std::optional<std::string> checkSize(const Limits &limits, const char *what, int largestIndex,
                                     int min, int max)
{
    if (largestIndex < max && largestIndex + 1 >= min)
        return std::nullopt;
    return std::string(limits.study) + " takes " + std::to_string(min) + " to " +
           std::to_string(max) + " " + what + ", the readings have " +
           (largestIndex >= max ? std::string("more") : std::to_string(largestIndex + 1));
}

} // namespace

std::string number(double v)
{
    if (!std::isfinite(v))
        return std::isnan(v) ? "NaN" : v > 0 ? "infinity" : "-infinity";
    std::string s = std::to_string(v);
    s.erase(s.find_last_not_of('0') + 1);
    if (!s.empty() && s.back() == '.')
        s.pop_back();
    return s;
}

std::optional<double> ratio(double num, double den)
{
    if (!(den > 0))
        return std::nullopt;
    const double r = num / den;
    if (!std::isfinite(r))
        return std::nullopt;
    return r;
}

double average(const std::vector<double> &xs)
{
    const double n = static_cast<double>(xs.size());
    double sum = 0;
    for (double x : xs)
        sum += x;
    double mean = sum / n;
    if (!std::isfinite(mean)) { // the sum overflowed; x / n cannot
        mean = 0;
        for (double x : xs)
            mean += x / n;
    }
    double error = 0;
    for (double x : xs)
        error += x - mean;
    return mean + error / n;
}

std::optional<std::string> toleranceError(const std::optional<double> &tolerance)
{
    if (tolerance && !(std::isfinite(*tolerance) && *tolerance > 0))
        return "the tolerance must be a positive number, not " + number(*tolerance);
    return std::nullopt;
}

std::variant<Design, std::string> arrange(const std::vector<Reading> &readings,
                                          const Limits &limits)
{
    if (readings.empty())
        return std::string("no readings");
    int maxA = 0, maxP = 0, maxT = 0;
    for (std::size_t i = 0; i < readings.size(); ++i) {
        const Reading &r = readings[i];
        const std::string which = "reading " + std::to_string(i + 1);
        if (r.appraiser < 0 || r.part < 0 || r.trial < 0)
            return which + " has a negative index";
        if (!limits.withAppraisers && r.appraiser != 0)
            return std::string(limits.study) + " has no appraisers, but " + which +
                   " names appraiser " + std::to_string(r.appraiser + 1);
        if (!std::isfinite(r.value))
            return which + " (" + cellName(limits, r.appraiser, r.part, r.trial) +
                   ") is not a number";
        maxA = std::max(maxA, r.appraiser);
        maxP = std::max(maxP, r.part);
        maxT = std::max(maxT, r.trial);
    }
    if (auto e = checkSize(limits, "parts", maxP, limits.minParts, limits.maxParts))
        return *e;
    if (limits.withAppraisers)
        if (auto e = checkSize(limits, "appraisers", maxA, 2, limits.maxAppraisers))
            return *e;
    if (auto e = checkSize(limits, "trials", maxT, 2, limits.maxTrials))
        return *e;

    Design d;
    d.appraisers = maxA + 1;
    d.parts = maxP + 1;
    d.trials = maxT + 1;
    d.values.assign(static_cast<std::size_t>(d.appraisers) * d.parts * d.trials, 0.0);
    std::vector<int> count(d.values.size(), 0);
    for (const Reading &r : readings) {
        const std::size_t i = d.index(r.appraiser, r.part, r.trial);
        ++count[i];
        d.values[i] = r.value;
    }
    std::vector<std::string> missing, doubled;
    for (int a = 0; a < d.appraisers; ++a)
        for (int p = 0; p < d.parts; ++p)
            for (int t = 0; t < d.trials; ++t) {
                const int c = count[d.index(a, p, t)];
                if (c == 0)
                    missing.push_back(cellName(limits, a, p, t));
                else if (c > 1)
                    doubled.push_back(cellName(limits, a, p, t) + " (" + std::to_string(c) +
                                      " times)");
            }
    if (missing.empty() && doubled.empty())
        return d;
    std::string why;
    appendList(why, "missing", missing);
    appendList(why, "given more than once", doubled);
    return "the study is not balanced; " + why;
}

} // namespace qmxsrv::study::detail
