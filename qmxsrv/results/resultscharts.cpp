#include "results/resultscharts.h"

#include "results/partsmodel.h"

#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QLineSeries>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace qmxsrv {

namespace {

const QColor ControlColor(0x2b, 0x5c, 0xb8);
const QColor PathColor(0x60, 0x60, 0x60);

} // namespace

ResultsCharts::Plot ResultsCharts::Plot::make(const QString &name, const QString &title,
                                              QWidget *parent)
{
    auto *chart = new QChart;
    chart->setTitle(title);
    chart->legend()->hide();
    chart->setMargins(QMargins(4, 4, 4, 4));
    ResultsCharts::Plot plot;
    plot.view = new QChartView(chart, parent);
    plot.view->setObjectName(name);
    plot.view->setRenderHint(QPainter::Antialiasing);
    plot.view->setMinimumHeight(160);
    plot.x = new QValueAxis;
    plot.y = new QValueAxis;
    plot.x->setLabelFormat(QStringLiteral("%.0f"));
    chart->addAxis(plot.x, Qt::AlignBottom);
    chart->addAxis(plot.y, Qt::AlignLeft);
    return plot;
}

namespace {

// A chart is some hundred pixels wide: of many points in x order, keep per
// slice of x the lowest and the highest (in their order), so the picture
// stays the same, spikes included, and drawing costs the width, not n.
constexpr int Slices = 150;
QList<QPointF> thinned(const QList<QPointF> &points)
{
    if (points.size() <= 2 * Slices)
        return points;
    const double x0 = points.front().x(), span = points.back().x() - x0;
    QList<QPointF> out;
    out.reserve(2 * Slices + 2);
    int slice = -1;
    qsizetype lo = 0, hi = 0;
    const auto flush = [&] {
        if (slice < 0)
            return;
        out.append(points[std::min(lo, hi)]);
        if (lo != hi)
            out.append(points[std::max(lo, hi)]);
    };
    for (qsizetype i = 0; i < points.size(); ++i) {
        const int at =
            span > 0 ? std::min(Slices - 1, int((points[i].x() - x0) / span * Slices)) : 0;
        if (at != slice) {
            flush();
            slice = at, lo = hi = i;
        } else if (points[i].y() < points[lo].y()) {
            lo = i;
        } else if (points[i].y() > points[hi].y()) {
            hi = i;
        }
    }
    flush();
    return out;
}

QList<QPointF> level(double x0, double x1, const std::optional<double> &y)
{
    return y ? QList<QPointF>{{x0, *y}, {x1, *y}} : QList<QPointF>{};
}

// Room around [lo, hi]; a range that starts at zero (ranges, counts) stays there.
void setRange(QValueAxis *axis, double lo, double hi)
{
    if (!(hi > lo))
        hi = lo + 1, lo = lo == 0 ? 0 : lo - 1;
    const double pad = (hi - lo) * 0.06;
    axis->setRange(lo == 0 ? 0 : lo - pad, hi + pad);
}

void setPartTicks(QValueAxis *axis, double first, double last)
{
    const PartTicks ticks = partTicks(first, last);
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(ticks.anchor);
    axis->setTickInterval(ticks.step);
}

using Fills = std::vector<std::pair<QLineSeries *, QList<QPointF>>>;

void refill(ResultsCharts::Plot &plot, double x0, double x1, double ylo, double yhi, Fills fills)
{
    // A series redraws on each change of an axis, so the series are emptied
    // first and filled once the axes are set: the long ones are then laid
    // out once, not three times.
    for (auto &[series, points] : fills)
        if (series->count())
            series->clear();
    plot.x->setRange(x0, x1);
    setRange(plot.y, ylo, yhi);
    for (auto &[series, points] : fills)
        series->replace(points);
}

QString statisticsText(const ChannelStatistics &s, int decimals)
{
    const auto v = [&](const std::optional<double> &x, int d) {
        return QString::fromStdString(statisticText(x, d));
    };
    const int total = s.n + s.invalid;
    const auto share = [&](Verdict k) {
        return total ? QString::number(100.0 * s.verdicts[std::size_t(k)] / total, 'f', 1) + " %"
                     : QStringLiteral("-");
    };
    return QStringLiteral("n %1 (invalid %2)   mean %3   s %4   s within %5\n"
                          "Cp %6   Cpk %7   Pp %8   Ppk %9\n"
                          "good %10   approach %11   reject %12   invalid %13")
        .arg(s.n)
        .arg(s.invalid)
        .arg(v(s.mean, decimals + 2), v(s.sd, decimals + 2), v(s.sdWithin, decimals + 2),
             v(s.cp, 2), v(s.cpk, 2), v(s.pp, 2), v(s.ppk, 2))
        .arg(share(Verdict::Good), share(Verdict::Approach), share(Verdict::Reject),
             share(Verdict::Invalid));
}

} // namespace

