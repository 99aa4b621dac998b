#include "results/studycharts.h"

#include "quality/controlchart.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QLegendMarker>
#include <QLineSeries>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace qmxsrv {

namespace {

using study::Study;
using study::StudyType;

const QColor LimitColor(0xc0, 0x30, 0x30);
const QColor CentreColor(0x2b, 0x5c, 0xb8);
const QColor AppraiserColors[] = {QColor(0x1f, 0x77, 0xb4), QColor(0xe0, 0x7b, 0x10),
                                  QColor(0x2c, 0x9c, 0x3c)};

QColor appraiserColor(int a)
{
    return AppraiserColors[std::size_t(a) % std::size(AppraiserColors)];
}

struct Chart {
    std::unique_ptr<QChart> chart = std::make_unique<QChart>();
    QAbstractAxis *x = nullptr;
    QValueAxis *y = new QValueAxis;
    double lo = INFINITY, hi = -INFINITY;

    Chart(const QString &title, QAbstractAxis *xAxis) : x(xAxis)
    {
        chart->setTitle(title);
        chart->setMargins(QMargins(4, 4, 4, 4));
        chart->addAxis(x, Qt::AlignBottom);
        chart->addAxis(y, Qt::AlignLeft);
        chart->legend()->setAlignment(Qt::AlignBottom);
    }
    QLineSeries *add(const QString &name, const QColor &color, Qt::PenStyle style,
                     const QList<QPointF> &points, bool marked = false, bool inLegend = true)
    {
        auto *s = new QLineSeries;
        s->setName(name);
        s->setPen(QPen(color, marked ? 1.5 : 1.2, style));
        s->setPointsVisible(marked);
        s->setMarkerSize(6);
        s->replace(points);
        chart->addSeries(s);
        s->attachAxis(x);
        s->attachAxis(y);
        for (QLegendMarker *m : chart->legend()->markers(s))
            m->setVisible(inLegend);
        for (const QPointF &p : points)
            lo = std::min(lo, p.y()), hi = std::max(hi, p.y());
        return s;
    }
    // A level across the chart, named in the legend.
    void level(const QString &name, const QColor &color, Qt::PenStyle style,
               const std::optional<double> &y, double x0, double x1, bool inLegend = true)
    {
        if (y)
            add(name, color, style, {{x0, *y}, {x1, *y}}, false, inLegend);
    }
    std::unique_ptr<QChart> done(int decimals)
    {
        if (!(hi >= lo))
            lo = 0, hi = 1;
        const double pad = hi > lo ? (hi - lo) * 0.08 : std::max(std::fabs(hi) * 0.01, 1e-3);
        y->setRange(lo - pad, hi + pad);
        y->applyNiceNumbers(); // ticks on round values
        y->setLabelFormat(QStringLiteral("%.") + QString::number(std::clamp(decimals, 0, 8)) + "f");
        chart->legend()->setVisible(true);
        return std::move(chart);
    }
};

QValueAxis *numberAxis(const QString &title, double from, double to)
{
    auto *x = new QValueAxis;
    x->setTitleText(title);
    x->setRange(from, to);
    x->setLabelFormat(QStringLiteral("%.0f"));
    return x;
}

std::unique_ptr<QChart> runChart(const Study &s)
{
    const int n = int(s.cells.size());
    auto *x = numberAxis(QStringLiteral("Reading"), 0.5, std::max(n, 2) + 0.5);
    x->setTickType(QValueAxis::TicksDynamic);
    x->setTickAnchor(0);
    x->setTickInterval(n > 50 ? 20 : n > 20 ? 10 : 5);
    Chart c(QStringLiteral("Run chart"), x);
    QList<QPointF> values;
    for (const study::StudyCell &cell : s.cells)
        if (cell.value)
            values.append({double(cell.trial + 1), *cell.value});
    const double x1 = std::max(n, 2) + 0.5;
    if (s.reference) {
        c.level(QStringLiteral("Xm"), CentreColor, Qt::SolidLine, s.reference, 0.5, x1);
        if (s.tolerance) {
            const double half = s.k / 200 * *s.tolerance;
            c.level(QStringLiteral("Xm \u00b1 K/200\u00b7T"), LimitColor, Qt::DashLine,
                    *s.reference + half, 0.5, x1);
            c.level(QString(), LimitColor, Qt::DashLine, *s.reference - half, 0.5, x1, false);
        }
    }
    c.add(QStringLiteral("Readings"), QColor(0x30, 0x30, 0x30), Qt::SolidLine, values, true);
    return c.done(s.decimals + 1);
}

// x of appraiser a's part p in a chart of blocks, one block per appraiser.
double blockX(const Study &s, int a, int p) { return a * (s.parts + 1) + p + 1; }

QCategoryAxis *appraiserAxis(const Study &s)
{
    auto *x = new QCategoryAxis;
    x->setStartValue(0.5);
    for (int a = 0; a < s.appraisers; ++a)
        x->append(QString::fromStdString(s.type == StudyType::Type3
                                             ? "Parts 1 to " + std::to_string(s.parts)
                                             : s.appraiserName(a)),
                  blockX(s, a, s.parts - 1) + 1);
    x->setRange(0.5, blockX(s, s.appraisers - 1, s.parts - 1) + 0.5);
    x->setLabelsPosition(QCategoryAxis::AxisLabelsPositionCenter);
    return x;
}

// The cells whose trials are all taken, by appraiser and part, and the X-bar/R
// limits of those cells as subgroups.
struct Cells {
    std::vector<std::optional<spc::ChartPoint>> points; // [a * parts + p]
    std::optional<spc::ControlLimits> limits;
};

Cells cellsOf(const Study &s)
{
    std::vector<std::vector<double>> values(std::size_t(s.appraisers * s.parts));
    for (const study::StudyCell &c : s.cells)
        if (c.value)
            values[std::size_t(c.appraiser * s.parts + c.part)].push_back(*c.value);
    Cells cells;
    std::vector<std::vector<double>> complete;
    for (const auto &v : values)
        if (int(v.size()) == s.trials)
            complete.push_back(v);
    const std::vector<spc::ChartPoint> points = spc::chartPoints(spc::ChartKind::XbarR, complete);
    cells.limits = spc::limitsFromPoints(spc::ChartKind::XbarR, s.trials, points);
    std::size_t next = 0;
    for (const auto &v : values)
        cells.points.push_back(int(v.size()) == s.trials
                                   ? std::optional<spc::ChartPoint>(points[next++])
                                   : std::nullopt);
    return cells;
}

std::unique_ptr<QChart> blockChart(const Study &s, const Cells &cells, bool ranges)
{
    Chart c(ranges ? QStringLiteral("Range chart by appraiser")
                   : QStringLiteral("Average chart by appraiser"),
            appraiserAxis(s));
    const double x0 = 0.5, x1 = blockX(s, s.appraisers - 1, s.parts - 1) + 0.5;
    const auto &l = cells.limits;
    const auto at = [&](double spc::ControlLimits::*m) {
        return l ? std::optional<double>((*l).*m) : std::nullopt;
    };
    if (ranges) {
        c.level(QStringLiteral("Mean range"), CentreColor, Qt::SolidLine,
                at(&spc::ControlLimits::spreadCentre), x0, x1);
        c.level(QStringLiteral("UCL"), LimitColor, Qt::DashLine, at(&spc::ControlLimits::spreadUcl),
                x0, x1);
        if (l && l->spreadLcl > 0)
            c.level(QStringLiteral("LCL"), LimitColor, Qt::DashLine, l->spreadLcl, x0, x1);
    } else {
        c.level(QStringLiteral("Grand mean"), CentreColor, Qt::SolidLine,
                at(&spc::ControlLimits::centre), x0, x1);
        c.level(QStringLiteral("UCL, LCL"), LimitColor, Qt::DashLine, at(&spc::ControlLimits::ucl),
                x0, x1);
        c.level(QString(), LimitColor, Qt::DashLine, at(&spc::ControlLimits::lcl), x0, x1, false);
    }
    for (int a = 0; a < s.appraisers; ++a) {
        QList<QPointF> points;
        for (int p = 0; p < s.parts; ++p)
            if (const auto &pt = cells.points[std::size_t(a * s.parts + p)]) {
                const std::optional<double> y = ranges ? pt->spread : pt->value;
                if (y)
                    points.append({blockX(s, a, p), *y});
            }
        c.add(QString::fromStdString(s.appraiserName(a)), appraiserColor(a), Qt::SolidLine, points,
              true, s.type == StudyType::Grr);
    }
    return c.done(s.decimals + 1);
}

std::unique_ptr<QChart> partsChart(const Study &s, const Cells &cells)
{
    auto *x = numberAxis(QStringLiteral("Part"), 0.5, s.parts + 0.5);
    x->setTickType(QValueAxis::TicksDynamic);
    x->setTickAnchor(1);
    x->setTickInterval(s.parts > 20 ? 5 : 1);
    Chart c(s.type == StudyType::Grr ? QStringLiteral("Parts by appraiser")
                                     : QStringLiteral("Part averages"),
            x);
    for (int a = 0; a < s.appraisers; ++a) {
        QList<QPointF> points;
        for (int p = 0; p < s.parts; ++p)
            if (const auto &pt = cells.points[std::size_t(a * s.parts + p)]; pt && pt->value)
                points.append({double(p + 1), *pt->value});
        c.add(QString::fromStdString(s.appraiserName(a)), appraiserColor(a), Qt::SolidLine, points,
              true, s.type == StudyType::Grr);
    }
    return c.done(s.decimals + 1);
}

const char *const ViewNames[] = {"ChartRanges", "ChartAverages", "ChartParts"};

} // namespace

