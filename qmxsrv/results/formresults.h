// Results > Show Results...: the recorded parts of a setup, newest first,
// and the charts and statistics of one channel over them. Non-modal; it
// follows parts as they are recorded without reading the store again, and
// remembers its place in the program's own settings file.
#pragma once

#include "quality/resultsstore.h"

#include <QWidget>
#include <string>

class QComboBox;
class QDateEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QTableView;

namespace qmxsrv {

class FileDialogs;
class MessageBoxes;
class PartsModel;
class ControlCharts;
class ResultsCharts;

inline constexpr int DefaultShownParts = 125;

class FormResults : public QWidget {
    Q_OBJECT
public:
    // settingsPath: the file that keeps the window's place.
    FormResults(ResultsStore &store, FileDialogs &dialogs, MessageBoxes &boxes,
                std::string settingsPath, QWidget *parent = nullptr);
    ~FormResults() override;

    // Shows the window on the current setup's parts (the setup list read anew).
    void showFor(const std::string &currentSetup);
    // A part just recorded (with its number): shown when it is of the setup
    // on view and the range is the last N parts.
    void partRecorded(const PartRow &part);
    // Writes the three charts and the statistics as one PNG; the empty
    // string on success, else the reason.
    std::string saveChart(const std::string &path);
    void SaveChart();

    const PartsModel &model() const { return *model_; }
    const ResultsCharts &charts() const { return *charts_; }
    // The pair of control charts, shown for a channel with a control plan.
    const ControlCharts &controlCharts() const { return *control_; }
    bool showsControlCharts() const;

protected:
    void hideEvent(QHideEvent *event) override;

private:
    void reload();
    void channelChosen();
    void showPart(int row);
    std::string chosenSetup() const;

    ResultsStore &store_;
    FileDialogs &dialogs_;
    MessageBoxes &boxes_;
    std::string settingsPath_;
    bool placed_ = false;
    PartsModel *model_;
    ResultsCharts *charts_;
    ControlCharts *control_;
    QStackedWidget *chartsPage_;
    QComboBox *setup_;
    QRadioButton *byLast_;
    QSpinBox *last_;
    QRadioButton *byDates_;
    QDateEdit *from_;
    QDateEdit *to_;
    QTableView *table_;
    QListWidget *channels_;
    QPushButton *save_;
};

} // namespace qmxsrv
