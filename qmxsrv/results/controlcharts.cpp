#include "results/controlcharts.h"

#include "quality/statistics.h"

#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QLineSeries>
#include <QPen>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <map>

namespace qmxsrv {

namespace {

const QColor PathColor(0x3c, 0x4a, 0x5c);
const QColor LimitColor(0x1f, 0x5f, 0xbf);
const QColor ZoneColor(0x9c, 0xb3, 0xd9);
const QColor MarkColor(0xd9, 0x2d, 0x20);

QList<QPointF> level(double x0, double x1, double y) { return {{x0, y}, {x1, y}}; }

} // namespace

ControlCharts::ControlCharts(QWidget *parent)
    : QWidget(parent),
      mean_(ResultsCharts::Plot::make(QStringLiteral("ChartMeans"), QStringLiteral("Means"), this)),
      spread_(
          ResultsCharts::Plot::make(QStringLiteral("ChartSpread"), QStringLiteral("Spread"), this)),
      text_(new QLabel(this))
{
    mean_.x->setTitleText(QStringLiteral("Subgroup"));
    spread_.x->setTitleText(QStringLiteral("Subgroup"));
    means_ = mean_.add(QStringLiteral("Means"), PathColor, Qt::SolidLine);
    const struct {
        const char *name;
        QColor color;
        Qt::PenStyle style;
    } lines[] = {{"Centre", LimitColor, Qt::SolidLine}, {"UCL", LimitColor, Qt::DashLine},
                 {"LCL", LimitColor, Qt::DashLine},     {"+2 sigma", ZoneColor, Qt::DotLine},
                 {"-2 sigma", ZoneColor, Qt::DotLine},  {"+1 sigma", ZoneColor, Qt::DotLine},
                 {"-1 sigma", ZoneColor, Qt::DotLine}};
    for (int k = 0; k < 7; ++k)
        meanLines_[k] =
            mean_.add(QString::fromLatin1(lines[k].name), lines[k].color, lines[k].style);
    spreads_ = spread_.add(QStringLiteral("Spread"), PathColor, Qt::SolidLine);
    for (int k = 0; k < 3; ++k)
        spreadLines_[k] =
            spread_.add(QString::fromLatin1(lines[k].name), lines[k].color, lines[k].style);
    text_->setObjectName(QStringLiteral("LabelControlStatistics"));
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(mean_.view, 3);
    layout->addWidget(spread_.view, 2);
    layout->addWidget(text_);
}

void ControlCharts::plot(const spc::ControlPlan &plan,
                         const std::vector<spc::StoredSubgroup> &subgroups,
                         const std::optional<spc::ControlLimits> &limits,
                         const spc::PlanCapability &capability)
{
    const spc::ChartKind kind = plan.kind();
    const QString meanName =
        kind == spc::ChartKind::IndividualsMovingRange ? "Individuals" : "Means (X-bar)";
    const QString spreadName = kind == spc::ChartKind::XbarR   ? "Ranges (R)"
                               : kind == spc::ChartKind::XbarS ? "Standard deviations (s)"
                                                               : "Moving ranges (MR)";
    mean_.view->chart()->setTitle(meanName);
    spread_.view->chart()->setTitle(spreadName);

    QList<QPointF> means, spreads;
    // The points that broke a rule, by their mark: one labelled series each.
    std::map<QString, QList<QPointF>> meanMarks, spreadMarks;
    double lo = 0, hi = 0, top = 0;
    bool any = false;
    for (const spc::StoredSubgroup &g : subgroups) {
        const QPointF m(double(g.number), g.mean);
        means.append(m);
        lo = any ? std::min(lo, g.mean) : g.mean;
        hi = any ? std::max(hi, g.mean) : g.mean;
        any = true;
        QStringList onMean, onSpread;
        for (const QString &flag : QString::fromStdString(g.flags).split(',', Qt::SkipEmptyParts))
            (flag.startsWith('X') ? onMean : onSpread).append(flag);
        if (!onMean.isEmpty())
            meanMarks[onMean.join(',')].append(m);
        if (g.spread) {
            const QPointF s(double(g.number), *g.spread);
            spreads.append(s);
            top = std::max(top, *g.spread);
            if (!onSpread.isEmpty())
                spreadMarks[onSpread.join(',')].append(s);
        }
    }
    // Half a subgroup of room at each end: the newest point, the one an
    // alarm is about, and its mark are not cut by the plot's edge.
    const double x0 = subgroups.empty() ? 0 : double(subgroups.front().number) - 0.5;
    const double x1 = subgroups.empty()
                          ? 1
                          : std::max(subgroups.back().number, subgroups.front().number + 1) + 0.5;

    std::vector<std::pair<QLineSeries *, QList<QPointF>>> meanFills{{means_, means}},
        spreadFills{{spreads_, spreads}};
    if (limits) {
        const double at[7] = {limits->centre,   limits->ucl,     limits->lcl,     limits->zone(2),
                              limits->zone(-2), limits->zone(1), limits->zone(-1)};
        for (int k = 0; k < 7; ++k)
            meanFills.push_back({meanLines_[k], level(x0, x1, at[k])});
        lo = any ? std::min(lo, limits->lcl) : limits->lcl;
        hi = any ? std::max(hi, limits->ucl) : limits->ucl;
        const double sat[3] = {limits->spreadCentre, limits->spreadUcl, limits->spreadLcl};
        for (int k = 0; k < 3; ++k)
            spreadFills.push_back({spreadLines_[k], level(x0, x1, sat[k])});
        top = std::max(top, limits->spreadUcl);
    } else {
        for (QLineSeries *s : meanLines_)
            meanFills.push_back({s, {}});
        for (QLineSeries *s : spreadLines_)
            spreadFills.push_back({s, {}});
    }
    mean_.refill(x0, x1, lo, hi, std::move(meanFills));
    spread_.refill(x0, x1, 0, top, std::move(spreadFills));
    // The marks: a series per text, made as texts are met and kept.
    for (QLineSeries *s : marks_)
        s->clear();
    const auto markSeries = [this](ResultsCharts::Plot &plot, const QString &text) {
        for (QLineSeries *s : marks_)
            if (s->name() == text && s->chart() == plot.view->chart())
                return s;
        QLineSeries *s = plot.add(text, MarkColor, Qt::SolidLine, 11);
        s->setPointLabelsVisible(true);
        s->setPointLabelsFormat(text);
        s->setPointLabelsColor(MarkColor);
        s->setPointLabelsClipping(false);
        marks_.push_back(s);
        return s;
    };
    for (auto &[text, points] : meanMarks)
        markSeries(mean_, text)->replace(points);
    for (auto &[text, points] : spreadMarks)
        markSeries(spread_, text)->replace(points);

    const int decimals = (subgroups.empty() ? 4 : subgroups.back().decimals) + 3;
    const auto v = [&](const std::optional<double> &x, int d) {
        return QString::fromStdString(statisticText(x, d));
    };
    QString t =
        QStringLiteral("n %1, %2, rules %3; %4\n")
            .arg(QString::number(plan.subgroupSize), QString::fromStdString(spc::chartText(kind)),
                 QString::fromStdString(spc::ruleSetText(plan.rules)),
                 QString::fromStdString("limits " + spc::limitsInForce(plan)));
    if (limits)
        t += QStringLiteral("centre %1   UCL %2   LCL %3   sigma %4\n")
                 .arg(v(limits->centre, decimals), v(limits->ucl, decimals),
                      v(limits->lcl, decimals), v(limits->sigma, decimals));
    else
        t += QStringLiteral("no limits yet: too few subgroups\n");
    t += QStringLiteral("Cp %1   Cpk %2   Pp %3   Ppk %4   (%5 values)")
             .arg(v(capability.cp, 2), v(capability.cpk, 2), v(capability.pp, 2),
                  v(capability.ppk, 2), QString::number(capability.values));
    text_->setText(t);
}

QString ControlCharts::statisticsText() const { return text_->text(); }

std::vector<std::pair<QString, QPointF>> ControlCharts::markedPoints() const
{
    std::vector<std::pair<QString, QPointF>> out;
    for (const QLineSeries *s : marks_)
        for (const QPointF &p : s->points())
            out.emplace_back(s->name(), p);
    return out;
}

} // namespace qmxsrv
