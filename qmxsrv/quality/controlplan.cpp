#include "quality/controlplan.h"

#include "quality/spcconstants.h"

#include <cmath>

namespace qmxsrv::spc {

namespace {

const char *const WesternElectric[] = {
    "one point beyond 3 sigma",
    "two of three beyond 2 sigma on one side",
    "four of five beyond 1 sigma on one side",
    "eight in a row on one side of the centre",
};
const char *const Nelson[] = {
    "one point beyond 3 sigma",
    "nine in a row on one side of the centre",
    "six in a row steadily rising or falling",
    "fourteen in a row alternating up and down",
    "two of three beyond 2 sigma on one side",
    "four of five beyond 1 sigma on one side",
    "fifteen in a row within 1 sigma",
    "eight in a row none within 1 sigma",
};

} // namespace

ChartKind ControlPlan::kind() const
{
    if (subgroupSize <= 1)
        return ChartKind::IndividualsMovingRange;
    return useS ? ChartKind::XbarS : ChartKind::XbarR;
}

std::string planError(const ControlPlan &p)
{
    if (p.subgroupSize < 1 || p.subgroupSize > maxSSubgroup)
        return "a subgroup has 1 to 25 parts";
    if (p.useS && p.subgroupSize < minSSubgroup)
        return "s needs subgroups of 2 or more";
    if (!p.useS && p.subgroupSize > maxRSubgroup)
        return "subgroups of more than 10 are charted with s (use s)";
    if (p.limits != LimitsMode::Computed) {
        if (!p.centre || !std::isfinite(*p.centre))
            return "the limits need a centre";
        if (!p.sigma || !std::isfinite(*p.sigma) || !(*p.sigma > 0))
            return "the limits need a sigma above 0";
    }
    if (p.limits == LimitsMode::Fixed && (p.fixedFirst < 1 || p.fixedLast < p.fixedFirst))
        return "fixed limits name their first and last subgroup";
    return {};
}

std::string ruleSetText(RuleSet set)
{
    switch (set) {
    case RuleSet::WesternElectric: return "we";
    case RuleSet::Nelson: return "nelson";
    case RuleSet::None: break;
    }
    return "none";
}

std::optional<RuleSet> ruleSetOf(const std::string &text)
{
    for (RuleSet s : {RuleSet::None, RuleSet::WesternElectric, RuleSet::Nelson})
        if (ruleSetText(s) == text)
            return s;
    return std::nullopt;
}

std::string limitsText(LimitsMode mode)
{
    switch (mode) {
    case LimitsMode::Fixed: return "fixed";
    case LimitsMode::Typed: return "typed";
    case LimitsMode::Computed: break;
    }
    return "computed";
}

std::optional<LimitsMode> limitsModeOf(const std::string &text)
{
    for (LimitsMode m : {LimitsMode::Computed, LimitsMode::Fixed, LimitsMode::Typed})
        if (limitsText(m) == text)
            return m;
    return std::nullopt;
}

std::string chartText(ChartKind kind)
{
    switch (kind) {
    case ChartKind::XbarR: return "xbar-r";
    case ChartKind::XbarS: return "xbar-s";
    case ChartKind::IndividualsMovingRange: break;
    }
    return "i-mr";
}

std::string spreadLetter(ChartKind kind)
{
    switch (kind) {
    case ChartKind::XbarR: return "R";
    case ChartKind::XbarS: return "S";
    case ChartKind::IndividualsMovingRange: break;
    }
    return "MR";
}

std::string ruleName(RuleSet set, int test)
{
    if (set == RuleSet::WesternElectric && test >= 1 && test <= 4)
        return "Western Electric " + std::to_string(test) + ": " + WesternElectric[test - 1];
    if (set == RuleSet::Nelson && test >= 1 && test <= 8)
        return "Nelson " + std::to_string(test) + ": " + Nelson[test - 1];
    return "test " + std::to_string(test);
}

std::string flagName(RuleSet set, ChartKind kind, const std::string &flag)
{
    if (flag.size() > 1 && flag[0] == 'X')
        return flag + " " + ruleName(set, std::atoi(flag.c_str() + 1));
    const std::string spread = kind == ChartKind::XbarR   ? "range"
                               : kind == ChartKind::XbarS ? "s"
                                                          : "moving range";
    return flag + " " + spread + " beyond its control limits";
}

std::string limitsInForce(const ControlPlan &p)
{
    switch (p.limits) {
    case LimitsMode::Fixed:
        return "fixed on " + p.fixedUtc + " from subgroups " + std::to_string(p.fixedFirst) + "-" +
               std::to_string(p.fixedLast);
    case LimitsMode::Typed: return "typed in on " + p.changedUtc;
    case LimitsMode::Computed: break;
    }
    return "computed from subgroups " + std::to_string(p.sinceSubgroup) + " on";
}

std::string testsText(std::uint32_t tests)
{
    std::string text;
    for (int k = 1; k <= 32; ++k)
        if ((tests >> (k - 1)) & 1u)
            text += (text.empty() ? "" : ",") + std::to_string(k);
    return text;
}

} // namespace qmxsrv::spc
