// qmxresults plan, spc and alarms: the control charts for scripts. What
// they print is documented in the man page; scripts parse it.
#include "quality/resultscli.h"

#include "quality/resultsexport.h"
#include "quality/resultsstore.h"
#include "quality/spcstore.h"
#include "quality/statistics.h"

#include <algorithm>

namespace qmxsrv::cli {

namespace {

using namespace spc;

int plans(const Args &args, ResultsStore *store, std::ostream &out, std::ostream &err)
{
    std::string error;
    const auto all = plansOf(*store, args.value("--setup"), error);
    if (!error.empty()) {
        err << "qmxresults: " << error << "\n";
        return 1;
    }
    out << "channel\tsubgroup\tchart\trules\ttests\tlimits\tcentre\tsigma\tfixed_from\tfixed_to"
           "\tfixed_utc\thold\tsince_subgroup\tchanged_utc\n";
    for (const ControlPlan &p : all) {
        const bool fixed = p.limits == LimitsMode::Fixed;
        out << p.channel << '\t' << p.subgroupSize << '\t' << chartText(p.kind()) << '\t'
            << ruleSetText(p.rules) << '\t' << field(testsText(p.tests)) << '\t'
            << limitsText(p.limits) << '\t' << number(p.centre) << '\t' << number(p.sigma) << '\t'
            << (fixed ? std::to_string(p.fixedFirst) : "-") << '\t'
            << (fixed ? std::to_string(p.fixedLast) : "-") << '\t' << field(p.fixedUtc) << '\t'
            << (p.hold ? "yes" : "no") << '\t' << p.sinceSubgroup << '\t' << field(p.changedUtc)
            << '\n';
    }
    return out ? 0 : 1;
}

int chart(const Args &args, ResultsStore *store, std::ostream &out, std::ostream &err)
{
    long channel = 0, last = 0;
    if (!positive(args.value("--channel"), channel))
        return usage(err, "spc needs --channel N");
    if (args.has("--last") && !positive(args.value("--last"), last))
        return usage(err, "--last needs a positive number");
    const std::string setup = args.value("--setup");
    std::string error;
    const auto plan = planOf(*store, setup, int(channel), error);
    if (!plan) {
        err << "qmxresults: "
            << (error.empty()
                    ? "no control plan for channel " + std::to_string(channel) + " of " + setup
                    : error)
            << "\n";
        return 1;
    }
    const auto subgroups = subgroupsOf(*store, setup, int(channel), last, error);
    const EpochHistory history = historyOf(*store, *plan, error);
    const std::optional<ControlLimits> limits = limitsInForce(*plan, history);
    const PlanCapability capability = capabilityOf(*store, *plan, limits, error);
    if (!error.empty()) {
        err << "qmxresults: " << error << "\n";
        return 1;
    }
    const int decimals = (subgroups.empty() ? 4 : subgroups.back().decimals) + 3;
    const auto fixed = [&](const std::optional<double> &v) { return statisticText(v, decimals); };
    out << "# setup\t" << field(setup) << "\n# channel\t" << channel << "\n# plan\tn "
        << plan->subgroupSize << '\t' << chartText(plan->kind()) << "\trules "
        << ruleSetText(plan->rules);
    if (plan->rules != RuleSet::None)
        out << ' ' << testsText(plan->tests);
    out << "\thold " << (plan->hold ? "on" : "off") << "\n# limits\t" << limitsInForce(*plan)
        << '\n';
    if (limits) {
        out << "# x\tcentre " << fixed(limits->centre) << "\tucl " << fixed(limits->ucl) << "\tlcl "
            << fixed(limits->lcl) << "\tsigma " << fixed(limits->sigma) << '\n';
        out << "# " << spreadLetter(plan->kind()) << "\tcentre " << fixed(limits->spreadCentre)
            << "\tucl " << fixed(limits->spreadUcl) << "\tlcl " << fixed(limits->spreadLcl) << '\n';
    } else {
        out << "# x\tno limits yet\n";
    }
    out << "# capability\tcp " << statisticText(capability.cp, 3) << "\tcpk "
        << statisticText(capability.cpk, 3) << "\tpp " << statisticText(capability.pp, 3)
        << "\tppk " << statisticText(capability.ppk, 3) << '\n';
    out << "subgroup\tfirst_part\tlast_part\tn\tmean\tspread\tflags\n";
    for (const StoredSubgroup &g : subgroups)
        out << g.number << '\t' << g.firstPart << '\t' << g.lastPart << '\t' << g.n << '\t'
            << fixed(g.mean) << '\t' << fixed(g.spread) << '\t' << field(g.flags) << '\n';
    return out ? 0 : 1;
}

int alarms(const Args &args, ResultsStore *store, std::ostream &out, std::ostream &err)
{
    std::string error;
    const std::string setup = args.value("--setup");
    const auto all = alarmsOf(*store, args.has("--setup") ? &setup : nullptr,
                              args.switches.count("--open") != 0, error);
    if (!error.empty()) {
        err << "qmxresults: " << error << "\n";
        return 1;
    }
    out << "alarm\traised_utc\tsetup\tchannel\tdescription\tchart\tsubgroup\tfirst_part"
           "\tlast_part\tflags\tmean\tspread\tstate\tanswered_utc\toperator\tcause\taction"
           "\tcomment\n";
    for (const Alarm &a : all)
        out << a.id << '\t' << a.raisedUtc << '\t' << field(a.setup) << '\t' << a.channel << '\t'
            << field(a.description) << '\t' << a.chart << '\t' << a.subgroup << '\t' << a.firstPart
            << '\t' << a.lastPart << '\t' << a.flags << '\t' << a.figureText(a.mean) << '\t'
            << a.figureText(a.spread) << '\t' << (a.open() ? "open" : "answered") << '\t'
            << field(a.answeredUtc) << '\t' << field(a.operatorName) << '\t' << field(a.cause)
            << '\t' << field(a.action) << '\t' << field(a.comment) << '\n';
    return out ? 0 : 1;
}

} // namespace

const std::vector<Command> &spcCommands()
{
    static const std::vector<Command> commands = {
        {"plan",
         "plan --setup S",
         {"--setup"},
         {},
         true,
         [](const Args &a, ResultsStore *s, std::ostream &out, std::ostream &err) {
             return a.has("--setup") ? plans(a, s, out, err) : usage(err, "plan needs --setup S");
         }},
        {"spc",
         "spc --setup S --channel N [--last K]",
         {"--setup", "--channel", "--last"},
         {},
         true,
         [](const Args &a, ResultsStore *s, std::ostream &out, std::ostream &err) {
             return a.has("--setup") ? chart(a, s, out, err) : usage(err, "spc needs --setup S");
         }},
        {"alarms", "alarms [--setup S] [--open]", {"--setup"}, {"--open"}, true, alarms},
    };
    return commands;
}

} // namespace qmxsrv::cli
