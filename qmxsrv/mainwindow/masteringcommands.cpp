#include "mainwindow/masteringcommands.h"

#include "core/messageboxes.h"
#include "core/numbertext.h"
#include "core/programstate.h"
#include "mainwindow/resultscommands.h"
#include "platform/named.h"
#include "results/formmasteringrecord.h"

#include <QDateTime>
#include <QJsonValue>
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>
#include <QTimer>

#include <cmath>
#include <utility>

namespace qmxsrv {

namespace {

QJsonValue number(double v) { return std::isfinite(v) ? QJsonValue(v) : QJsonValue::Null; }

QJsonValue number(const std::optional<double> &v) { return v ? number(*v) : QJsonValue::Null; }

QString text(const std::string &s) { return QString::fromStdString(s); }

std::string channelName(const ProgramState &state, int n)
{
    const std::string &d = state.Channels.contains(n) ? state.Channels.Item(n).Description : "";
    return d.empty() ? "Channel " + std::to_string(n) : d;
}

} // namespace

QJsonObject masteringMessage(const MasteringRow &m)
{
    return QJsonObject{{"mastering", qint64(m.id)},
                       {"recorded_utc", text(m.recordedUtc)},
                       {"setup", text(m.setup)},
                       {"channel", m.channel},
                       {"description", text(m.description)},
                       {"kind", QString::fromUtf8(masteringKindText(m.kind).data())},
                       {"operator", text(m.operatorName)},
                       {"master1", number(m.master1)},
                       {"master2", number(m.master2)},
                       {"reading1", number(m.reading1)},
                       {"reading2", number(m.reading2)},
                       {"zero_before", number(m.zeroBefore)},
                       {"zero_after", number(m.zeroAfter)},
                       {"scaling_before", number(m.scalingBefore)},
                       {"scaling_after", number(m.scalingAfter)}};
}

std::string masteringDueText(const ProgramState &state, const std::vector<int> &channels)
{
    std::string text;
    for (int n : channels)
        text += (text.empty() ? "Mastering due: " : ", ") + channelName(state, n);
    return text;
}

MasteringCommands::MasteringCommands(ProgramState &state, ResultsCommands &results,
                                     FileDialogs &dialogs, QMainWindow &window)
    : state_(state), results_(results), dialogs_(dialogs), mainWindow_(window),
      dueLabel_(named<QLabel>("StatusMasteringDue", &window)),
      dueTimer_(named<QTimer>("TimerMasteringDue", &window)),
      clock_([] { return QDateTime::currentMSecsSinceEpoch(); })
{
    // A label of its own: the record's and the other messages come and go
    // in the status bar's message; this one stays while a channel is due.
    QPalette red = dueLabel_->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    dueLabel_->setPalette(red);
    dueLabel_->hide();
    window.statusBar()->addPermanentWidget(dueLabel_);
    QObject::connect(dueTimer_, &QTimer::timeout, &window, [this] { refreshDue(); });
    dueTimer_->start(DueLookMs);
    results_.addOutboxKind(MasteringStore::OutboxKind, "mastering",
                           [](ResultsStore &store, std::int64_t ref) -> std::optional<QJsonObject> {
                               std::string error;
                               const std::optional<MasteringRow> m =
                                   MasteringStore(store).mastering(ref, error);
                               if (!m)
                                   return std::nullopt;
                               return masteringMessage(*m);
                           });
}

MasteringCommands::~MasteringCommands() = default;

void MasteringCommands::watch(FormMastering &dialog)
{
    QObject::connect(&dialog, &FormMastering::calibrating, &dialog,
                     [this](std::int16_t channel) { calibrating(channel); });
    QObject::connect(&dialog, &FormMastering::calibrated, &dialog,
                     [this](const FormMastering::Calibration &done) { calibrated(done); });
}

void MasteringCommands::calibrating(std::int16_t n)
{
    before_ = {};
    if (!state_.Channels.contains(n))
        return;
    channel &ch = state_.Channels.Item(n);
    before_ = {n, ch.ZeroOffset(), ch.Scaling()};
}

void MasteringCommands::calibrated(const FormMastering::Calibration &done)
{
    // A read's message box runs events: the channel may be gone meanwhile.
    if (!state_.Channels.contains(done.channel) || before_.channel != done.channel)
        return;
    channel &ch = state_.Channels.Item(done.channel);
    MasteringRow m;
    m.recordedUtc = utcText(clock_());
    m.operatorName = results_.operatorName();
    m.setup = state_.view.SetupFileName;
    m.channel = done.channel;
    m.description = ch.Description;
    m.decimals = ch.Decimals;
    m.kind = done.zeroMode     ? MasteringKind::Zero
             : done.twoMasters ? MasteringKind::TwoMasters
                               : MasteringKind::OneMaster;
    m.master1 = decimalDouble(ch.Master1);
    if (ch.UseTwoMasters)
        m.master2 = decimalDouble(ch.Master2);
    // The readings are the board's floats, widened.
    m.reading1 = decimalDouble(float(done.reading1));
    if (done.twoMasters)
        m.reading2 = decimalDouble(float(done.reading2));
    m.zeroBefore = decimalDouble(before_.zero);
    m.scalingBefore = decimalDouble(before_.scaling);
    m.zeroAfter = decimalDouble(ch.ZeroOffset());
    m.scalingAfter = decimalDouble(ch.Scaling());
    before_ = {};

    const std::string what = "The " + std::string(done.zeroMode ? "zeroing" : "mastering") +
                             " of " + channelName(state_, done.channel) + " was not recorded: ";
    ResultsStore *store = results_.store(false);
    if (!store) {
        mainWindow_.statusBar()->showMessage(text(what + results_.storeError()));
        if (!std::exchange(failureTold_, true))
            tell(state_.boxes(),
                 results_.storeError() + "\rZeroings and masterings are not recorded in this run.",
                 Icon::Exclamation);
        return;
    }
    m.lastPart = store->lastPart().value_or(0);
    std::string error;
    if (!MasteringStore(*store).record(m, results_.feedOn(), error)) {
        mainWindow_.statusBar()->showMessage(text(what + error));
        tell(state_.boxes(), what + error, Icon::Exclamation);
        return;
    }
    results_.outboxWaiting();
    if (window_)
        window_->masteringRecorded();
    refreshDue();
}

void MasteringCommands::ShowMasteringRecord()
{
    ResultsStore *store = results_.store();
    if (!store) {
        tell(state_.boxes(), "No mastering record to show: " + results_.storeError(),
             Icon::Exclamation);
        return;
    }
    if (!window_) {
        window_ = std::make_unique<FormMasteringRecord>(*store, dialogs_, state_.boxes());
        QObject::connect(window_.get(), &FormMasteringRecord::intervalChanged, &mainWindow_,
                         [this] { refreshDue(); });
    }
    window_->showFor(state_.view.SetupFileName);
}

void MasteringCommands::closeWindows()
{
    if (window_)
        window_->close();
}

std::vector<int> MasteringCommands::dueNow()
{
    // No store yet: no interval either, and nothing is made by asking.
    ResultsStore *store = results_.quietStore();
    if (!store)
        return {};
    std::vector<int> channels;
    for (int i = 1; i <= state_.Channels.Count(); ++i)
        if (!state_.Channels.Item(i).Formula().empty())
            channels.push_back(i);
    std::string error;
    return MasteringStore(*store).due(state_.view.SetupFileName, channels, clock_(), error);
}

void MasteringCommands::markPart(PartRow &part)
{
    due_ = dueNow();
    part.masteringDue = channelListText(due_);
    showDue();
}

void MasteringCommands::refreshDue()
{
    due_ = dueNow();
    showDue();
}

void MasteringCommands::showDue()
{
    dueLabel_->setText(text(masteringDueText(state_, due_)));
    dueLabel_->setVisible(!due_.empty());
}

} // namespace qmxsrv
