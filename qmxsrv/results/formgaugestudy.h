// Results > Gauge Study...: the gauge studies of the store, one of them in
// view. The window asks for each reading in turn in large text, shows the
// readings taken, the progress and the charts as they grow, and once every
// reading is in, the figures and the verdict, and saves the report. Non-modal; the station
// reads the board and hands each value in (takeReading), so that the window
// knows no device. Readings are kept as they are taken: a study left open
// goes on where it stopped, also after a restart.
#pragma once

#include "quality/studystore.h"

#include <QWidget>

#include <functional>
#include <optional>
#include <string>

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTabWidget;

namespace qmxsrv {

class FileDialogs;
class MessageBoxes;
class ProgramState;
class ResultsStore;
class StudyCharts;

class FormGaugeStudy : public QWidget {
    Q_OBJECT
public:
    // operatorName: who is working now, asked when a study begins.
    FormGaugeStudy(ProgramState &state, ResultsStore &store, FileDialogs &dialogs,
                   MessageBoxes &boxes, std::function<std::string()> operatorName,
                   QWidget *parent = nullptr);
    ~FormGaugeStudy() override;

    // Shows the window, the studies listed, on the study in view or else on
    // the newest one not finished (of the current setup first): it goes on
    // where it stopped.
    void showStudies();
    // New Study...: the dialog, then the study begun and in view.
    void NewStudy();
    // The study in view, if any.
    const study::Study *current() const { return study_ ? &*study_ : nullptr; }
    // Whether Record (F9) is the study's: the window is open on a study.
    bool takesRecord() const;

    struct Target {
        int channel = 0;
        std::size_t cell = 0; // into current()->cells
    };
    // What Record takes next: the reading chosen in the table (taken again),
    // else the next in the asking order. None, with the reason, when the
    // study is complete or of another setup.
    std::optional<Target> target(std::string &why) const;
    // The value read for target, kept at once and shown; told is what the
    // main window's status bar says. False, told the reason, when the store
    // did not keep it.
    bool takeReading(const Target &target, double value, const std::string &operatorName,
                     std::string &told);
    // A read that was no measurement: said in the window, nothing kept.
    void refuse(const std::string &why);

    // The report of the study in view as a PDF: the empty string on
    // success, else the reason. SaveReport asks where first.
    std::string saveReport(const std::string &path);
    void SaveReport();

signals:
    // Record (F9) pressed in this window.
    void recordRequested();

private:
    void reloadList(std::optional<std::int64_t> select);
    void showStudy(std::int64_t id);
    void refresh();
    void fillReadings();
    void fillResults();
    void message(const QString &text, bool refusal);
    QString cellName(const study::StudyCell &cell) const;

    ProgramState &state_;
    ResultsStore &store_;
    FileDialogs &dialogs_;
    MessageBoxes &boxes_;
    std::function<std::string()> operatorName_;
    std::optional<study::Study> study_;

    QListWidget *ListStudies;
    QPushButton *CommandNewStudy;
    QLabel *LabelStudy, *LabelPrompt, *LabelMessage;
    QProgressBar *ProgressReadings;
    QTabWidget *TabsStudy;
    QTableWidget *TableReadings;
    QPushButton *CommandRecord, *CommandNextReading;
    QLabel *LabelVerdict;
    QTableWidget *TableFigures;
    StudyCharts *Charts;
    QPushButton *CommandSaveReport;
};

} // namespace qmxsrv
