#include "mainwindow/resultscommands.h"

#include "core/device.h"
#include "core/messageboxes.h"
#include "core/programstate.h"
#include "core/textfile.h"
#include "mainwindow/partrecord.h"
#include "platform/filedialogs.h"
#include "quality/partserial.h"
#include "quality/resultsexport.h"
#include "results/formexportresults.h"
#include "results/formresults.h"
#include "results/partsmodel.h"

#include <QDateTime>
#include <QMainWindow>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace qmxsrv {

namespace {

// How often a record that waits for a device call looks again.
constexpr int WaitLookMs = 50;

// The station's value that names who is working.
const std::string OperatorKey = "operator";

} // namespace

ResultsCommands::ResultsCommands(ProgramState &state, FileDialogs &dialogs, QMainWindow &window)
    : state_(state), dialogs_(dialogs), window_(window)
{
    window_.statusBar()->setObjectName(QStringLiteral("StatusResults"));
}

ResultsCommands::~ResultsCommands() = default;

std::string ResultsCommands::storePath() const
{
    if (const char *p = std::getenv("QMXSRV_RESULTS"); p && *p)
        return p;
    return (std::filesystem::path(state_.settings.AppPath) / ResultsFileName).string();
}

ResultsStore *ResultsCommands::store(bool tellFailure)
{
    if (!store_ && storeError_.empty()) {
        std::string error;
        store_ = ResultsStore::open(storePath(), false, error);
        if (!store_) {
            storeError_ = error;
            if (tellFailure)
                tell(state_.boxes(), error + "\rParts are not recorded in this run.",
                     Icon::Exclamation);
        }
    }
    return store_.get();
}

ResultsStore *ResultsCommands::quietStore()
{
    if (!store_ && storeError_.empty() && std::filesystem::exists(storePath())) {
        // A fault is told to the operator at the first record, not here.
        std::string error;
        store_ = ResultsStore::open(storePath(), false, error);
    }
    return store_.get();
}

std::optional<std::int64_t> ResultsCommands::partCount()
{
    if (!storeError_.empty())
        return std::nullopt;
    if (ResultsStore *results = quietStore())
        return results->lastPart();
    // No file is no part yet; a file that is no store cannot say.
    return std::filesystem::exists(storePath()) ? std::nullopt : std::optional<std::int64_t>(0);
}

MqttFeed::Parts ResultsCommands::feedParts()
{
    MqttFeed::Parts parts;
    parts.waiting = [this](std::size_t limit) {
        std::string error;
        ResultsStore *results = quietStore();
        return results ? results->unpublished(limit, error) : std::vector<std::int64_t>{};
    };
    parts.load = [this](std::int64_t id) {
        std::string error;
        ResultsStore *results = quietStore();
        return results ? results->part(id, error) : std::nullopt;
    };
    parts.published = [this](std::int64_t id) {
        std::string error;
        if (ResultsStore *results = quietStore(); results && !results->markPublished(id, error))
            std::fprintf(stderr, "QMXSRV: part %lld not marked as published: %s\n",
                         static_cast<long long>(id), error.c_str());
    };
    parts.messages = [this](std::size_t limit) {
        std::vector<MqttFeed::Parts::Message> out;
        ResultsStore *results = quietStore();
        std::string error;
        if (!results)
            return out;
        for (const ResultsStore::OutboxEntry &e : results->outbox(limit, error)) {
            const auto kind = outboxKinds_.find(e.kind);
            std::optional<QJsonObject> payload;
            if (kind != outboxKinds_.end())
                payload = kind->second.compose(*results, e.ref);
            if (!payload) { // nothing this station can say of it: not kept waiting
                results->markSent(e.id, error);
                continue;
            }
            out.push_back({e.id, kind->second.leaf, std::move(*payload)});
        }
        return out;
    };
    parts.messagePublished = [this](std::int64_t id) {
        std::string error;
        if (ResultsStore *results = quietStore(); results && !results->markSent(id, error))
            std::fprintf(stderr, "QMXSRV: message %lld not marked as published: %s\n",
                         static_cast<long long>(id), error.c_str());
    };
    return parts;
}

void ResultsCommands::addOutboxKind(const std::string &kind, const std::string &leaf,
                                    OutboxComposer compose)
{
    outboxKinds_[kind] = {leaf, std::move(compose)};
}

void ResultsCommands::status(const std::string &text)
{
    window_.statusBar()->showMessage(QString::fromStdString(text));
}

void ResultsCommands::RecordPart()
{
    if (state_.device().callInProgress()) {
        if (!std::exchange(waiting_, true))
            QTimer::singleShot(WaitLookMs, &window_, [this] {
                waiting_ = false;
                RecordPart();
            });
        return;
    }
    record(true);
}

ResultsCommands::Recorded ResultsCommands::recordNow(const std::optional<std::string> &serial)
{
    if (state_.device().callInProgress())
        return {std::nullopt, Verdict::Invalid, "a device call is in progress"};
    if (serial)
        serial_ =
            QString::fromStdString(*serial).simplified().left(int(MaxPartSerial)).toStdString();
    return record(false);
}

ResultsCommands::Recorded ResultsCommands::record(bool boxed)
{
    Recorded r = recordPart(boxed);
    recordFailed_ = !r.part;
    if (changed_)
        changed_();
    return r;
}

