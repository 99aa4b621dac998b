#include "results/formmasteringrecord.h"

#include "core/messageboxes.h"
#include "core/textfile.h"
#include "platform/filedialogs.h"
#include "platform/named.h"
#include "quality/resultsexport.h"
#include "results/partsmodel.h"
#include "results/setupchoice.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iterator>
#include <map>

namespace qmxsrv {

namespace {

constexpr int MostParts = 1000000;
constexpr int MostHours = 8760; // a year

QString numberCell(double v)
{
    return std::isfinite(v) ? QString::fromStdString(exactNumber(v)) : QString();
}

QString numberCell(const std::optional<double> &v) { return v ? numberCell(*v) : QString(); }

QString kindName(MasteringKind kind)
{
    switch (kind) {
    case MasteringKind::Zero: return QStringLiteral("zero");
    case MasteringKind::OneMaster: return QStringLiteral("one master");
    case MasteringKind::TwoMasters: return QStringLiteral("two masters");
    }
    return {};
}

} // namespace

std::string intervalText(const MasteringInterval &interval)
{
    const auto count = [](long n, const char *one, const char *many) {
        return std::to_string(n) + " " + (n == 1 ? one : many);
    };
    if (interval.parts > 0 && interval.hours > 0)
        return "every " + count(interval.parts, "part", "parts") + " or " +
               count(interval.hours, "hour", "hours");
    if (interval.parts > 0)
        return "every " + count(interval.parts, "part", "parts");
    if (interval.hours > 0)
        return "every " + count(interval.hours, "hour", "hours");
    return "off";
}

FormMasteringRecord::FormMasteringRecord(ResultsStore &store, FileDialogs &dialogs,
                                         MessageBoxes &boxes, QWidget *parent)
    : QWidget(parent, Qt::Window), store_(store), dialogs_(dialogs), boxes_(boxes),
      setup_(named<QComboBox>("ComboSetup", this)),
      channel_(named<QComboBox>("ComboChannel", this)),
      interval_(named<QLabel>("LabelInterval", this)),
      table_(named<QTableWidget>("TableMasterings", 0, int(ColumnCount), this)),
      intervalButton_(named<QPushButton>("CommandInterval", QStringLiteral("&Interval..."), this)),
      export_(named<QPushButton>("CommandExport", QStringLiteral("&Export CSV..."), this))
{
    setObjectName(QStringLiteral("FormMasteringRecord"));
    setWindowTitle(QStringLiteral("Mastering Record"));
    setup_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    channel_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    table_->setHorizontalHeaderLabels({"Time", "Channel", "Kind", "Operator", "Master 1",
                                       "Master 2", "Reading 1", "Reading 2", "Zero before",
                                       "Zero after", "Scaling before", "Scaling after"});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);

    auto *filter = new QHBoxLayout;
    filter->addWidget(new QLabel(QStringLiteral("Setup"), this));
    filter->addWidget(setup_, 1);
    filter->addWidget(new QLabel(QStringLiteral("Channel"), this));
    filter->addWidget(channel_);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(interval_, 1);
    buttons->addWidget(intervalButton_);
    buttons->addWidget(export_);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filter);
    layout->addWidget(table_, 1);
    layout->addLayout(buttons);
    resize(1100, 480);

    connect(setup_, qOverload<int>(&QComboBox::activated), this, [this] { reload(); });
    connect(channel_, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this] { showRows(); });
    connect(intervalButton_, &QPushButton::clicked, this, &FormMasteringRecord::Interval);
    connect(export_, &QPushButton::clicked, this, &FormMasteringRecord::ExportCsv);
}

FormMasteringRecord::~FormMasteringRecord() = default;

void FormMasteringRecord::showFor(const std::string &currentSetup)
{
    std::string error;
    offerSetups(*setup_, store_.setups(error), currentSetup);
    if (!error.empty())
        tell(boxes_, error, Icon::Exclamation);
    reload();
    show();
    raise();
    activateWindow();
}

void FormMasteringRecord::masteringRecorded()
{
    if (isVisible())
        reload();
}

std::string FormMasteringRecord::chosenSetup() const { return qmxsrv::chosenSetup(*setup_); }

void FormMasteringRecord::reload()
{
    const std::string setup = chosenSetup();
    std::string error;
    all_ = store_.masterings(&setup, 0, error);
    if (!error.empty())
        tell(boxes_, error, Icon::Exclamation);
    // The channels of the setup's record, each named as its newest mastering names it.
    std::map<int, QString> channels;
    for (const MasteringRow &m : all_)
        channels.emplace(m.channel, channelTitle(m.description, m.channel));
    const int chosen = channel_->currentData().toInt();
    {
        const QSignalBlocker quiet(channel_);
        channel_->clear();
        channel_->addItem(QStringLiteral("All channels"), 0);
        for (const auto &[n, name] : channels)
            channel_->addItem(name, n);
        channel_->setCurrentIndex(std::max(0, channel_->findData(chosen)));
    }
    showInterval();
    showRows();
}