std::vector<std::unique_ptr<QChart>> makeStudyCharts(const Study &study)
{
    std::vector<std::unique_ptr<QChart>> charts;
    if (study.type == StudyType::Type1) {
        charts.push_back(runChart(study));
        return charts;
    }
    const Cells cells = cellsOf(study);
    charts.push_back(blockChart(study, cells, true));
    charts.push_back(blockChart(study, cells, false));
    charts.push_back(partsChart(study, cells));
    return charts;
}

StudyCharts::StudyCharts(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

void StudyCharts::plot(const Study &study)
{
    std::vector<std::unique_ptr<QChart>> charts = makeStudyCharts(study);
    const bool runChart = study.type == StudyType::Type1;
    // The views stay while the study's kind does; their charts are replaced.
    if (views_.size() != charts.size()) {
        for (QChartView *v : views_)
            delete v;
        views_.clear();
        for (std::size_t i = 0; i < charts.size(); ++i) {
            auto *view = new QChartView(this);
            view->setObjectName(QLatin1String(runChart ? "ChartRun" : ViewNames[i]));
            view->setRenderHint(QPainter::Antialiasing);
            view->setMinimumHeight(180);
            layout()->addWidget(view);
            views_.push_back(view);
        }
    }
    for (std::size_t i = 0; i < charts.size(); ++i) {
        QChart *old = views_[i]->chart();
        views_[i]->setChart(charts[i].release()); // the view owns it now
        delete old;
    }
}

} // namespace qmxsrv