ResultsCommands::Recorded ResultsCommands::recordPart(bool boxed)
{
    ResultsStore *results = store(boxed);
    if (!results) {
        status("Part not recorded: " + storeError_);
        return {std::nullopt, Verdict::Invalid, storeError_};
    }
    if (hooks_.held)
        if (const std::string why = hooks_.held(); !why.empty()) {
            status("Part not recorded: " + why);
            return {std::nullopt, Verdict::Invalid, why};
        }
    PartRow part = measurePart(state_, serial_);
    part.operatorName = operatorName();
    if (part.measurements.empty()) {
        status("Nothing recorded: no channel has a formula.");
        return {std::nullopt, Verdict::Invalid, "no channel has a formula"};
    }
    if (mark_)
        mark_(part);
    std::string error;
    ResultsStore::Within within;
    if (hooks_.within)
        within = [&](std::int64_t id, std::string &why) {
            return hooks_.within(*results, part, id, why);
        };
    const std::optional<std::int64_t> id = results->record(part, error, feed_ != nullptr, within);
    if (hooks_.done)
        hooks_.done(id.has_value());
    if (!id) {
        status("Part not recorded.");
        if (boxed)
            tell(state_.boxes(), error, Icon::Exclamation);
        return {std::nullopt, Verdict::Invalid, error};
    }
    serial_ = nextPartSerial(serial_);
    status(recordedText(*id, part));
    if (resultsWindow_) {
        PartRow shown = part;
        shown.id = *id;
        resultsWindow_->partRecorded(shown);
    }
    if (feed_)
        feed_->partsWaiting();
    return {id, part.verdict, {}};
}

void ResultsCommands::ShowResults()
{
    ResultsStore *results = store();
    if (!results) {
        tell(state_.boxes(), "No results to show: " + storeError_, Icon::Exclamation);
        return;
    }
    if (!resultsWindow_)
        resultsWindow_ = std::make_unique<FormResults>(
            *results, dialogs_, state_.boxes(),
            (std::filesystem::path(state_.settings.AppPath) / ResultsWindowSettings).string());
    resultsWindow_->showFor(state_.view.SetupFileName);
}

void ResultsCommands::closeWindows()
{
    if (resultsWindow_)
        resultsWindow_->close();
}

const std::string &ResultsCommands::operatorName()
{
    if (!operatorRead_) {
        if (ResultsStore *results = quietStore()) {
            std::string error;
            operator_ = results->stationValue(OperatorKey, error);
            operatorRead_ = true;
        }
    }
    return operator_;
}

std::string ResultsCommands::setOperator(const std::string &name)
{
    operator_ = name;
    operatorRead_ = true;
    std::string error;
    ResultsStore *results = store(false);
    if (!results)
        return storeError_;
    if (!results->setStationValue(OperatorKey, name, error))
        return error;
    status(name.empty() ? std::string("No operator set.") : "Operator: " + name);
    return {};
}

void ResultsCommands::Operator()
{
    FormOperator dialog(operatorName(), &window_);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (const std::string why = setOperator(dialog.name()); !why.empty())
        tell(state_.boxes(), "The operator is not kept for the next run: " + why,
             Icon::Exclamation);
}

void ResultsCommands::PartSerial()
{
    FormPartSerial dialog(serial_, &window_);
    if (dialog.exec() == QDialog::Accepted)
        serial_ = dialog.serial();
}

void ResultsCommands::ExportResults()
{
    ResultsStore *results = store();
    if (!results) {
        tell(state_.boxes(), "Nothing to export: " + storeError_, Icon::Exclamation);
        return;
    }
    std::string error;
    const std::vector<std::string> setups = results->setups(error);
    FormExportResults dialog(setups, state_.view.SetupFileName, &window_);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const ExportChoice c = dialog.choice();
    std::string since;
    switch (c.range) {
    case ExportChoice::All: break;
    case ExportChoice::Today: since = utcAtStartOf(QDate::currentDate()); break;
    case ExportChoice::SinceLastExport: since = results->lastExport(c.setup); break;
    case ExportChoice::BetweenDates: break;
    }
    const std::vector<PartRow> parts = c.range == ExportChoice::BetweenDates
                                           ? partsOnDays(*results, c.setup, c.from, c.to, error)
                                           : results->parts(&c.setup, since, 0, true, error);
    if (!error.empty()) {
        tell(state_.boxes(), error, Icon::Exclamation);
        return;
    }
    if (parts.empty()) {
        tell(state_.boxes(), "No recorded parts of this setup in that range.");
        return;
    }
    FileDialogRequest request;
    request.title = "Export Results";
    request.filter = c.dfq ? "AQDEF (*.dfq)|*.dfq" : "CSV (*.csv)|*.csv";
    request.folder = state_.settings.AppPath;
    request.fileName =
        std::filesystem::path(c.setup.empty() ? "results" : c.setup).stem().string() +
        (c.dfq ? ".dfq" : ".csv");
    request.defaultExtension = c.dfq ? "dfq" : "csv";
    const std::string path = dialogs_.saveFile(request);
    if (path.empty())
        return;
    const std::string text = c.dfq ? writeDfq(parts, c.setup) : writeCsv(parts);
    if (const std::string why = saveTextFileAtomically(path, text); !why.empty()) {
        tell(state_.boxes(), "Cannot write " + path + ": " + why, Icon::Exclamation);
        return;
    }
    int offset = 0;
    if (!results->setLastExport(c.setup, utcNow(offset), error))
        tell(state_.boxes(), "Exported, but not remembered as exported: " + error);
    status(std::to_string(parts.size()) + (parts.size() == 1 ? " part" : " parts") +
           " exported to " + path);
}

} // namespace qmxsrv
