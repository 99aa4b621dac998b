#include "results/formresults.h"

#include "core/messageboxes.h"
#include "core/textfile.h"
#include "platform/filedialogs.h"
#include "quality/resultsexport.h"
#include "quality/spcstore.h"
#include "results/controlcharts.h"
#include "results/partsmodel.h"
#include "results/resultscharts.h"
#include "results/setupchoice.h"

#include <QBuffer>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace qmxsrv {

namespace {

const QString PlaceKey = QStringLiteral("FormResults/geometry");

QString limitText(double v) { return QString::fromStdString(exactNumber(v)); }

// The measurements of one part, as stored.
void showMeasurements(const PartRow &part, QWidget *parent)
{
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("FormPartMeasurements"));
    dialog.setWindowTitle(QStringLiteral("Part %1").arg(part.id));
    auto *table = new QTableWidget(int(part.measurements.size()), 9, &dialog);
    table->setObjectName(QStringLiteral("TableMeasurements"));
    table->setHorizontalHeaderLabels({"Channel", "Description", "Value", "Units", "LoTol", "LoAppr",
                                      "HiAppr", "HiTol", "Verdict"});
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    int row = 0;
    for (const MeasurementRow &m : part.measurements) {
        const QString cells[] = {QString::number(m.channel),
                                 QString::fromStdString(m.description),
                                 QString::fromStdString(m.text),
                                 QString::fromStdString(m.units),
                                 limitText(m.loTol),
                                 limitText(m.loAppr),
                                 limitText(m.hiAppr),
                                 limitText(m.hiTol),
                                 QString::fromUtf8(verdictText(m.verdict).data())};
        for (int c = 0; c < 9; ++c)
            table->setItem(row, c, new QTableWidgetItem(cells[c]));
        table->item(row, 8)->setBackground(verdictColor(m.verdict));
        ++row;
    }
    table->resizeColumnsToContents();
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(
        new QLabel(QStringLiteral("%1   %2   %3")
                       .arg(localTimeText(part.recordedUtc), QString::fromStdString(part.serial),
                            QString::fromUtf8(verdictText(part.verdict).data())),
                   &dialog));
    layout->addWidget(table);
    layout->addWidget(buttons);
    dialog.resize(720, 320);
    dialog.exec();
}

} // namespace

FormResults::FormResults(ResultsStore &store, FileDialogs &dialogs, MessageBoxes &boxes,
                         std::string settingsPath, QWidget *parent)
    : QWidget(parent, Qt::Window), store_(store), dialogs_(dialogs), boxes_(boxes),
      settingsPath_(std::move(settingsPath)), model_(new PartsModel),
      charts_(new ResultsCharts(this)), control_(new ControlCharts(this)),
      chartsPage_(new QStackedWidget(this)), setup_(new QComboBox(this)),
      byLast_(new QRadioButton(QStringLiteral("&Last"), this)), last_(new QSpinBox(this)),
      byDates_(new QRadioButton(QStringLiteral("&From"), this)), from_(new QDateEdit(this)),
      to_(new QDateEdit(this)), table_(new QTableView(this)), channels_(new QListWidget(this)),
      save_(new QPushButton(QStringLiteral("&Save Chart..."), this))
{
    setObjectName(QStringLiteral("FormResults"));
    setWindowTitle(QStringLiteral("Results"));
    model_->setParent(this);
    setup_->setObjectName(QStringLiteral("ComboSetup"));
    setup_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    byLast_->setObjectName(QStringLiteral("OptionLast"));
    byLast_->setChecked(true);
    last_->setObjectName(QStringLiteral("SpinLast"));
    last_->setRange(1, 1000000);
    last_->setValue(DefaultShownParts);
    byDates_->setObjectName(QStringLiteral("OptionDates"));
    for (QDateEdit *d : {from_, to_}) {
        d->setCalendarPopup(true);
        d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        d->setDate(QDate::currentDate());
        d->setEnabled(false);
    }
    from_->setObjectName(QStringLiteral("DateFrom"));
    to_->setObjectName(QStringLiteral("DateTo"));
    table_->setObjectName(QStringLiteral("TableParts"));
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    // One fixed row height: the header then keeps no state per row, and a
    // part added to 10,000 costs no walk over them.
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
    table_->horizontalHeader()->setDefaultSectionSize(96);
    const int digit = table_->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    for (const auto &[column, digits] : {std::pair{PartsModel::ColumnPart, 8},
                                         {PartsModel::ColumnTime, 20},
                                         {PartsModel::ColumnVerdict, 9}})
        table_->setColumnWidth(column, digits * digit);
    channels_->setObjectName(QStringLiteral("ListChannels"));
    save_->setObjectName(QStringLiteral("CommandSaveChart"));

    auto *filter = new QHBoxLayout;
    filter->addWidget(new QLabel(QStringLiteral("Setup"), this));
    filter->addWidget(setup_, 1);
    filter->addWidget(byLast_);
    filter->addWidget(last_);
    filter->addWidget(new QLabel(QStringLiteral("parts"), this));
    filter->addWidget(byDates_);
    filter->addWidget(from_);
    filter->addWidget(new QLabel(QStringLiteral("to"), this));
    filter->addWidget(to_);

    auto *side = new QWidget(this);
    auto *sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    sideLayout->addWidget(new QLabel(QStringLiteral("Channel"), side));
    sideLayout->addWidget(channels_);
    sideLayout->addWidget(save_);
    auto *split = new QSplitter(this);
    split->addWidget(table_);
    split->addWidget(side);
    chartsPage_->addWidget(charts_);
    chartsPage_->addWidget(control_);
    split->addWidget(chartsPage_);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(2, 4);
    split->setSizes({560, 180, 540});

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filter);
    layout->addWidget(split, 1);
    resize(1280, 760);

    const auto reloadNow = [this] { reload(); };
    connect(setup_, qOverload<int>(&QComboBox::activated), this, reloadNow);
    connect(byLast_, &QRadioButton::toggled, this, [this](bool last) {
        last_->setEnabled(last);
        from_->setEnabled(!last);
        to_->setEnabled(!last);
        reload();
    });
    connect(last_, &QSpinBox::editingFinished, this, reloadNow);
    connect(from_, &QDateEdit::dateChanged, this, reloadNow);
    connect(to_, &QDateEdit::dateChanged, this, reloadNow);
    connect(channels_, &QListWidget::currentRowChanged, this, [this] { channelChosen(); });
    connect(table_, &QTableView::doubleClicked, this,
            [this](const QModelIndex &i) { showPart(i.row()); });
    connect(save_, &QPushButton::clicked, this, &FormResults::SaveChart);
}