void FormMasteringRecord::showRows()
{
    const int channel = channel_->currentData().toInt();
    shown_.clear();
    std::copy_if(all_.begin(), all_.end(), std::back_inserter(shown_),
                 [channel](const MasteringRow &m) { return channel == 0 || m.channel == channel; });
    table_->setRowCount(int(shown_.size()));
    int row = 0;
    for (const MasteringRow &m : shown_) {
        const QString cells[ColumnCount] = {localTimeText(m.recordedUtc),
                                            channelTitle(m.description, m.channel),
                                            kindName(m.kind),
                                            QString::fromStdString(m.operatorName),
                                            numberCell(m.master1),
                                            numberCell(m.master2),
                                            numberCell(m.reading1),
                                            numberCell(m.reading2),
                                            numberCell(m.zeroBefore),
                                            numberCell(m.zeroAfter),
                                            numberCell(m.scalingBefore),
                                            numberCell(m.scalingAfter)};
        for (int c = 0; c < ColumnCount; ++c) {
            auto *item = new QTableWidgetItem(cells[c]);
            if (c >= ColumnMaster1)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table_->setItem(row, c, item);
        }
        ++row;
    }
    table_->resizeColumnsToContents();
    export_->setEnabled(!shown_.empty());
}

void FormMasteringRecord::showInterval()
{
    std::string error;
    interval_->setText(QStringLiteral("Mastering interval: ") +
                       QString::fromStdString(intervalText(store_.interval(chosenSetup(), error))));
}

std::string FormMasteringRecord::exportCsv(const std::string &path) const
{
    return saveTextFileAtomically(path, writeMasteringsCsv(shown_));
}

void FormMasteringRecord::ExportCsv()
{
    if (shown_.empty()) {
        tell(boxes_, "No masterings to export.");
        return;
    }
    FileDialogRequest request;
    request.title = "Export Mastering Record";
    request.filter = "CSV (*.csv)|*.csv";
    const std::string setup = chosenSetup();
    request.fileName =
        "masterings-" + std::filesystem::path(setup.empty() ? "untitled" : setup).stem().string() +
        (channel_->currentData().toInt() > 0 ? "-" + std::to_string(channel_->currentData().toInt())
                                             : std::string()) +
        ".csv";
    request.defaultExtension = "csv";
    const std::string path = dialogs_.saveFile(request);
    if (path.empty())
        return;
    if (const std::string why = exportCsv(path); !why.empty())
        tell(boxes_, "Cannot write " + path + ": " + why, Icon::Exclamation);
}

void FormMasteringRecord::Interval()
{
    const std::string setup = chosenSetup();
    std::string error;
    const MasteringInterval now = store_.interval(setup, error);
    FormMasteringInterval dialog(setup, now, this);
    if (dialog.exec() != QDialog::Accepted || dialog.interval() == now)
        return;
    if (!store_.setInterval(setup, dialog.interval(), error)) {
        tell(boxes_, "The mastering interval is not kept: " + error, Icon::Exclamation);
        return;
    }
    showInterval();
    emit intervalChanged(setup);
}

FormMasteringInterval::FormMasteringInterval(const std::string &setup,
                                             const MasteringInterval &interval, QWidget *parent)
    : QDialog(parent), byParts_(named<QCheckBox>("CheckParts", QStringLiteral("Every"), this)),
      parts_(named<QSpinBox>("SpinParts", this)),
      byHours_(named<QCheckBox>("CheckHours", QStringLiteral("Every"), this)),
      hours_(named<QSpinBox>("SpinHours", this))
{
    setObjectName(QStringLiteral("FormMasteringInterval"));
    setWindowTitle(QStringLiteral("Mastering Interval"));
    parts_->setRange(1, MostParts);
    parts_->setSuffix(QStringLiteral(" parts"));
    parts_->setValue(interval.parts > 0 ? int(std::min<long>(interval.parts, MostParts)) : 500);
    byParts_->setChecked(interval.parts > 0);
    hours_->setRange(1, MostHours);
    hours_->setSuffix(QStringLiteral(" hours"));
    hours_->setValue(interval.hours > 0 ? int(std::min<long>(interval.hours, MostHours)) : 8);
    byHours_->setChecked(interval.hours > 0);
    parts_->setEnabled(byParts_->isChecked());
    hours_->setEnabled(byHours_->isChecked());
    connect(byParts_, &QCheckBox::toggled, parts_, &QSpinBox::setEnabled);
    connect(byHours_, &QCheckBox::toggled, hours_, &QSpinBox::setEnabled);

    auto *form = new QFormLayout(this);
    auto *says = new QLabel(
        QStringLiteral("A channel of %1 is due for mastering once either has passed since it was "
                       "last mastered (a zeroing counts for a channel with one master):")
            .arg(setupTitle(setup)),
        this);
    says->setWordWrap(true);
    form->addRow(says);
    form->addRow(byParts_, parts_);
    form->addRow(byHours_, hours_);
    auto *box = new QDialogButtonBox(this);
    auto *ok = named<QPushButton>("CommandOK", QStringLiteral("OK"), box);
    ok->setDefault(true);
    box->addButton(ok, QDialogButtonBox::AcceptRole);
    box->addButton(named<QPushButton>("CommandCancel", QStringLiteral("Cancel"), box),
                   QDialogButtonBox::RejectRole);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(box);
}

MasteringInterval FormMasteringInterval::interval() const
{
    return {byParts_->isChecked() ? long(parts_->value()) : 0,
            byHours_->isChecked() ? long(hours_->value()) : 0};
}

} // namespace qmxsrv
