// The charts of a gauge study (Qt Charts), for its window and its report.
// Type 1: the run chart of the readings with Xm and Xm +- K/200 T. R&R and
// type 3: the range chart and the average chart by appraiser, each part's
// cell in a block per appraiser with the X-bar/R limits of the cells, and
// the part-by-appraiser lines. Drawn from the readings taken so far.
#pragma once

#include "quality/studystore.h"

#include <QWidget>

#include <memory>
#include <vector>

class QChart;
class QChartView;

namespace qmxsrv {

// New charts of the study, in the order above: one for type 1, three else.
std::vector<std::unique_ptr<QChart>> makeStudyCharts(const study::Study &study);

class StudyCharts : public QWidget {
public:
    explicit StudyCharts(QWidget *parent = nullptr);

    // The charts drawn again for the study as it stands.
    void plot(const study::Study &study);
    // The views, as plot made them: ChartRun, or ChartRanges, ChartAverages
    // and ChartParts.
    const std::vector<QChartView *> &views() const { return views_; }

private:
    std::vector<QChartView *> views_;
};

} // namespace qmxsrv
