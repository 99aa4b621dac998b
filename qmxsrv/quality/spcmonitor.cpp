#include "quality/spcmonitor.h"

#include "quality/spcconstants.h"

#include <cmath>

namespace qmxsrv::spc {

namespace {

// The decimals the main window shows are those of its text.
int decimalsOf(const std::string &text)
{
    const auto point = text.find('.');
    return point == std::string::npos ? 0 : int(text.size() - point - 1);
}

// sigma of single values from the average spread.
std::optional<double> sigmaFromSpread(ChartKind kind, int n, double spreadBar)
{
    switch (kind) {
    case ChartKind::XbarR:
        if (const auto k = rConstants(n))
            return spreadBar / k->d2;
        return std::nullopt;
    case ChartKind::XbarS:
        if (const auto k = sConstants(n))
            return spreadBar / k->c4;
        return std::nullopt;
    case ChartKind::IndividualsMovingRange: break;
    }
    return spreadBar / movingRangeD2;
}

} // namespace

void EpochSums::addValue(double v)
{
    ++valuesN;
    const double delta = v - valuesMean;
    valuesMean += delta / double(valuesN);
    valuesM2 += delta * (v - valuesMean);
}

std::string joinFlags(const std::vector<std::string> &flags)
{
    std::string text;
    for (const std::string &f : flags)
        text += (text.empty() ? "" : ",") + f;
    return text;
}

std::optional<ControlLimits> limitsInForce(const ControlPlan &plan, const EpochHistory &history)
{
    const ChartKind kind = plan.kind();
    if (plan.limits != LimitsMode::Computed) {
        if (!plan.centre || !plan.sigma)
            return std::nullopt;
        return limitsFromSigma(kind, plan.subgroupSize, *plan.centre, *plan.sigma);
    }
    const EpochSums &e = history.sums;
    if (e.count < 2 || e.spreadCount < 1)
        return std::nullopt;
    const std::optional<double> sigma =
        sigmaFromSpread(kind, plan.subgroupSize, e.sumSpreads / double(e.spreadCount));
    if (!sigma || !(*sigma > 0) || !std::isfinite(*sigma))
        return std::nullopt;
    return limitsFromSigma(kind, plan.subgroupSize, e.sumMeans / double(e.count), *sigma);
}

void Monitor::start(const std::vector<ControlPlan> &plans,
                    const std::map<int, EpochHistory> &history)
{
    plans_.clear();
    channels_.clear();
    for (const ControlPlan &p : plans) {
        plans_[p.channel] = p;
        ChannelState &c = channels_[p.channel];
        if (const auto h = history.find(p.channel); h != history.end())
            c.history = h->second;
    }
}

Monitor::Step Monitor::take(const PartRow &part, std::int64_t partId) const
{
    Step step;
    for (const MeasurementRow &m : part.measurements) {
        const auto it = channels_.find(m.channel);
        // A channel without a trustworthy value does not count toward its subgroup.
        if (it == channels_.end() || !m.value || !std::isfinite(*m.value) ||
            m.verdict == Verdict::Invalid)
            continue;
        const ControlPlan &plan = plans_.at(m.channel);
        ChannelState c = it->second;
        if (c.values.empty())
            c.firstPart = partId;
        c.values.push_back(*m.value);
        if (int(c.values.size()) >= plan.subgroupSize) {
            const ChartKind kind = plan.kind();
            CompletedSubgroup s;
            s.channel = m.channel;
            s.description = m.description;
            s.number = c.history.nextNumber++;
            s.firstPart = c.firstPart;
            s.lastPart = partId;
            s.n = int(c.values.size());
            s.decimals = decimalsOf(m.text);
            if (kind == ChartKind::IndividualsMovingRange) {
                s.mean = c.values.front();
                if (c.history.lastIndividual)
                    s.spread = std::fabs(s.mean - *c.history.lastIndividual);
                c.history.lastIndividual = s.mean;
            } else {
                const ChartPoint point = chartPoints(kind, {c.values}).front();
                s.mean = point.value.value_or(NAN);
                s.spread = point.spread;
            }
            EpochHistory &h = c.history;
            ++h.sums.count;
            h.sums.sumMeans += s.mean;
            if (s.spread) {
                ++h.sums.spreadCount;
                h.sums.sumSpreads += *s.spread;
            }
            for (double v : c.values)
                h.sums.addValue(v);
            h.recent.push_back(s.mean);
            if (h.recent.size() > RuleWindow)
                h.recent.erase(h.recent.begin());
            s.limits = limitsInForce(plan, h);
            if (s.limits) {
                for (int test : rulesFiredAt(h.recent, h.recent.size() - 1, s.limits->centre,
                                             s.limits->pointSigma, plan.rules, plan.tests))
                    s.flags.push_back("X" + std::to_string(test));
                if (s.spread && beyondLimits(*s.spread, s.limits->spreadLcl, s.limits->spreadUcl))
                    s.flags.push_back(spreadLetter(kind) + "1");
            }
            s.epoch = h.sums;
            step.completed.push_back(std::move(s));
            c.values.clear();
        }
        step.after[m.channel] = std::move(c);
    }
    return step;
}

void Monitor::apply(Step step)
{
    for (auto &[channel, state] : step.after)
        channels_[channel] = std::move(state);
}

void Monitor::setPlan(const ControlPlan &plan, const EpochHistory &history)
{
    plans_[plan.channel] = plan;
    channels_[plan.channel] = ChannelState{history, {}, 0};
}

void Monitor::removePlan(int channel)
{
    plans_.erase(channel);
    channels_.erase(channel);
}

const ControlPlan *Monitor::plan(int channel) const
{
    const auto it = plans_.find(channel);
    return it == plans_.end() ? nullptr : &it->second;
}

const EpochHistory *Monitor::history(int channel) const
{
    const auto it = channels_.find(channel);
    return it == channels_.end() ? nullptr : &it->second.history;
}

std::vector<int> Monitor::channels() const
{
    std::vector<int> out;
    for (const auto &[channel, state] : channels_)
        out.push_back(channel);
    return out;
}

std::size_t Monitor::partial(int channel) const
{
    const auto it = channels_.find(channel);
    return it == channels_.end() ? 0 : it->second.values.size();
}

} // namespace qmxsrv::spc
