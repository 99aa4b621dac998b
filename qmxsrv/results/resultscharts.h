// The charts of one channel over the shown parts: individuals with the
// tolerance, approach and control limits (points coloured by verdict, those
// beyond the control limits ringed), moving range, histogram with the
// limits, and the process statistics as text. The series are made once and
// refilled, so a new part costs a refill, not a new chart.
#pragma once

#include "quality/statistics.h"

#include <QList>
#include <QPointF>
#include <QWidget>

#include <utility>
#include <vector>

class QChartView;
class QLabel;
class QLineSeries;
class QValueAxis;

namespace qmxsrv {

struct PartRow;

// Ticks of a part-number axis from first to last: at whole part numbers
// only, every step parts (1, 2, 5, 10, 20, 50, ...) from the first multiple
// of step, at most maxTicks of them, so that every label is a true number.
struct PartTicks {
    double anchor = 1;
    double step = 1;
};
PartTicks partTicks(double first, double last, int maxTicks = 8);

class ResultsCharts : public QWidget {
public:
    explicit ResultsCharts(QWidget *parent = nullptr);

    // parts oldest first; channel 0 empties the charts.
    void plot(const std::vector<PartRow> &parts, int channel);

    const ChannelStatistics &statistics() const { return stats_; }
    QChartView *individuals() const { return individuals_.view; }
    QChartView *movingRange() const { return movingRange_.view; }
    QChartView *histogram() const { return histogram_.view; }

    // A chart with its two value axes; every series is on both.
    struct Plot {
        QChartView *view = nullptr;
        QValueAxis *x = nullptr, *y = nullptr;
        // A chart view named name with its title, the legend hidden.
        static Plot make(const QString &name, const QString &title, QWidget *parent);
        QLineSeries *add(const QString &name, const QColor &color, Qt::PenStyle style,
                         qreal markerSize = 0);
        // The x axis from x0 to x1 ticked at whole numbers, the y axis around
        // ylo..yhi; the series emptied first and filled once the axes are set.
        void refill(double x0, double x1, double ylo, double yhi,
                    std::vector<std::pair<QLineSeries *, QList<QPointF>>> fills);
    };

private:
    Plot individuals_, movingRange_, histogram_;
    QLineSeries *values_, *good_, *approach_, *reject_, *beyond_;
    QLineSeries *limits_[7]; // LoTol HiTol LoAppr HiAppr UCL LCL Mean
    QLineSeries *ranges_, *mrUcl_, *mrMean_;
    QLineSeries *counts_, *histLimits_[4];
    QLabel *text_;
    ChannelStatistics stats_;
};

} // namespace qmxsrv
