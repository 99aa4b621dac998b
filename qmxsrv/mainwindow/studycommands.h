// Results > Gauge Study...: the study window on the results store, and
// Record (F9) while it is open on a study, which then takes the study's
// reading, read afresh from the board as a recorded part's channel is,
// instead of recording a part. The main window's status bar says what
// became of every press.
#pragma once

#include <memory>
#include <string>

class QMainWindow;

namespace qmxsrv {

class FileDialogs;
class FormGaugeStudy;
class ProgramState;
class ResultsCommands;

class StudyCommands {
public:
    StudyCommands(ProgramState &state, FileDialogs &dialogs, QMainWindow &window,
                  ResultsCommands &results);
    ~StudyCommands();

    // The window, made at first use on the results store.
    void GaugeStudy();
    // Whether Record (F9) is the study's: its window is open on a study.
    bool takesRecord() const;
    // The study's next reading (or the one chosen in its table) from the
    // board. While a device call is in progress it waits for the call's end.
    void TakeReading();
    FormGaugeStudy *studyWindow() const { return window_.get(); }
    void closeWindows();

private:
    void status(const std::string &text);

    ProgramState &state_;
    FileDialogs &dialogs_;
    QMainWindow &main_;
    ResultsCommands &results_;
    std::unique_ptr<FormGaugeStudy> window_;
    bool waiting_ = false;
};

} // namespace qmxsrv
