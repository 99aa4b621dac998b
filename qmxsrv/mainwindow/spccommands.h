// Real-time SPC at the station: the control plans of the open setup, each
// recorded part's subgroups judged at once, the alarms they raise (status
// bar, live-value service, plant feed) and their answers; Results > Control
// Plan... and Results > Alarms.... With no control plan the station records
// exactly as it does without any of this.
#pragma once

#include "quality/spcmonitor.h"
#include "quality/spcstore.h"

#include <QJsonArray>
#include <QObject>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QMainWindow;

namespace qmxsrv {

class FittedLabel;

class FormAlarms;
class LiveValueService;
class ProgramState;
class ResultsCommands;
class ResultsStore;

class SpcCommands : public QObject {
    Q_OBJECT
public:
    // The status bar of window gets the alarm's label.
    SpcCommands(ProgramState &state, ResultsCommands &results, LiveValueService &service,
                QMainWindow &window);
    ~SpcCommands() override;

    // The open setup's plans taken up afresh (a load, a new setup, the
    // start): every partial subgroup starts again.
    void setupLoaded();

    // Why a part may not be recorded now: an open alarm of a plan of the
    // open setup that holds recording until it is answered; empty if none.
    std::string holdReason() const;
    // In the part's transaction: its subgroups judged and written, with the
    // alarms they raise. recorded() when the transaction was kept, with
    // whether it was.
    bool write(ResultsStore &store, const PartRow &part, std::int64_t partId, std::string &error);
    void recorded(bool kept);

    // The plan of a channel of the open setup, taking effect at once; fix:
    // fixed limits from these subgroups of the channel. The reason when
    // refused.
    std::string setPlan(spc::ControlPlan plan,
                        std::optional<std::pair<std::int64_t, std::int64_t>> fix = {});
    std::string removePlan(int channel);
    std::vector<spc::ControlPlan> plans() const;
    // The answer to an open alarm, with the operator and the time.
    std::string answer(std::int64_t alarm, const std::string &cause, const std::string &action,
                       const std::string &comment);
    // The newest open alarms (at most OpenShown of them) and how many are open.
    static constexpr long OpenShown = 50;
    const std::vector<spc::Alarm> &openAlarms() const { return open_; }
    long openAlarmCount() const { return openCount_; }

    // Results > Control Plan... and Results > Alarms....
    void ControlPlan();
    void Alarms();
    FormAlarms *alarmsWindow() const { return alarmsWindow_.get(); }
    void closeWindows();

private:
    ResultsStore *store(bool tell);
    void refreshOpen();
    void told(const spc::Alarm &alarm, bool answered);

    ProgramState &state_;
    ResultsCommands &results_;
    LiveValueService &service_;
    QMainWindow &window_;
    FittedLabel *label_;
    std::string setup_; // whose plans the monitor holds
    spc::Monitor monitor_;
    std::optional<spc::Monitor::Step> pending_;
    std::vector<std::int64_t> raised_; // by the part in its transaction
    std::vector<spc::Alarm> open_;
    long openCount_ = 0;
    std::optional<spc::Alarm> held_; // the open alarm that holds recording
    std::unique_ptr<FormAlarms> alarmsWindow_;
};

} // namespace qmxsrv
