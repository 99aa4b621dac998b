#include "mainwindow/spccommands.h"

#include "core/messageboxes.h"
#include "core/programstate.h"
#include "mainwindow/resultscommands.h"
#include "platform/fittedlabel.h"
#include "platform/qttext.h"
#include "quality/partrow.h"
#include "quality/resultsstore.h"
#include "results/formalarms.h"
#include "results/formcontrolplan.h"
#include "results/partsmodel.h"
#include "service/alarmmessage.h"
#include "service/livevalueservice.h"

#include <QMainWindow>
#include <QStatusBar>

#include <cstdio>
#include <map>

namespace qmxsrv {

namespace {

// The alarm as the status bar says it: the channel and its first rule.
std::string alarmText(const spc::Alarm &a, std::size_t open)
{
    const std::vector<std::string> names = a.ruleNames();
    const std::string first = a.flags.substr(0, a.flags.find(','));
    std::string text =
        "SPC alarm: " +
        (a.description.empty() ? "Channel " + std::to_string(a.channel) : a.description) + " " +
        (names.empty() ? std::string() : names.front());
    if (first.size() < a.flags.size())
        text += " (and " + a.flags.substr(first.size() + 1) + ")";
    if (open > 1)
        text += "; " + std::to_string(open) + " alarms open";
    return text;
}

} // namespace

SpcCommands::SpcCommands(ProgramState &state, ResultsCommands &results, LiveValueService &service,
                         QMainWindow &window)
    : state_(state), results_(results), service_(service), window_(window),
      label_(new FittedLabel(&window))
{
    label_->setObjectName(QStringLiteral("StatusSpc"));
    label_->setAutoFillBackground(true);
    QPalette reject = label_->palette();
    reject.setColor(QPalette::Window, verdictColor(Verdict::Reject));
    reject.setColor(QPalette::WindowText, Qt::white);
    label_->setPalette(reject);
    label_->hide();
    window_.statusBar()->addPermanentWidget(label_);
    // The feed says an alarm once raised and once answered, from its row.
    for (const bool answered : {false, true})
        results_.addOutboxKind(answered ? "alarm answered" : "alarm raised", "alarm",
                               [answered](ResultsStore &store, std::int64_t ref) {
                                   std::string error;
                                   const auto alarm = spc::alarmOf(store, ref, error);
                                   return alarm ? std::optional(live::alarmObject(*alarm, answered))
                                                : std::nullopt;
                               });
}

SpcCommands::~SpcCommands() = default;

ResultsStore *SpcCommands::store(bool tell)
{
    return tell ? results_.store(true) : results_.quietStore();
}

void SpcCommands::setupLoaded()
{
    setup_ = state_.view.SetupFileName;
    monitor_.clear();
    ResultsStore *results = store(false);
    if (results) {
        std::string error;
        const auto plans = spc::plansOf(*results, setup_, error);
        std::map<int, spc::EpochHistory> history;
        for (const spc::ControlPlan &p : plans)
            history[p.channel] = spc::historyOf(*results, p, error);
        monitor_.start(plans, history);
        if (!error.empty())
            std::fprintf(stderr, "QMXSRV: control plans of %s: %s\n", setup_.c_str(),
                         error.c_str());
    }
    refreshOpen();
}

std::vector<spc::ControlPlan> SpcCommands::plans() const
{
    std::vector<spc::ControlPlan> out;
    for (int channel : monitor_.channels())
        out.push_back(*monitor_.plan(channel));
    return out;
}

std::string SpcCommands::holdReason() const
{
    if (!held_ || held_->setup != state_.view.SetupFileName)
        return {};
    return "SPC alarm " + std::to_string(held_->id) + " on " + held_->description +
           " is open and holds recording: answer it first (Results > Alarms...)";
}

bool SpcCommands::write(ResultsStore &store, const PartRow &part, std::int64_t partId,
                        std::string &error)
{
    pending_.reset();
    raised_.clear();
    if (part.setup != setup_)
        setupLoaded(); // renamed by Save As: its plans are the new name's
    if (monitor_.channels().empty())
        return true;
    spc::Monitor::Step step = monitor_.take(part, partId);
    if (!step.completed.empty()) {
        spc::SubgroupWriter writer(store);
        for (const spc::CompletedSubgroup &g : step.completed) {
            std::int64_t alarm = 0;
            if (!writer.write(part.setup, *monitor_.plan(g.channel), g, part.recordedUtc,
                              part.operatorName, results_.feedOn(), alarm, error))
                return false;
            if (alarm)
                raised_.push_back(alarm);
        }
    }
    pending_ = std::move(step);
    return true;
}

void SpcCommands::recorded(bool kept)
{
    if (!kept || !pending_) {
        pending_.reset();
        raised_.clear();
        return;
    }
    monitor_.apply(std::move(*pending_));
    pending_.reset();
    if (raised_.empty())
        return;
    // A part's alarms are numbered one after another.
    if (ResultsStore *results = store(false)) {
        std::string error;
        for (const spc::Alarm &alarm :
             spc::alarmsBetween(*results, raised_.front(), raised_.back(), error))
            told(alarm, false);
    }
    raised_.clear();
    refreshOpen();
    results_.outboxWaiting();
}

void SpcCommands::told(const spc::Alarm &alarm, bool answered)
{
    service_.publishAlarm(live::alarmObject(alarm, answered));
}

void SpcCommands::refreshOpen()
{
    open_.clear();
    openCount_ = 0;
    held_.reset();
    if (ResultsStore *results = store(false)) {
        std::string error;
        open_ = spc::alarmsOf(*results, nullptr, true, error, OpenShown);
        openCount_ = spc::openAlarmCount(*results, error);
        held_ = spc::holdingAlarm(*results, state_.view.SetupFileName, error);
    }
    QJsonArray open;
    for (const spc::Alarm &a : open_)
        open.append(live::alarmObject(a, false));
    service_.setOpenAlarms(open, openCount_);
    if (alarmsWindow_)
        alarmsWindow_->refresh();
    if (open_.empty()) {
        label_->hide();
        return;
    }
    label_->setText(qtText(alarmText(open_.front(), std::size_t(openCount_))));
    label_->show();
}

std::string SpcCommands::setPlan(spc::ControlPlan plan,
                                 std::optional<std::pair<std::int64_t, std::int64_t>> fix)
{
    plan.setup = state_.view.SetupFileName;
    if (!state_.Channels.contains(plan.channel) ||
        state_.Channels.Item(plan.channel).Formula().empty())
        return "channel " + std::to_string(plan.channel) + " of this setup has no formula";
    ResultsStore *results = store(true);
    if (!results)
        return "no results store: " + results_.storeError();
    std::string error;
    int offset = 0;
    plan.changedUtc = utcNow(offset);
    if (plan.limits == spc::LimitsMode::Fixed) {
        if (!fix)
            return "fixed limits name their first and last subgroup";
        const auto limits =
            spc::limitsFromSubgroups(*results, plan, fix->first, fix->second, error);
        if (!limits)
            return error;
        plan.centre = limits->centre;
        plan.sigma = limits->sigma;
        plan.fixedFirst = fix->first;
        plan.fixedLast = fix->second;
        plan.fixedUtc = plan.changedUtc;
    } else {
        plan.fixedFirst = plan.fixedLast = 0;
        plan.fixedUtc.clear();
        if (plan.limits == spc::LimitsMode::Computed)
            plan.centre = plan.sigma = std::nullopt;
    }
    if (std::string why = spc::planError(plan); !why.empty())
        return why;
    // Numbers go on from the channel's last subgroup; none before the change
    // belongs to the new plan.
    const spc::EpochHistory *now = setup_ == plan.setup ? monitor_.history(plan.channel) : nullptr;
    plan.sinceSubgroup =
        now ? now->nextNumber : spc::nextSubgroup(*results, plan.setup, plan.channel, error);
    plan.sincePart = results->lastPart().value_or(0) + 1;
    if (!error.empty() || !spc::savePlan(*results, plan, error))
        return error;
    if (setup_ != plan.setup)
        setupLoaded();
    monitor_.setPlan(plan, spc::historyOf(*results, plan, error));
    return {};
}

std::string SpcCommands::removePlan(int channel)
{
    ResultsStore *results = store(true);
    if (!results)
        return "no results store: " + results_.storeError();
    std::string error;
    if (!monitor_.plan(channel))
        return "channel " + std::to_string(channel) + " has no control plan";
    if (!spc::removePlan(*results, state_.view.SetupFileName, channel, error))
        return error;
    monitor_.removePlan(channel);
    return {};
}

std::string SpcCommands::answer(std::int64_t alarm, const std::string &cause,
                                const std::string &action, const std::string &comment)
{
    if (cause.empty() || action.empty())
        return "an answer names a cause and an action";
    ResultsStore *results = store(true);
    if (!results)
        return "no results store: " + results_.storeError();
    std::string error;
    int offset = 0;
    if (!spc::answerAlarm(*results, alarm, results_.operatorName(), cause, action, comment,
                          utcNow(offset), results_.feedOn(), error))
        return error;
    if (const auto answered = spc::alarmOf(*results, alarm, error))
        told(*answered, true);
    refreshOpen();
    results_.outboxWaiting();
    return {};
}

void SpcCommands::ControlPlan()
{
    std::vector<FormControlPlan::Channel> channels;
    for (int i = 1; i <= state_.Channels.Count(); ++i) {
        const channel &c = state_.Channels.Item(i);
        if (!c.Formula().empty())
            channels.push_back({i, c.Description});
    }
    FormControlPlan::Actions actions;
    actions.apply = [this](const spc::ControlPlan &p, FormControlPlan::Fix fix) {
        return setPlan(p, fix);
    };
    actions.remove = [this](int channel) { return removePlan(channel); };
    actions.plans = [this] { return plans(); };
    FormControlPlan dialog(std::move(channels), std::move(actions), state_.boxes(), &window_);
    dialog.exec();
}

void SpcCommands::Alarms()
{
    ResultsStore *results = store(true);
    if (!results) {
        tell(state_.boxes(), "No alarms to show: " + results_.storeError(), Icon::Exclamation);
        return;
    }
    if (!alarmsWindow_)
        alarmsWindow_ = std::make_unique<FormAlarms>(
            *results,
            [this](std::int64_t alarm, const std::string &cause, const std::string &action,
                   const std::string &comment) { return answer(alarm, cause, action, comment); },
            state_.boxes());
    alarmsWindow_->refresh();
    alarmsWindow_->show();
    alarmsWindow_->raise();
}

void SpcCommands::closeWindows()
{
    if (alarmsWindow_)
        alarmsWindow_->close();
}

} // namespace qmxsrv