void ResultsCharts::Plot::refill(double x0, double x1, double ylo, double yhi,
                                 std::vector<std::pair<QLineSeries *, QList<QPointF>>> fills)
{
    qmxsrv::refill(*this, x0, x1, ylo, yhi, std::move(fills));
    setPartTicks(x, x0, x1);
}

PartTicks partTicks(double first, double last, int maxTicks)
{
    const auto fits = [&](double step) {
        const double anchor = std::ceil(first / step) * step;
        return std::floor((last - anchor) / step) + 1 <= maxTicks;
    };
    double step = 1;
    for (double decade = 1; !fits(step); decade *= 10) {
        for (const double m : {1.0, 2.0, 5.0}) {
            step = m * decade;
            if (fits(step))
                break;
        }
    }
    return {std::ceil(first / step) * step, step};
}

QLineSeries *ResultsCharts::Plot::add(const QString &name, const QColor &color, Qt::PenStyle style,
                                      qreal markerSize)
{
    auto *s = new QLineSeries;
    s->setName(name);
    // Points alone are a line series without a pen: drawn in one pass, where
    // a scatter series makes an item of every point.
    s->setPen(markerSize > 0 ? QPen(Qt::NoPen) : QPen(color, 1.2, style));
    if (markerSize > 0) {
        s->setColor(color);
        s->setPointsVisible(true);
        s->setMarkerSize(markerSize);
        s->setPen(QPen(color, 0.01));
        s->setBrush(color);
    }
    view->chart()->addSeries(s);
    s->attachAxis(x);
    s->attachAxis(y);
    return s;
}

ResultsCharts::ResultsCharts(QWidget *parent)
    : QWidget(parent), individuals_(Plot::make("ChartIndividuals", "Individuals", this)),
      movingRange_(Plot::make("ChartMovingRange", "Moving range", this)),
      histogram_(Plot::make("ChartHistogram", "Histogram", this)), text_(new QLabel(this))
{
    const QColor reject = verdictColor(Verdict::Reject), approach = verdictColor(Verdict::Approach);
    Plot &i = individuals_;
    i.x->setTitleText(QStringLiteral("Part"));
    values_ = i.add("Values", PathColor, Qt::SolidLine);
    // A halo behind the point: a marker of its own colour is drawn on it.
    // Opaque: translucent markers cost the paint some ten times as much.
    const QColor halo(0xa8, 0xbd, 0xe6);
    beyond_ = i.add("Beyond control", halo, Qt::SolidLine, 14);
    good_ = i.add("good", verdictColor(Verdict::Good), Qt::SolidLine, 7);
    approach_ = i.add("approach", approach, Qt::SolidLine, 7);
    reject_ = i.add("reject", reject, Qt::SolidLine, 7);
    const struct {
        const char *name;
        QColor color;
        Qt::PenStyle style;
    } limits[] = {{"LoTol", reject, Qt::DashLine},      {"HiTol", reject, Qt::DashLine},
                  {"LoAppr", approach, Qt::DashLine},   {"HiAppr", approach, Qt::DashLine},
                  {"UCL", ControlColor, Qt::DotLine},   {"LCL", ControlColor, Qt::DotLine},
                  {"Mean", ControlColor, Qt::SolidLine}};
    for (int k = 0; k < 7; ++k)
        limits_[k] = i.add(limits[k].name, limits[k].color, limits[k].style);

    movingRange_.x->setTitleText(QStringLiteral("Part"));
    ranges_ = movingRange_.add("Moving range", PathColor, Qt::SolidLine);
    mrUcl_ = movingRange_.add("UCL", ControlColor, Qt::DotLine);
    mrMean_ = movingRange_.add("MR", ControlColor, Qt::SolidLine);

    counts_ = histogram_.add("Counts", QColor(0x3c, 0x4a, 0x5c), Qt::SolidLine);
    for (int k = 0; k < 4; ++k)
        histLimits_[k] = histogram_.add(limits[k].name, limits[k].color, limits[k].style);

    text_->setObjectName(QStringLiteral("LabelStatistics"));
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(individuals_.view, 3);
    layout->addWidget(movingRange_.view, 2);
    layout->addWidget(histogram_.view, 2);
    layout->addWidget(text_);
}

