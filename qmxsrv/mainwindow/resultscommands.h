// The Results menu: Record Part, Part Serial... and Export Results..., with
// the results store they share and the part serial that counts on.
#pragma once

#include "quality/resultsstore.h"
#include "service/mqttfeed.h"

#include <QJsonObject>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

class QMainWindow;

namespace qmxsrv {

class FileDialogs;
class FormResults;
class ProgramState;

inline constexpr char ResultsFileName[] = "results.sqlite";
// The results window's place: the program's own settings, not a setup's.
inline constexpr char ResultsWindowSettings[] = "qmxsrv-results.conf";

class ResultsCommands {
public:
    // Results go to window's status bar, which this makes.
    ResultsCommands(ProgramState &state, FileDialogs &dialogs, QMainWindow &window);
    ~ResultsCommands();

    // Every channel with a formula read now, judged and stored as one part;
    // the status bar says how it went. While a device call is in progress
    // the record waits for the call to end (one record, however often asked).
    void RecordPart();
    // A record now, for a command from another program: nothing waits on a
    // box; the status bar says how it went as for F9. serial, when given,
    // is this part's (and counts on from it).
    struct Recorded {
        std::optional<std::int64_t> part; // none: not recorded, see error
        Verdict verdict = Verdict::Invalid;
        std::string error;
    };
    Recorded recordNow(const std::optional<std::string> &serial = std::nullopt);
    void PartSerial();
    // The dialog, then the save dialog; the file is written whole or not at
    // all, and the export remembered for "since the last export".
    void ExportResults();
    // The results window, made at first use.
    void ShowResults();
    FormResults *resultsWindow() const { return resultsWindow_.get(); }
    // Closes the windows of the Results menu (the program is ending).
    void closeWindows();

    const std::string &serial() const { return serial_; }
    // Results > Operator...: who is working, kept in the store across runs.
    void Operator();
    const std::string &operatorName();
    // The operator from now on; the reason when it could not be kept (it is
    // used for this run all the same).
    std::string setOperator(const std::string &name);
    // For the live-value status: the parts in the store (opened only when
    // its file is there, so asking makes no file; none when the store cannot
    // say), and whether a record would be kept (false once the store failed
    // for this run, or while records fail).
    std::optional<std::int64_t> partCount();
    // Told after every record, kept or not, and when the store fails.
    void setOnChange(std::function<void()> changed) { changed_ = std::move(changed); }
    // What else a record asks and writes: why it is held (empty: it is not),
    // what belongs to the part in its transaction, and whether it was kept.
    struct RecordHooks {
        std::function<std::string()> held;
        std::function<bool(ResultsStore &, const PartRow &, std::int64_t part, std::string &error)>
            within;
        std::function<void(bool kept)> done;
    };
    void setRecordHooks(RecordHooks hooks) { hooks_ = std::move(hooks); }
    // Adds to each part, measured and about to be stored, what others know of it.
    void setPartMarker(std::function<void(PartRow &)> mark) { mark_ = std::move(mark); }
    // With a plant feed, every part recorded is also marked for it and the
    // feed told; feedParts is where the feed reads them from.
    void setFeed(MqttFeed *feed) { feed_ = feed; }
    // Whether the plant's feed is on: only then is anything queued for it.
    bool feedOn() const { return feed_ != nullptr; }
    // Something was queued in the store's outbox: the feed sends it.
    void outboxWaiting()
    {
        if (feed_)
            feed_->partsWaiting();
    }
    MqttFeed::Parts feedParts();
    // How the feed says what the store's outbox holds of a kind: the topic's
    // last level, and the message made from the row ref refers to (none when
    // the row is gone).
    using OutboxComposer =
        std::function<std::optional<QJsonObject>(ResultsStore &store, std::int64_t ref)>;
    void addOutboxKind(const std::string &kind, const std::string &leaf, OutboxComposer compose);
    bool recording() const { return storeError_.empty() && !recordFailed_; }
    // QMXSRV_RESULTS, else results.sqlite in the program folder.
    std::string storePath() const;

    // Opened on first use; a store that cannot be opened is told once and
    // recording stays off for the run.
    ResultsStore *store(bool tellFailure = true);
    // The store if it is open or its file is there, opened without a word:
    // for other programs' questions, which must not make a file or a box.
    ResultsStore *quietStore();
    // Why the store cannot be used this run; empty while it can.
    const std::string &storeError() const { return storeError_; }

private:
    // The record itself; a failure is told in a box when boxed.
    Recorded record(bool boxed);
    Recorded recordPart(bool boxed);
    void status(const std::string &text);

    ProgramState &state_;
    FileDialogs &dialogs_;
    QMainWindow &window_;
    std::unique_ptr<ResultsStore> store_;
    MqttFeed *feed_ = nullptr;
    std::unique_ptr<FormResults> resultsWindow_; // after store_: goes first
    std::string storeError_;                     // why recording is off, once told
    bool recordFailed_ = false;                  // the last record was not kept
    std::function<void()> changed_;
    RecordHooks hooks_;
    std::function<void(PartRow &)> mark_;
    struct OutboxKind {
        std::string leaf;
        OutboxComposer compose;
    };
    std::map<std::string, OutboxKind> outboxKinds_;
    std::string serial_;
    std::string operator_;
    bool operatorRead_ = false; // taken from the store once it was open
    bool waiting_ = false;
};

} // namespace qmxsrv
