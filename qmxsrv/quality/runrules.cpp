#include "quality/runrules.h"

#include <array>

namespace qmxsrv::spc {

namespace {

struct Chart {
    const std::vector<double> &points;
    double centre, sigma;

    // +1 above, -1 below, 0 on the centre.
    int side(std::size_t j) const { return (points[j] > centre) - (points[j] < centre); }
    // The side on which points[j] lies beyond centre +- k sigma, or 0.
    int beyond(std::size_t j, int k) const
    {
        if (points[j] > centre + k * sigma)
            return 1;
        if (points[j] < centre + -k * sigma)
            return -1;
        return 0;
    }
    // +1 up from the point before, -1 down, 0 level or no point before.
    int step(std::size_t j) const
    {
        if (j == 0)
            return 0;
        return (points[j] > points[j - 1]) - (points[j] < points[j - 1]);
    }
};

// How many points, ending at i and going back, satisfy pred in a row.
template <typename Pred> std::size_t runLength(std::size_t i, Pred pred)
{
    std::size_t n = 0;
    for (std::size_t j = i + 1; j-- > 0 && pred(j);)
        ++n;
    return n;
}

// One row of a rule set: `count` points (of `window`) against the line at
// `k` sigma, for rules that have them.
struct Rule {
    bool (*fires)(const Chart &, std::size_t i, const Rule &);
    int count, window, k;
};

bool beyondLine(const Chart &c, std::size_t i, const Rule &r) { return c.beyond(i, r.k) != 0; }

// count of the last window points beyond k sigma on the side of the newest,
// which is beyond itself.
bool countOfWindowBeyond(const Chart &c, std::size_t i, const Rule &r)
{
    const int side = c.beyond(i, r.k);
    if (side == 0 || i + 1 < static_cast<std::size_t>(r.window))
        return false;
    int n = 0;
    for (std::size_t j = i + 1 - static_cast<std::size_t>(r.window); j <= i; ++j)
        n += c.beyond(j, r.k) == side;
    return n >= r.count;
}

bool runOnOneSide(const Chart &c, std::size_t i, const Rule &r)
{
    const int side = c.side(i);
    return side != 0 && runLength(i, [&](std::size_t j) { return c.side(j) == side; }) >=
                            static_cast<std::size_t>(r.count);
}

// count points each strictly above (or below) the one before: count - 1 steps.
bool trend(const Chart &c, std::size_t i, const Rule &r)
{
    const int dir = c.step(i);
    return dir != 0 && runLength(i, [&](std::size_t j) { return c.step(j) == dir; }) + 1 >=
                           static_cast<std::size_t>(r.count);
}

// count points going up and down in turn: count - 1 steps, each the reverse
// of the one before it.
bool alternating(const Chart &c, std::size_t i, const Rule &r)
{
    const auto turns = [&](std::size_t j) {
        return j >= 1 && c.step(j) != 0 && c.step(j) == -c.step(j - 1);
    };
    return runLength(i, turns) + 2 >= static_cast<std::size_t>(r.count);
}

bool runWithin(const Chart &c, std::size_t i, const Rule &r)
{
    return runLength(i, [&](std::size_t j) { return c.beyond(j, r.k) == 0; }) >=
           static_cast<std::size_t>(r.count);
}

bool runOutside(const Chart &c, std::size_t i, const Rule &r)
{
    return runLength(i, [&](std::size_t j) { return c.beyond(j, r.k) != 0; }) >=
           static_cast<std::size_t>(r.count);
}

// Test k of a set is row k-1.
constexpr std::array<Rule, 4> westernElectric = {{
    {beyondLine, 1, 1, 3},
    {countOfWindowBeyond, 2, 3, 2},
    {countOfWindowBeyond, 4, 5, 1},
    {runOnOneSide, 8, 8, 0},
}};

constexpr std::array<Rule, 8> nelson = {{
    {beyondLine, 1, 1, 3},
    {runOnOneSide, 9, 9, 0},
    {trend, 6, 6, 0},
    {alternating, 14, 14, 0},
    {countOfWindowBeyond, 2, 3, 2},
    {countOfWindowBeyond, 4, 5, 1},
    {runWithin, 15, 15, 1},
    {runOutside, 8, 8, 1},
}};

struct Rules {
    const Rule *rows;
    std::size_t size;
};

Rules rulesOf(RuleSet set)
{
    switch (set) {
    case RuleSet::WesternElectric: return {westernElectric.data(), westernElectric.size()};
    case RuleSet::Nelson: return {nelson.data(), nelson.size()};
    case RuleSet::None: break;
    }
    return {nullptr, 0};
}

} // namespace

std::uint32_t allTests(RuleSet set) { return (std::uint32_t{1} << rulesOf(set).size) - 1; }

std::vector<int> rulesFiredAt(const std::vector<double> &points, std::size_t i, double centre,
                              double pointSigma, RuleSet set, std::uint32_t enabled)
{
    std::vector<int> fired;
    if (i >= points.size() || !(pointSigma > 0))
        return fired;
    const Chart chart{points, centre, pointSigma};
    const Rules rules = rulesOf(set);
    for (std::size_t k = 0; k < rules.size; ++k)
        if (((enabled >> k) & 1u) && rules.rows[k].fires(chart, i, rules.rows[k]))
            fired.push_back(static_cast<int>(k + 1));
    return fired;
}

bool beyondLimits(double v, double lcl, double ucl) { return v > ucl || v < lcl; }

} // namespace qmxsrv::spc
