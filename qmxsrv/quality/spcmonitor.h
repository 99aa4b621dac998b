// The control charts as parts are recorded: each planned channel's partial
// subgroup, and what its chart needs of the subgroups judged so far (running
// sums for computed limits, the last points for the run rules). A recorded
// part completes subgroups; each is judged at once against the limits in
// force. Pure: the store keeps what it says, the station acts on it.
#pragma once

#include "quality/controlplan.h"
#include "quality/partrow.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qmxsrv::spc {

// The rules look back at most this many points.
constexpr std::size_t RuleWindow = 15;

// The subgroups judged against a plan's limits, summed: what computed
// limits and the capability under the plan need, kept with each subgroup
// as it stood after it, so that nothing has to be summed again.
struct EpochSums {
    int count = 0; // subgroups
    double sumMeans = 0;
    int spreadCount = 0;
    double sumSpreads = 0;
    // Their single values: how many, their mean, and the sum of squared
    // deviations from it (added one by one, as Welford does: no loss of
    // digits where the values lie close together far from zero).
    long valuesN = 0;
    double valuesMean = 0, valuesM2 = 0;
    void addValue(double v);
};

// What a plan's chart has seen since its limits came into force.
struct EpochHistory {
    std::int64_t nextNumber = 1; // of the next subgroup of the channel
    EpochSums sums;
    std::vector<double> recent;           // the last means (or individuals), oldest first
    std::optional<double> lastIndividual; // individuals: the value a moving range starts from
};

// A subgroup the part completed, judged.
struct CompletedSubgroup {
    int channel = 0;
    std::string description;
    std::int64_t number = 0;
    std::int64_t firstPart = 0, lastPart = 0;
    int n = 0;
    double mean = 0;
    std::optional<double> spread;
    int decimals = 0;
    std::vector<std::string> flags;      // "X2", "R1": the rules that fired
    std::optional<ControlLimits> limits; // as judged; none while too few subgroups
    EpochSums epoch;                     // with this subgroup
};

// "X2,X5,R1", "" for none.
std::string joinFlags(const std::vector<std::string> &flags);

// The limits a plan puts in force after history: typed and fixed from its
// centre and sigma, computed from the subgroups so far.
std::optional<ControlLimits> limitsInForce(const ControlPlan &plan, const EpochHistory &history);

class Monitor {
public:
    // The plans of the setup now in force, each with what its chart has
    // seen; every partial subgroup starts afresh.
    void start(const std::vector<ControlPlan> &plans, const std::map<int, EpochHistory> &history);
    void clear()
    {
        plans_.clear();
        channels_.clear();
    }

    // What changes with every part, apart from the plan (copied per part).
    struct ChannelState {
        EpochHistory history;
        std::vector<double> values; // of the partial subgroup
        std::int64_t firstPart = 0;
    };
    // What recording part (with its number) would do, nothing changed yet:
    // the subgroups it completes and the channels' states after it.
    struct Step {
        std::vector<CompletedSubgroup> completed;
        std::map<int, ChannelState> after;
    };
    Step take(const PartRow &part, std::int64_t partId) const;
    // The part was kept: its step becomes the state.
    void apply(Step step);

    // One channel's plan set anew (or taken away): its partial subgroup
    // starts again; the other channels go on.
    void setPlan(const ControlPlan &plan, const EpochHistory &history);
    void removePlan(int channel);

    const ControlPlan *plan(int channel) const;
    const EpochHistory *history(int channel) const;
    std::vector<int> channels() const;
    // Values in the partial subgroup of a channel.
    std::size_t partial(int channel) const;

private:
    std::map<int, ControlPlan> plans_;
    std::map<int, ChannelState> channels_;
};

} // namespace qmxsrv::spc
