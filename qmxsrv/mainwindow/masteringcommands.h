// The station's mastering record: each zeroing and mastering the dialog
// completes is kept in the results store with the channel's calibration as
// it was and as it is (read from the board through the channel), and goes to
// the plant's feed; Results > Mastering Record...; the mastering interval,
// which marks the parts measured while a channel is due and says so in a
// status bar label of its own.
#pragma once

#include "dialogs/formmastering.h"
#include "quality/masteringstore.h"

#include <QJsonObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QLabel;
class QMainWindow;
class QTimer;

namespace qmxsrv {

class FileDialogs;
class FormMasteringRecord;
class ProgramState;
class ResultsCommands;

class MasteringCommands {
public:
    // How often the hours of the interval are looked at.
    static constexpr int DueLookMs = 60 * 1000;
    // ms since 1970, UTC: the time of a mastering and of the due test.
    using Clock = std::function<std::int64_t()>;

    // The label goes into window's status bar; the feed's kind is registered
    // with results.
    MasteringCommands(ProgramState &state, ResultsCommands &results, FileDialogs &dialogs,
                      QMainWindow &window);
    ~MasteringCommands();

    // Records what dialog completes.
    void watch(FormMastering &dialog);
    // Results > Mastering Record...: the window, made at first use.
    void ShowMasteringRecord();
    FormMasteringRecord *recordWindow() const { return window_.get(); }
    void closeWindows();

    // The channels of the current setup due now, as a part recorded now
    // carries them; the label said anew.
    void markPart(PartRow &part);
    void refreshDue();
    const std::vector<int> &due() const { return due_; }

    void setClock(Clock clock) { clock_ = std::move(clock); }

private:
    void calibrating(std::int16_t channel);
    void calibrated(const FormMastering::Calibration &done);
    std::vector<int> dueNow();
    void showDue();

    ProgramState &state_;
    ResultsCommands &results_;
    FileDialogs &dialogs_;
    QMainWindow &mainWindow_;
    QLabel *dueLabel_;
    QTimer *dueTimer_;
    Clock clock_;
    std::vector<int> due_;
    // The channel's calibration read just before the dialog wrote it.
    struct Before {
        std::int16_t channel = 0;
        float zero = 0, scaling = 0;
    } before_;
    bool failureTold_ = false; // that the store cannot keep masterings, once a run
    std::unique_ptr<FormMasteringRecord> window_;
};

// The feed's message of a mastering (the feed adds the station).
QJsonObject masteringMessage(const MasteringRow &mastering);

// "Mastering due: Bore diameter, Channel 3"; empty when none is due.
std::string masteringDueText(const ProgramState &state, const std::vector<int> &channels);

} // namespace qmxsrv