FormResults::~FormResults() = default;

void FormResults::showFor(const std::string &currentSetup)
{
    std::string error;
    offerSetups(*setup_, store_.setups(error), currentSetup);
    if (!error.empty())
        tell(boxes_, error, Icon::Exclamation);
    if (!placed_) {
        placed_ = true;
        restoreGeometry(QSettings(QString::fromStdString(settingsPath_), QSettings::IniFormat)
                            .value(PlaceKey)
                            .toByteArray());
    }
    reload();
    show();
    raise();
    activateWindow();
}

std::string FormResults::chosenSetup() const { return qmxsrv::chosenSetup(*setup_); }

void FormResults::reload()
{
    const std::string setup = chosenSetup();
    std::string error;
    std::vector<PartRow> parts;
    if (byLast_->isChecked()) {
        parts = store_.parts(&setup, "", last_->value(), true, error);
    } else {
        parts = partsOnDays(store_, setup, from_->date(), to_->date(), error);
    }
    if (!error.empty())
        tell(boxes_, error, Icon::Exclamation);
    const int chosen =
        channels_->currentItem() ? channels_->currentItem()->data(Qt::UserRole).toInt() : 0;
    model_->reset(std::move(parts));
    const QSignalBlocker quiet(channels_);
    channels_->clear();
    int row = 0;
    for (int c : model_->channels()) {
        auto *item = new QListWidgetItem(model_->channelName(c), channels_);
        item->setData(Qt::UserRole, c);
        if (c == chosen)
            row = channels_->count() - 1;
    }
    channels_->setCurrentRow(channels_->count() ? row : -1);
    channelChosen();
}

void FormResults::channelChosen()
{
    const QListWidgetItem *item = channels_->currentItem();
    const int channel = item ? item->data(Qt::UserRole).toInt() : 0;
    std::string error;
    const auto plan = channel ? spc::planOf(store_, chosenSetup(), channel, error) : std::nullopt;
    if (!plan) {
        chartsPage_->setCurrentWidget(charts_);
        charts_->plot(model_->parts(), channel);
        return;
    }
    // The subgroups of the parts shown.
    std::vector<spc::StoredSubgroup> shown;
    if (!model_->parts().empty())
        shown = spc::subgroupsInParts(store_, chosenSetup(), channel, model_->parts().front().id,
                                      model_->parts().back().id, error);
    const auto limits = spc::limitsInForce(*plan, spc::historyOf(store_, *plan, error));
    control_->plot(*plan, shown, limits, spc::capabilityOf(store_, *plan, limits, error));
    chartsPage_->setCurrentWidget(control_);
}

bool FormResults::showsControlCharts() const { return chartsPage_->currentWidget() == control_; }

void FormResults::partRecorded(const PartRow &part)
{
    // In a date range the part may lie outside it; a reload decides.
    if (!isVisible() || part.setup != chosenSetup())
        return;
    if (byDates_->isChecked()) {
        reload();
        return;
    }
    const std::size_t channelsBefore = model_->channels().size();
    model_->append(part, std::size_t(last_->value()));
    if (model_->channels().size() != channelsBefore) {
        reload(); // a new channel for the list
        return;
    }
    channelChosen();
}

void FormResults::showPart(int row)
{
    if (row >= 0 && row < model_->rowCount())
        showMeasurements(model_->partAtRow(row), this);
}

std::string FormResults::saveChart(const std::string &path)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!chartsPage_->currentWidget()->grab().save(&buffer, "PNG"))
        return "the picture could not be made";
    return saveTextFileAtomically(path, png.toStdString()); // an old picture stays whole
}

void FormResults::SaveChart()
{
    FileDialogRequest request;
    request.title = "Save Chart";
    request.filter = "PNG pictures (*.png)|*.png";
    const QListWidgetItem *item = channels_->currentItem();
    request.fileName =
        "chart-" + (item ? std::to_string(item->data(Qt::UserRole).toInt()) : "") + ".png";
    request.defaultExtension = "png";
    const std::string path = dialogs_.saveFile(request);
    if (path.empty())
        return;
    if (const std::string why = saveChart(path); !why.empty())
        tell(boxes_, "Cannot write " + path + ": " + why, Icon::Exclamation);
}

void FormResults::hideEvent(QHideEvent *event)
{
    QSettings(QString::fromStdString(settingsPath_), QSettings::IniFormat)
        .setValue(PlaceKey, saveGeometry());
    QWidget::hideEvent(event);
}

} // namespace qmxsrv