void ResultsCharts::plot(const std::vector<PartRow> &parts, int channel)
{
    stats_ = channel ? statisticsOf(parts, channel) : ChannelStatistics{};
    double lim[4] = {0, 0, 0, 0}; // LoTol HiTol LoAppr HiAppr of the newest part
    int decimals = 4;
    for (auto p = parts.rbegin(); channel && p != parts.rend(); ++p)
        if (const MeasurementRow *m = measurementOf(*p, channel)) {
            lim[0] = m->loTol, lim[1] = m->hiTol, lim[2] = m->loAppr, lim[3] = m->hiAppr;
            const auto point = m->text.find('.');
            decimals = point == std::string::npos ? 0 : int(m->text.size() - point - 1);
            break;
        }

    // Individuals in part order, coloured by the verdict recorded with them.
    QList<QPointF> points, ranges, marks[3], beyond;
    double lo = std::min(lim[0], lim[1]), hi = std::max(lim[0], lim[1]), mrMax = 0;
    for (const PartRow &p : parts) {
        const MeasurementRow *m = channel ? measurementOf(p, channel) : nullptr;
        if (!m || !m->value || !std::isfinite(*m->value) || m->verdict == Verdict::Invalid)
            continue;
        const QPointF point(double(p.id), *m->value);
        if (!points.isEmpty()) {
            ranges.append({point.x(), std::fabs(point.y() - points.back().y())});
            mrMax = std::max(mrMax, ranges.back().y());
        }
        points.append(point);
        lo = std::min(lo, point.y()), hi = std::max(hi, point.y());
        marks[std::min(int(m->verdict), 2)].append(point);
        if ((stats_.iUcl && point.y() > *stats_.iUcl) || (stats_.iLcl && point.y() < *stats_.iLcl))
            beyond.append(point);
    }
    const double x0 = points.isEmpty() ? 0 : points.front().x();
    const double x1 = points.isEmpty() ? 1 : std::max(points.back().x(), x0 + 1);
    const std::optional<double> levels[7] = {lim[0],      lim[1],      lim[2],     lim[3],
                                             stats_.iUcl, stats_.iLcl, stats_.mean};
    Fills individuals = {{values_, thinned(points)},
                         {good_, thinned(marks[0])},
                         {approach_, thinned(marks[1])},
                         {reject_, thinned(marks[2])},
                         {beyond_, thinned(beyond)}};
    for (int k = 0; k < 7; ++k)
        individuals.push_back(
            {limits_[k], points.isEmpty() ? QList<QPointF>{} : level(x0, x1, levels[k])});
    if (stats_.iUcl)
        hi = std::max(hi, *stats_.iUcl), lo = std::min(lo, *stats_.iLcl);
    refill(individuals_, x0, x1, lo, hi, std::move(individuals));
    setPartTicks(individuals_.x, x0, x1);

    refill(movingRange_, x0, x1, 0, std::max(mrMax, stats_.mrUcl.value_or(0)),
           {{ranges_, thinned(ranges)},
            {mrUcl_, level(x0, x1, stats_.mrUcl)},
            {mrMean_, level(x0, x1, stats_.mrBar)}});
    setPartTicks(movingRange_.x, x0, x1);

    // Histogram over the values and the tolerance limits, as steps.
    const int bins = std::clamp(int(std::ceil(std::sqrt(double(points.size())))), 5, 30);
    const double width = hi > lo ? (hi - lo) / bins : 1.0;
    std::vector<int> counts(std::size_t(bins), 0);
    for (const QPointF &p : points)
        ++counts[std::size_t(std::clamp(int((p.y() - lo) / width), 0, bins - 1))];
    QList<QPointF> steps;
    int most = 1;
    if (!points.isEmpty()) {
        steps.append({lo, 0});
        for (int b = 0; b < bins; ++b) {
            const int c = counts[std::size_t(b)];
            steps.append({lo + b * width, double(c)});
            steps.append({lo + (b + 1) * width, double(c)});
            most = std::max(most, c);
        }
        steps.append({lo + bins * width, 0});
    }
    Fills histogram = {{counts_, steps}};
    for (int k = 0; k < 4; ++k)
        histogram.push_back(
            {histLimits_[k], points.isEmpty()
                                 ? QList<QPointF>{}
                                 : QList<QPointF>{{lim[k], 0}, {lim[k], double(most)}}});
    histogram_.x->setLabelFormat(QStringLiteral("%.") + QString::number(decimals) + "f");
    refill(histogram_, lo, lo + bins * width, 0, most, std::move(histogram));

    if (!channel)
        text_->clear();
    else if (points.isEmpty())
        text_->setText(QStringLiteral("No valid value of this channel in these parts."));
    else
        text_->setText(statisticsText(stats_, decimals));
}

} // namespace qmxsrv
