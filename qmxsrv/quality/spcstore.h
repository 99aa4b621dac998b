// The control charts in the results store: plans per setup and channel,
// every completed subgroup with the rules it broke, the alarms they raised
// and their answers, and the catalogues of causes and actions the answers
// choose from. Writes that belong to a recorded part run in its transaction.
#pragma once

#include "quality/controlplan.h"
#include "quality/spcmonitor.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qmxsrv {
class ResultsStore;
}

namespace qmxsrv::spc {

std::vector<ControlPlan> plansOf(const ResultsStore &store, const std::string &setup,
                                 std::string &error);
std::optional<ControlPlan> planOf(const ResultsStore &store, const std::string &setup, int channel,
                                  std::string &error);
bool savePlan(ResultsStore &store, const ControlPlan &plan, std::string &error);
bool removePlan(ResultsStore &store, const std::string &setup, int channel, std::string &error);

// What the plan's chart has seen: the next subgroup number of the channel
// and the subgroups judged under the plan (from plan.sinceSubgroup, of parts
// from plan.sincePart on).
EpochHistory historyOf(const ResultsStore &store, const ControlPlan &plan, std::string &error);
// The number the channel's next subgroup gets.
std::int64_t nextSubgroup(const ResultsStore &store, const std::string &setup, int channel,
                          std::string &error);

struct StoredSubgroup {
    int channel = 0;
    std::int64_t number = 0;
    std::string chart;
    int size = 0, n = 0;
    std::int64_t firstPart = 0, lastPart = 0;
    double mean = 0;
    std::optional<double> spread;
    int decimals = 0;
    std::string flags;
    EpochSums epoch; // of the subgroups under its plan, this one included
};
// Oldest first; the last `last` only when last > 0; from..to when given.
std::vector<StoredSubgroup> subgroupsOf(const ResultsStore &store, const std::string &setup,
                                        int channel, long last, std::string &error,
                                        std::int64_t from = 0, std::int64_t to = 0);
// The channel's subgroups whose last part lies in firstPart..lastPart.
std::vector<StoredSubgroup> subgroupsInParts(const ResultsStore &store, const std::string &setup,
                                             int channel, std::int64_t firstPart,
                                             std::int64_t lastPart, std::string &error);
// Limits from the channel's stored subgroups first..last, which must be of
// the plan's chart and size: the centre and sigma of fixed limits.
std::optional<ControlLimits> limitsFromSubgroups(const ResultsStore &store, const ControlPlan &plan,
                                                 std::int64_t first, std::int64_t last,
                                                 std::string &error);

struct Alarm {
    std::int64_t id = 0;
    std::string setup;
    int channel = 0;
    std::string description;
    std::string chart; // i-mr, xbar-r, xbar-s
    std::int64_t subgroup = 0, firstPart = 0, lastPart = 0;
    std::string rules; // the rule set: we, nelson, none
    std::string flags; // "X2,R1"
    double mean = 0;
    std::optional<double> spread, centre, lcl, ucl;
    std::string raisedUtc, raisedOperator;
    // The answer: empty while open.
    std::string answeredUtc, operatorName, cause, action, comment;
    int decimals = 4; // the channel's when the subgroup was recorded
    bool open() const { return answeredUtc.empty(); }
    // A figure of it (mean, spread, limits) as the charts give it: with the
    // channel's decimals and three more; as text ("-" for none), and as the
    // number that text says.
    std::string figureText(const std::optional<double> &v) const;
    std::optional<double> figure(const std::optional<double> &v) const;
    // What each flag means, in the flags' order ("X2 Nelson 2: ...").
    std::vector<std::string> ruleNames() const;
};

// Writes a part's subgroups in its transaction: each subgroup, and its
// alarm when it broke a rule, queued for the feed when publish. Its
// statements are made once for all the part's subgroups.
class SubgroupWriter {
public:
    explicit SubgroupWriter(ResultsStore &store);
    ~SubgroupWriter();
    SubgroupWriter(const SubgroupWriter &) = delete;
    SubgroupWriter &operator=(const SubgroupWriter &) = delete;
    // The alarm's number when the subgroup raised one, else 0.
    bool write(const std::string &setup, const ControlPlan &plan, const CompletedSubgroup &subgroup,
               const std::string &utc, const std::string &operatorName, bool publish,
               std::int64_t &alarm, std::string &error);

private:
    struct Statements;
    ResultsStore &store_;
    std::unique_ptr<Statements> statements_;
};
// One transaction: the answer, queued for the feed when publish. False with
// the reason when there is no such alarm or it was answered already.
bool answerAlarm(ResultsStore &store, std::int64_t alarm, const std::string &operatorName,
                 const std::string &cause, const std::string &action, const std::string &comment,
                 const std::string &utc, bool publish, std::string &error);
// Newest first; of one setup when setup is given; open ones only when asked;
// at most limit when limit > 0.
std::vector<Alarm> alarmsOf(const ResultsStore &store, const std::string *setup, bool openOnly,
                            std::string &error, long limit = 0);
// The alarms numbered first..last (those a part raised), oldest first.
std::vector<Alarm> alarmsBetween(const ResultsStore &store, std::int64_t first, std::int64_t last,
                                 std::string &error);
// How many alarms are open; the first open one of a plan of setup that holds
// recording (none: nothing holds it).
long openAlarmCount(const ResultsStore &store, std::string &error);
std::optional<Alarm> holdingAlarm(const ResultsStore &store, const std::string &setup,
                                  std::string &error);
std::optional<Alarm> alarmOf(const ResultsStore &store, std::int64_t id, std::string &error);

// The capability of the process under a plan, over the subgroups judged
// against its limits: Cp and Cpk with the plan's sigma (within subgroups),
// Pp and Ppk with the overall s of the single values; the tolerance of the
// newest of them. Empty where undefined.
struct PlanCapability {
    int values = 0;
    std::optional<double> loTol, hiTol, mean, overallS, cp, cpk, pp, ppk;
};
PlanCapability capabilityOf(const ResultsStore &store, const ControlPlan &plan,
                            const std::optional<ControlLimits> &limits, std::string &error);

// The lists the answers choose from, kept by the quality engineer.
enum class Catalogue { Causes, Actions };
std::vector<std::string> catalogue(const ResultsStore &store, Catalogue which, std::string &error);
bool addToCatalogue(ResultsStore &store, Catalogue which, const std::string &text,
                    std::string &error);
bool removeFromCatalogue(ResultsStore &store, Catalogue which, const std::string &text,
                         std::string &error);

} // namespace qmxsrv::spc
