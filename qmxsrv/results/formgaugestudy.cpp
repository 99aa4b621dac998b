#include "results/formgaugestudy.h"

#include "core/messageboxes.h"
#include "core/numbertext.h"
#include "core/programstate.h"
#include "platform/filedialogs.h"
#include "platform/named.h"
#include "platform/qttext.h"
#include "quality/partrow.h"
#include "quality/studyfigures.h"
#include "results/formnewstudy.h"
#include "results/partsmodel.h"
#include "results/setupchoice.h"
#include "results/studycharts.h"
#include "results/studyreport.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include <filesystem>
#include <random>

namespace qmxsrv {

namespace {

using study::Study;
using study::StudyCell;
using study::StudyType;

const QString Dash = QStringLiteral(" \u2014 ");

enum Column {
    ColumnNo,
    ColumnAppraiser,
    ColumnPart,
    ColumnTrial,
    ColumnValue,
    ColumnTaken,
    ColumnOperator,
    ColumnCount
};

QString valueText(double v, int decimals) { return qtText(formatValue(v, decimals)).trimmed(); }

// Two lines: what was studied, and how far it is.
QString listText(const Study &s)
{
    QString channel = QStringLiteral("channel %1").arg(s.channel);
    if (!s.description.empty())
        channel += QStringLiteral(" ") + qtText(s.description);
    return QStringLiteral("%1  %2, %3\n      %4")
        .arg(s.id)
        .arg(qtText(study::typeName(s.type)), channel,
             s.finished()
                 ? QStringLiteral("finished, %1 readings").arg(s.cells.size())
                 : QStringLiteral("%1 of %2 readings taken").arg(s.taken()).arg(s.cells.size()));
}

// A seed nobody can guess or repeat by accident: the order is stored anyway.
std::uint64_t newSeed()
{
    std::random_device device;
    return (std::uint64_t(device()) << 32) ^ device();
}

QFont sized(QFont font, double points, bool bold)
{
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

} // namespace

FormGaugeStudy::FormGaugeStudy(ProgramState &state, ResultsStore &store, FileDialogs &dialogs,
                               MessageBoxes &boxes, std::function<std::string()> operatorName,
                               QWidget *parent)
    : QWidget(parent, Qt::Window), state_(state), store_(store), dialogs_(dialogs), boxes_(boxes),
      operatorName_(std::move(operatorName)), ListStudies(named<QListWidget>("ListStudies", this)),
      CommandNewStudy(named<QPushButton>("CommandNewStudy", QStringLiteral("&New Study..."), this)),
      LabelStudy(named<QLabel>("LabelStudy", this)),
      LabelPrompt(named<QLabel>("LabelPrompt", this)),
      LabelMessage(named<QLabel>("LabelMessage", this)),
      ProgressReadings(named<QProgressBar>("ProgressReadings", this)),
      TabsStudy(named<QTabWidget>("TabsStudy", this)),
      TableReadings(named<QTableWidget>("TableReadings", 0, int(ColumnCount), this)),
      CommandRecord(named<QPushButton>("CommandRecord", QStringLiteral("Record (F9)"), this)),
      CommandNextReading(
          named<QPushButton>("CommandNextReading", QStringLiteral("Back to the &order"), this)),
      LabelVerdict(named<QLabel>("LabelVerdict", this)),
      TableFigures(named<QTableWidget>("TableFigures", this)), Charts(new StudyCharts(this)),
      CommandSaveReport(
          named<QPushButton>("CommandSaveReport", QStringLiteral("&Save Report..."), this))
{
    setObjectName(QStringLiteral("FormGaugeStudy"));
    setWindowTitle(QStringLiteral("Gauge Study"));
    LabelStudy->setFont(sized(font(), font().pointSizeF() * 1.2, true));
    LabelPrompt->setFont(sized(font(), 20, true));
    LabelPrompt->setWordWrap(true);
    LabelPrompt->setMinimumHeight(LabelPrompt->fontMetrics().height() * 2 + 8);
    LabelMessage->setWordWrap(true);
    ProgressReadings->setFormat(QStringLiteral("%v of %m readings"));
    ProgressReadings->setRange(0, 1);
    ProgressReadings->setValue(0);
    // F9 in this window as in the main window: the study's reading.
    CommandRecord->setShortcut(Qt::Key_F9);
    CommandRecord->setAutoDefault(false);
    CommandRecord->setMinimumHeight(CommandRecord->sizeHint().height() * 3 / 2);
    Charts->setObjectName(QStringLiteral("StudyCharts"));

    TableReadings->setHorizontalHeaderLabels(
        {"No.", "Appraiser", "Part", "Trial", "Value", "Taken", "Operator"});
    TableReadings->verticalHeader()->hide();
    TableReadings->setSelectionBehavior(QAbstractItemView::SelectRows);
    TableReadings->setSelectionMode(QAbstractItemView::SingleSelection);
    TableReadings->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TableReadings->horizontalHeader()->setStretchLastSection(true);
    TableFigures->verticalHeader()->hide();
    TableFigures->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TableFigures->setSelectionMode(QAbstractItemView::NoSelection);
    LabelVerdict->setWordWrap(true);
    LabelVerdict->setFont(sized(font(), font().pointSizeF() * 1.3, true));
    LabelVerdict->setMargin(6);
    LabelVerdict->setAutoFillBackground(true);

    auto *left = new QWidget(this);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(new QLabel(QStringLiteral("Studies"), left));
    leftLayout->addWidget(ListStudies);
    leftLayout->addWidget(CommandNewStudy);

    auto *readings = new QWidget(TabsStudy);
    auto *readingsLayout = new QVBoxLayout(readings);
    readingsLayout->addWidget(TableReadings);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(CommandRecord, 1);
    buttons->addWidget(CommandNextReading);
    readingsLayout->addLayout(buttons);
    TabsStudy->addTab(readings, QStringLiteral("Readings"));

    auto *figures = new QWidget(TabsStudy);
    auto *figuresLayout = new QVBoxLayout(figures);
    figuresLayout->addWidget(LabelVerdict);
    figuresLayout->addWidget(TableFigures, 1);
    figuresLayout->addWidget(CommandSaveReport);
    TabsStudy->addTab(figures, QStringLiteral("Figures"));
    TabsStudy->addTab(Charts, QStringLiteral("Charts"));

    auto *right = new QWidget(this);
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(LabelStudy);
    rightLayout->addWidget(LabelPrompt);
    rightLayout->addWidget(LabelMessage);
    rightLayout->addWidget(ProgressReadings);
    rightLayout->addWidget(TabsStudy, 1);

    auto *split = new QSplitter(this);
    split->addWidget(left);
    split->addWidget(right);
    split->setStretchFactor(1, 1);
    split->setSizes({260, 900});
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(split);
    resize(1200, 820);

    connect(CommandNewStudy, &QPushButton::clicked, this, &FormGaugeStudy::NewStudy);
    connect(CommandRecord, &QPushButton::clicked, this, &FormGaugeStudy::recordRequested);
    connect(CommandNextReading, &QPushButton::clicked, this, [this] {
        TableReadings->clearSelection();
        refresh();
    });
    connect(CommandSaveReport, &QPushButton::clicked, this, &FormGaugeStudy::SaveReport);
    connect(ListStudies, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            showStudy(ListStudies->item(row)->data(Qt::UserRole).toLongLong());
    });
    // Choosing a reading makes it the next one Record takes.
    connect(TableReadings, &QTableWidget::itemSelectionChanged, this, [this] { refresh(); });
    refresh();
}

FormGaugeStudy::~FormGaugeStudy() = default;

void FormGaugeStudy::showStudies()
{
    std::optional<std::int64_t> select;
    if (study_) {
        select = study_->id;
    } else {
        std::string error;
        const std::vector<Study> all = study::StudyStore(store_).list(error);
        for (const bool ofThisSetup : {true, false}) {
            for (const Study &s : all) // newest first
                if (!s.finished() && (!ofThisSetup || s.setup == state_.view.SetupFileName)) {
                    select = s.id;
                    break;
                }
            if (select)
                break;
        }
    }
    reloadList(select);
    show();
    raise();
    activateWindow();
}

void FormGaugeStudy::reloadList(std::optional<std::int64_t> select)
{
    std::string error;
    const std::vector<Study> all = study::StudyStore(store_).list(error);
    if (!error.empty())
        tell(boxes_, error, Icon::Exclamation);
    {
        const QSignalBlocker quiet(ListStudies);
        ListStudies->clear();
        for (const Study &s : all) {
            auto *item = new QListWidgetItem(listText(s), ListStudies);
            item->setData(Qt::UserRole, qint64(s.id));
            item->setToolTip(setupTitle(s.setup));
            if (select && s.id == *select)
                ListStudies->setCurrentItem(item);
        }
    }
    if (select)
        showStudy(*select);
}

void FormGaugeStudy::showStudy(std::int64_t id)
{
    std::string error;
    study_ = study::StudyStore(store_).load(id, error);
    if (!error.empty())
        tell(boxes_, error, Icon::Exclamation);
    LabelMessage->clear();
    fillReadings();
    fillResults();
    TabsStudy->setCurrentIndex(study_ && study_->finished() ? 1 : 0);
    refresh();
}

void FormGaugeStudy::NewStudy()
{
    FormNewStudy dialog(state_, boxes_, this);
    if (!dialog.hasChannels()) {
        tell(boxes_, "No channel of this setup has a formula: a study measures one.",
             Icon::Exclamation);
        return;
    }
    if (dialog.exec() != QDialog::Accepted)
        return;
    Study s = dialog.chosen();
    s.setup = state_.view.SetupFileName;
    int offset = 0;
    s.createdUtc = utcNow(offset);
    s.operatorName = operatorName_();
    s.seed = newSeed();
    std::string error;
    if (!study::StudyStore(store_).create(s, error)) {
        tell(boxes_, error, Icon::Exclamation);
        return;
    }
    reloadList(s.id);
}

bool FormGaugeStudy::takesRecord() const { return isVisible() && study_.has_value(); }

std::optional<FormGaugeStudy::Target> FormGaugeStudy::target(std::string &why) const
{
    if (!study_) {
        why = "No study is in view: choose one, or begin one with New Study....";
        return std::nullopt;
    }
    const Study &s = *study_;
    if (s.setup != state_.view.SetupFileName) {
        why = "Study " + std::to_string(s.id) + " belongs to setup " +
              (s.setup.empty() ? std::string("(untitled)") : s.setup) +
              ": load that setup to take its readings.";
        return std::nullopt;
    }
    const QList<QTableWidgetItem *> chosen = TableReadings->selectedItems();
    if (!chosen.isEmpty() && std::size_t(chosen.front()->row()) < s.cells.size())
        return Target{s.channel, std::size_t(chosen.front()->row())};
    if (const std::optional<std::size_t> next = s.next())
        return Target{s.channel, *next};
    why = "Study " + std::to_string(s.id) +
          " is complete: choose a reading in the table to take it again.";
    return std::nullopt;
}

QString FormGaugeStudy::cellName(const StudyCell &c) const
{
    const Study &s = *study_;
    switch (s.type) {
    case StudyType::Type1:
        return QStringLiteral("Reference part") + Dash +
               QStringLiteral("reading %1 of %2").arg(c.trial + 1).arg(s.trials);
    case StudyType::Type3:
        return QStringLiteral("Part %1").arg(c.part + 1) + Dash +
               QStringLiteral("trial %1").arg(c.trial + 1);
    case StudyType::Grr: break;
    }
    return QStringLiteral("Appraiser %1").arg(qtText(s.appraiserName(c.appraiser))) + Dash +
           QStringLiteral("part %1").arg(c.part + 1) + Dash +
           QStringLiteral("trial %1").arg(c.trial + 1);
}

bool FormGaugeStudy::takeReading(const Target &target, double value,
                                 const std::string &operatorName, std::string &told)
{
    if (!study_ || target.cell >= study_->cells.size()) {
        told = "Reading not kept: the study is no longer in view.";
        return false;
    }
    Study &s = *study_;
    const bool again = s.cells[target.cell].value.has_value();
    const bool wasFinished = s.finished();
    int offset = 0;
    std::string error;
    if (!study::StudyStore(store_).storeReading(s, target.cell, value, utcNow(offset), operatorName,
                                                error)) {
        told = "Reading not kept: " + error;
        message(qtText(told), true);
        return false;
    }
    const QString name = cellName(s.cells[target.cell]);
    QString text =
        QStringLiteral("Study %1: %2 = %3").arg(s.id).arg(name, valueText(value, s.decimals));
    if (again)
        text += QStringLiteral(" (taken again)");
    text += QStringLiteral("; %1 of %2 readings").arg(s.taken()).arg(s.cells.size());
    if (s.finished() && !wasFinished)
        text += QStringLiteral(". The study is complete: ") +
                qtText(study::verdictLine(study::evaluate(s)));
    told = storedText(text);
    message(text, false);
    if (QListWidgetItem *item = ListStudies->currentItem())
        item->setText(listText(s));
    {
        const QSignalBlocker quiet(TableReadings);
        TableReadings->clearSelection();
    }
    fillReadings();
    fillResults();
    if (s.finished() && !wasFinished)
        TabsStudy->setCurrentIndex(1);
    refresh();
    return true;
}

void FormGaugeStudy::refuse(const std::string &why) { message(qtText(why), true); }

void FormGaugeStudy::message(const QString &text, bool refusal)
{
    LabelMessage->setText(text);
    LabelMessage->setStyleSheet(refusal ? QStringLiteral("color: #b00000; font-weight: bold;")
                                        : QString());
}

void FormGaugeStudy::refresh()
{
    const bool any = study_.has_value();
    CommandRecord->setEnabled(any);
    CommandNextReading->setEnabled(any);
    CommandSaveReport->setEnabled(any);
    if (!any) {
        LabelStudy->setText(QStringLiteral("No study in view"));
        LabelPrompt->setText(QStringLiteral("Choose a study, or begin one with New Study..."));
        ProgressReadings->setRange(0, 1);
        ProgressReadings->setValue(0);
        ProgressReadings->setTextVisible(false); // no "0 of 1 readings" of no study
        return;
    }
    const Study &s = *study_;
    QString title = QStringLiteral("Study %1: %2").arg(s.id).arg(qtText(study::typeName(s.type)));
    if (s.type == StudyType::Grr)
        title += s.method == study::GrrMethod::Anova ? QStringLiteral(" (ANOVA)")
                                                     : QStringLiteral(" (average and range)");
    title += Dash + QStringLiteral("channel %1").arg(s.channel);
    if (!s.description.empty())
        title += QStringLiteral(" ") + qtText(s.description);
    title += Dash + qtText(study::designText(s));
    LabelStudy->setText(title);
    ProgressReadings->setRange(0, int(s.cells.size()));
    ProgressReadings->setValue(s.taken());
    ProgressReadings->setTextVisible(true);

    std::string why;
    const std::optional<Target> next = target(why);
    if (!next) {
        LabelPrompt->setText(qtText(why));
        return;
    }
    const StudyCell &c = s.cells[next->cell];
    QString prompt = cellName(c);
    if (c.value)
        prompt = QStringLiteral("Again: ") + prompt +
                 QStringLiteral(" (was %1)").arg(valueText(*c.value, s.decimals));
    LabelPrompt->setText(prompt + QStringLiteral(": load the part, then Record (F9)"));
}

void FormGaugeStudy::fillReadings()
{
    const QSignalBlocker quiet(TableReadings);
    TableReadings->clearContents();
    if (!study_) {
        TableReadings->setRowCount(0);
        return;
    }
    const Study &s = *study_;
    TableReadings->setColumnHidden(ColumnAppraiser, s.type != StudyType::Grr);
    TableReadings->setColumnHidden(ColumnPart, s.type == StudyType::Type1);
    TableReadings->horizontalHeaderItem(ColumnTrial)
        ->setText(s.type == StudyType::Type1 ? QStringLiteral("Reading") : QStringLiteral("Trial"));
    TableReadings->setRowCount(int(s.cells.size()));
    const std::optional<std::size_t> next = s.next();
    for (std::size_t i = 0; i < s.cells.size(); ++i) {
        const StudyCell &c = s.cells[i];
        const QString cells[] = {
            QString::number(i + 1),
            qtText(s.appraiserName(c.appraiser)),
            QString::number(c.part + 1),
            QString::number(c.trial + 1),
            c.value ? valueText(*c.value, s.decimals) : QString(),
            c.value ? localTimeText(c.takenUtc).mid(11) : QString(),
            qtText(c.operatorName),
        };
        for (int col = 0; col < ColumnCount; ++col) {
            auto *item = new QTableWidgetItem(cells[col]);
            if (col != ColumnOperator && col != ColumnAppraiser)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (next && i == *next) {
                item->setFont(
                    sized(TableReadings->font(), TableReadings->font().pointSizeF(), true));
                item->setBackground(QColor(0xff, 0xf4, 0xc2));
            }
            TableReadings->setItem(int(i), col, item);
        }
    }
    TableReadings->resizeColumnsToContents();
    if (next)
        TableReadings->scrollToItem(TableReadings->item(int(*next), 0));
}

void FormGaugeStudy::fillResults()
{
    TableFigures->clear();
    if (study_)
        Charts->plot(*study_);
    if (!study_ || !study_->finished()) {
        TableFigures->setRowCount(0);
        TableFigures->setColumnCount(0);
        LabelVerdict->setPalette(palette());
        LabelVerdict->setText(
            study_ ? QStringLiteral("The figures follow when all %1 readings are taken.")
                         .arg(study_->cells.size())
                   : QString());
        return;
    }
    const study::Evaluation e = study::evaluate(*study_);
    if (const auto *why = std::get_if<std::string>(&e)) {
        LabelVerdict->setText(QStringLiteral("No figures: ") + qtText(*why));
        return;
    }
    LabelVerdict->setText(qtText(study::verdictLine(e)));
    QPalette shade = palette();
    shade.setColor(QPalette::Window, verdictColor(study::verdictOf(e)).lighter(170));
    LabelVerdict->setPalette(shade);
    const std::vector<std::vector<std::string>> rows = study::figureTable(e, study_->decimals);
    TableFigures->setColumnCount(int(rows[0].size()));
    TableFigures->setRowCount(int(rows.size()) - 1);
    QStringList heading;
    for (const std::string &h : rows[0])
        heading << qtText(h);
    TableFigures->setHorizontalHeaderLabels(heading);
    for (std::size_t r = 1; r < rows.size(); ++r)
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            auto *item = new QTableWidgetItem(qtText(rows[r][c]));
            if (c > 0)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            TableFigures->setItem(int(r) - 1, int(c), item);
        }
    TableFigures->resizeColumnsToContents();
    TableFigures->setMinimumHeight(TableFigures->horizontalHeader()->height() +
                                   TableFigures->rowHeight(0) * TableFigures->rowCount() + 4);
}

std::string FormGaugeStudy::saveReport(const std::string &path)
{
    if (!study_)
        return "no study is in view";
    return saveStudyReport(*study_, path);
}

void FormGaugeStudy::SaveReport()
{
    if (!study_)
        return;
    FileDialogRequest request;
    request.title = "Save Study Report";
    request.filter = "PDF (*.pdf)|*.pdf";
    request.folder = state_.settings.AppPath;
    request.fileName = "study-" + std::to_string(study_->id) + ".pdf";
    request.defaultExtension = "pdf";
    const std::string path = dialogs_.saveFile(request);
    if (path.empty())
        return;
    if (const std::string why = saveReport(path); !why.empty()) {
        tell(boxes_, "Cannot write " + path + ": " + why, Icon::Exclamation);
        return;
    }
    message(QStringLiteral("Report saved to ") + qtText(path), false);
}

} // namespace qmxsrv
