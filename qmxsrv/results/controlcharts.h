// The pair of control charts of a channel with a control plan: X-bar with
// R or s, or individuals with moving range, by subgroup number; the limits
// in force, the 1 and 2 sigma zone lines, and every point that broke a rule
// marked with its rule (X2, R1). The text below says which limits are in
// force and the capability under the plan.
#pragma once

#include "quality/spcstore.h"
#include "results/resultscharts.h"

#include <QWidget>

#include <optional>
#include <vector>

class QLabel;
class QLineSeries;

namespace qmxsrv {

class ControlCharts : public QWidget {
public:
    explicit ControlCharts(QWidget *parent = nullptr);

    void plot(const spc::ControlPlan &plan, const std::vector<spc::StoredSubgroup> &subgroups,
              const std::optional<spc::ControlLimits> &limits,
              const spc::PlanCapability &capability);

    QChartView *meanChart() const { return mean_.view; }
    QChartView *spreadChart() const { return spread_.view; }
    // What the text under the charts says.
    QString statisticsText() const;
    // The points marked as breaking a rule, by their mark, on the mean and
    // the spread chart.
    std::vector<std::pair<QString, QPointF>> markedPoints() const;

private:
    ResultsCharts::Plot mean_, spread_;
    QLineSeries *means_, *spreads_;
    QLineSeries *meanLines_[7];        // centre, UCL, LCL, +2, -2, +1, -1 sigma
    QLineSeries *spreadLines_[3];      // centre, UCL, LCL
    std::vector<QLineSeries *> marks_; // one per mark text, made as needed
    QLabel *text_;
};

} // namespace qmxsrv
