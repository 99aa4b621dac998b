// A control plan: how one channel of one setup is charted as parts are
// recorded. Subgroups are consecutive recorded parts of the setup, n at a
// time; the plan names the chart pair, the run rules and the limits in
// force. Kept in the results store, per setup and channel.
#pragma once

#include "quality/controlchart.h"
#include "quality/runrules.h"

#include <cstdint>
#include <optional>
#include <string>

namespace qmxsrv::spc {

// Computed: from the subgroups judged against the plan so far (trial
// limits, each new subgroup included). Fixed: once, from a chosen range of
// subgroups. Typed: a centre and sigma from an earlier study.
enum class LimitsMode { Computed, Fixed, Typed };

struct ControlPlan {
    std::string setup;
    int channel = 0;
    int subgroupSize = 1; // n: 1 individuals, 2..10 X-bar/R, 2..25 with useS X-bar/s
    bool useS = false;
    RuleSet rules = RuleSet::None;
    std::uint32_t tests = 0; // switched-on tests of the set, bit k-1 for test k
    LimitsMode limits = LimitsMode::Computed;
    std::optional<double> centre, sigma;        // fixed and typed limits: sigma of single values
    std::int64_t fixedFirst = 0, fixedLast = 0; // the subgroups fixed limits came from
    std::string fixedUtc;                       // when they were fixed
    bool hold = false;                          // recording held while an alarm is open
    // Subgroups from this number on are judged against these limits: the
    // rules' windows never reach back before it.
    std::int64_t sinceSubgroup = 1;
    std::int64_t sincePart = 1; // no earlier part belongs to them
    std::string changedUtc;

    ChartKind kind() const;
};

// The plan's sizes and limits make sense together; else the reason.
std::string planError(const ControlPlan &plan);

// Which limits are in force: "computed from subgroups 12 on", "fixed on
// <utc> from subgroups 1-25", "typed in on <utc>".
std::string limitsInForce(const ControlPlan &plan);

// "none", "we", "nelson"; the set of a text (none for another text).
std::string ruleSetText(RuleSet set);
std::optional<RuleSet> ruleSetOf(const std::string &text);
// "computed", "fixed", "typed".
std::string limitsText(LimitsMode mode);
std::optional<LimitsMode> limitsModeOf(const std::string &text);
// "i-mr", "xbar-r", "xbar-s".
std::string chartText(ChartKind kind);
// The spread chart's letter in the flags: "MR", "R", "S".
std::string spreadLetter(ChartKind kind);
// "Nelson 2: nine in a row on one side of the centre"; "R1: range beyond
// its limits" and the like for the spread chart's flag.
std::string ruleName(RuleSet set, int test);
std::string flagName(RuleSet set, ChartKind kind, const std::string &flag);
// The tests of a set as their numbers, "1,2,5".
std::string testsText(std::uint32_t tests);

} // namespace qmxsrv::spc
