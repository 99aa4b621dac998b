#include "mainwindow/studycommands.h"

#include "core/device.h"
#include "core/messageboxes.h"
#include "core/programstate.h"
#include "mainwindow/partrecord.h"
#include "mainwindow/resultscommands.h"
#include "results/formgaugestudy.h"

#include <QMainWindow>
#include <QStatusBar>
#include <QTimer>

#include <utility>

namespace qmxsrv {

namespace {

// How often a reading that waits for a device call looks again.
constexpr int WaitLookMs = 50;

} // namespace

StudyCommands::StudyCommands(ProgramState &state, FileDialogs &dialogs, QMainWindow &window,
                             ResultsCommands &results)
    : state_(state), dialogs_(dialogs), main_(window), results_(results)
{
}

StudyCommands::~StudyCommands() = default;

void StudyCommands::status(const std::string &text)
{
    main_.statusBar()->showMessage(QString::fromStdString(text));
}

void StudyCommands::GaugeStudy()
{
    ResultsStore *store = results_.store();
    if (!store) {
        tell(state_.boxes(), "No gauge studies: " + results_.storeError(), Icon::Exclamation);
        return;
    }
    if (!window_) {
        window_ = std::make_unique<FormGaugeStudy>(state_, *store, dialogs_, state_.boxes(),
                                                   [this] { return results_.operatorName(); });
        QObject::connect(window_.get(), &FormGaugeStudy::recordRequested, &main_,
                         [this] { TakeReading(); });
    }
    window_->showStudies();
}

bool StudyCommands::takesRecord() const { return window_ && window_->takesRecord(); }

void StudyCommands::TakeReading()
{
    if (!takesRecord())
        return;
    if (state_.device().callInProgress()) {
        if (!std::exchange(waiting_, true))
            QTimer::singleShot(WaitLookMs, &main_, [this] {
                waiting_ = false;
                TakeReading();
            });
        return;
    }
    std::string why;
    const std::optional<FormGaugeStudy::Target> target = window_->target(why);
    if (!target) {
        window_->refuse(why);
        status(why);
        return;
    }
    const std::optional<double> value = measureChannel(state_, target->channel, why);
    // The read may have run a message box: the study may be gone from view.
    if (!window_->takesRecord())
        return;
    if (!value) {
        const std::string told = "Reading not taken: " + why + ".";
        window_->refuse(told);
        status(told);
        state_.boxes().beep();
        return;
    }
    std::string told;
    window_->takeReading(*target, *value, results_.operatorName(), told);
    status(told);
}

void StudyCommands::closeWindows()
{
    if (window_)
        window_->close();
}

} // namespace qmxsrv
