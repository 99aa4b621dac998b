#include "quality/statistics.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace qmxsrv {

namespace {

// The control-chart constants for moving ranges of two: d2, E2 = 3 / d2, D4.
constexpr double D2 = 1.128;
constexpr double E2 = 2.66;
constexpr double D4 = 3.267;

std::optional<double> finite(double v)
{
    if (std::isfinite(v))
        return v;
    return std::nullopt;
}

// Empty when the divisor is no spread at all: an index of a process that did
// not vary says nothing, it is not "infinitely capable".
std::optional<double> ratio(double num, double den)
{
    if (!(den > 0))
        return std::nullopt;
    return finite(num / den);
}

} // namespace

ChannelStatistics channelStatistics(const std::vector<std::optional<double>> &values,
                                    const std::vector<Verdict> &verdicts, double loTol,
                                    double hiTol)
{
    ChannelStatistics s;
    std::vector<double> used;
    used.reserve(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        const Verdict v = i < verdicts.size() ? verdicts[i] : Verdict::Invalid;
        ++s.verdicts[static_cast<std::size_t>(v)];
        if (v != Verdict::Invalid && values[i] && std::isfinite(*values[i]))
            used.push_back(*values[i]);
        else
            ++s.invalid;
    }
    s.n = static_cast<int>(used.size());
    if (used.empty())
        return s;

    // Two passes (mean, then deviations from it) with the first pass's error
    // corrected: no loss when the values sit far from zero with little spread.
    const double n = static_cast<double>(used.size());
    double sum = 0;
    for (double x : used)
        sum += x;
    double mean = sum / n;
    if (!std::isfinite(mean)) { // the sum overflowed; each x / n cannot
        mean = 0;
        for (double x : used)
            mean += x / n;
    }
    double dev = 0, dev2 = 0;
    for (double x : used) {
        dev += x - mean;
        dev2 += (x - mean) * (x - mean);
    }
    // Deviations overflow only for values near the largest double: then the
    // first pass's mean stands and the spread is not defined.
    if (std::isfinite(dev))
        mean += dev / n;
    s.mean = finite(mean);
    if (used.size() < 2 || !s.mean)
        return s;
    if (std::isfinite(dev) && std::isfinite(dev2))
        s.sd = finite(std::sqrt(std::max(0.0, (dev2 - dev * (dev / n)) / (n - 1))));

    double mr = 0;
    for (std::size_t i = 1; i < used.size(); ++i)
        mr += std::fabs(used[i] - used[i - 1]);
    s.mrBar = finite(mr / (n - 1));
    if (s.mrBar) {
        s.sdWithin = *s.mrBar / D2;
        // A moving range of 0 (all values equal) still gives chart limits:
        // they collapse onto the mean and 0, so any later change stands out.
        s.iUcl = finite(mean + E2 * *s.mrBar);
        s.iLcl = finite(mean - E2 * *s.mrBar);
        s.mrUcl = finite(D4 * *s.mrBar);
    }

    // Limits in the wrong order or a single point give no tolerance to
    // compare with; verdict() may still judge such a channel.
    if (!std::isfinite(loTol) || !std::isfinite(hiTol) || !(loTol < hiTol))
        return s;
    const double width = hiTol - loTol, nearest = std::min(hiTol - mean, mean - loTol);
    if (s.sdWithin) {
        s.cp = ratio(width, 6 * *s.sdWithin);
        s.cpk = ratio(nearest, 3 * *s.sdWithin);
    }
    if (s.sd) {
        s.pp = ratio(width, 6 * *s.sd);
        s.ppk = ratio(nearest, 3 * *s.sd);
    }
    return s;
}

ChannelStatistics statisticsOf(const std::vector<PartRow> &parts, int channel,
                               std::vector<std::optional<double>> *values,
                               std::vector<std::int64_t> *partIds)
{
    std::vector<std::optional<double>> vals;
    std::vector<Verdict> verdicts;
    std::vector<std::int64_t> ids;
    double loTol = 0, hiTol = 0;
    for (const PartRow &p : parts) {
        const auto m =
            std::find_if(p.measurements.begin(), p.measurements.end(),
                         [channel](const MeasurementRow &r) { return r.channel == channel; });
        if (m == p.measurements.end())
            continue;
        const bool ok = m->verdict != Verdict::Invalid && m->value && std::isfinite(*m->value);
        vals.push_back(ok ? m->value : std::nullopt);
        verdicts.push_back(m->verdict);
        ids.push_back(p.id);
        loTol = m->loTol, hiTol = m->hiTol;
    }
    ChannelStatistics s = channelStatistics(vals, verdicts, loTol, hiTol);
    if (values)
        *values = std::move(vals);
    if (partIds)
        *partIds = std::move(ids);
    return s;
}

std::string statisticText(const std::optional<double> &v, int decimals)
{
    if (!v || !std::isfinite(*v))
        return "-";
    char buf[400]; // the widest double in fixed notation is 309 digits
    const auto r = std::to_chars(buf, buf + sizeof buf, *v, std::chars_format::fixed,
                                 std::clamp(decimals, 0, 17));
    if (r.ec != std::errc())
        return "-";
    std::string text(buf, r.ptr);
    // -0.0004 to three decimals is zero, not "-0.000".
    if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos)
        text.erase(0, 1);
    return text;
}

} // namespace qmxsrv
