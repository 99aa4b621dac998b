#include "results/formalarms.h"

#include "core/messageboxes.h"
#include "core/verdict.h"
#include "platform/named.h"
#include "platform/qttext.h"
#include "quality/resultsexport.h"
#include "quality/resultsstore.h"
#include "results/partsmodel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace qmxsrv {

namespace {

QString text(const std::string &s) { return qtText(s); }

QString summary(const spc::Alarm &a)
{
    return QStringLiteral("Alarm %1: %2 (channel %3), subgroup %4 (parts %5 to %6): %7")
        .arg(QString::number(a.id), text(a.description), QString::number(a.channel),
             QString::number(a.subgroup), QString::number(a.firstPart), QString::number(a.lastPart),
             text(a.flags));
}

void fill(QComboBox *box, const std::vector<std::string> &entries)
{
    for (const std::string &e : entries)
        box->addItem(text(e));
    box->setCurrentIndex(-1);
}

QDialogButtonBox *okCancel(QDialog &dialog)
{
    auto *box = new QDialogButtonBox(&dialog);
    auto *ok = named<QPushButton>("CommandOK", QStringLiteral("OK"), box);
    ok->setDefault(true);
    box->addButton(ok, QDialogButtonBox::AcceptRole);
    box->addButton(named<QPushButton>("CommandCancel", QStringLiteral("Cancel"), box),
                   QDialogButtonBox::RejectRole);
    QObject::connect(box, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return box;
}

} // namespace

FormAnswerAlarm::FormAnswerAlarm(const spc::Alarm &alarm, const std::vector<std::string> &causes,
                                 const std::vector<std::string> &actions, QWidget *parent)
    : QDialog(parent), ComboCause(named<QComboBox>("ComboCause", this)),
      ComboAction(named<QComboBox>("ComboAction", this)),
      TextComment(named<QLineEdit>("TextComment", this))
{
    setObjectName(QStringLiteral("FormAnswerAlarm"));
    setWindowTitle(QStringLiteral("Answer Alarm"));
    setModal(true);
    fill(ComboCause, causes);
    fill(ComboAction, actions);
    TextComment->setMaxLength(200);
    auto *form = new QFormLayout(this);
    auto *what = new QLabel(summary(alarm), this);
    what->setWordWrap(true);
    form->addRow(what);
    form->addRow(QStringLiteral("Cause:"), ComboCause);
    form->addRow(QStringLiteral("Action:"), ComboAction);
    form->addRow(QStringLiteral("Comment:"), TextComment);
    QDialogButtonBox *buttons = okCancel(*this);
    form->addRow(buttons);
    // Nothing is chosen for the operator: an OK pressed in passing must not
    // record the first cause and action of the lists.
    auto *ok = buttons->findChild<QPushButton *>(QStringLiteral("CommandOK"));
    const auto chosen = [this, ok] {
        ok->setEnabled(ComboCause->currentIndex() >= 0 && ComboAction->currentIndex() >= 0);
    };
    connect(ComboCause, qOverload<int>(&QComboBox::currentIndexChanged), this, chosen);
    connect(ComboAction, qOverload<int>(&QComboBox::currentIndexChanged), this, chosen);
    chosen();
}

std::string FormAnswerAlarm::cause() const { return storedText(ComboCause->currentText()); }
std::string FormAnswerAlarm::action() const { return storedText(ComboAction->currentText()); }
std::string FormAnswerAlarm::comment() const
{
    return storedText(withoutControlCharacters(TextComment->text().simplified()).simplified());
}

FormAlarmCatalogues::FormAlarmCatalogues(ResultsStore &store, MessageBoxes &boxes, QWidget *parent)
    : QDialog(parent), store_(store), boxes_(boxes),
      ListCauses(named<QListWidget>("ListCauses", this)),
      ListActions(named<QListWidget>("ListActions", this)),
      TextCause(named<QLineEdit>("TextCause", this)),
      TextAction(named<QLineEdit>("TextAction", this))
{
    setObjectName(QStringLiteral("FormAlarmCatalogues"));
    setWindowTitle(QStringLiteral("Causes and Actions"));
    setModal(true);
    auto *grid = new QGridLayout(this);
    const struct {
        const char *title, *add, *remove;
        spc::Catalogue which;
        QListWidget *list;
        QLineEdit *entry;
    } columns[] = {
        {"Causes", "CommandAddCause", "CommandRemoveCause", spc::Catalogue::Causes, ListCauses,
         TextCause},
        {"Actions", "CommandAddAction", "CommandRemoveAction", spc::Catalogue::Actions, ListActions,
         TextAction},
    };
    int column = 0;
    for (const auto &c : columns) {
        grid->addWidget(new QLabel(QString::fromLatin1(c.title), this), 0, column, 1, 2);
        grid->addWidget(c.list, 1, column, 1, 2);
        grid->addWidget(c.entry, 2, column, 1, 2);
        auto *add = named<QPushButton>(c.add, QStringLiteral("Add"), this);
        auto *remove = named<QPushButton>(c.remove, QStringLiteral("Remove"), this);
        grid->addWidget(add, 3, column);
        grid->addWidget(remove, 3, column + 1);
        const spc::Catalogue which = c.which;
        QLineEdit *entry = c.entry;
        QListWidget *list = c.list;
        connect(add, &QPushButton::clicked, this,
                [this, which, entry] { this->add(which, entry); });
        connect(remove, &QPushButton::clicked, this,
                [this, which, list] { this->remove(which, list); });
        column += 2;
    }
    auto *close = named<QPushButton>("CommandClose", QStringLiteral("Close"), this);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    grid->addWidget(close, 4, 3);
    reload();
}

void FormAlarmCatalogues::reload()
{
    std::string error;
    for (const auto &[list, which] : {std::pair{ListCauses, spc::Catalogue::Causes},
                                      std::pair{ListActions, spc::Catalogue::Actions}}) {
        list->clear();
        for (const std::string &e : spc::catalogue(store_, which, error))
            list->addItem(text(e));
    }
}

void FormAlarmCatalogues::add(spc::Catalogue which, QLineEdit *entry)
{
    std::string error;
    const std::string what =
        storedText(withoutControlCharacters(entry->text().simplified()).simplified());
    if (!spc::addToCatalogue(store_, which, what, error))
        tell(boxes_, "Not added: " + error, Icon::Exclamation);
    entry->clear();
    reload();
}

void FormAlarmCatalogues::remove(spc::Catalogue which, QListWidget *list)
{
    if (!list->currentItem())
        return;
    std::string error;
    if (!spc::removeFromCatalogue(store_, which, storedText(list->currentItem()->text()), error))
        tell(boxes_, "Not removed: " + error, Icon::Exclamation);
    reload();
}

FormAlarms::FormAlarms(ResultsStore &store, Answer answer, MessageBoxes &boxes, QWidget *parent)
    : QWidget(parent), store_(store), answer_(std::move(answer)), boxes_(boxes),
      TableAlarms(named<QTableWidget>("TableAlarms", this)),
      CheckOpenOnly(named<QCheckBox>("CheckOpenOnly", QStringLiteral("Open alarms only"), this))
{
    setObjectName(QStringLiteral("FormAlarms"));
    setWindowTitle(QStringLiteral("SPC Alarms"));
    TableAlarms->setColumnCount(14);
    TableAlarms->setHorizontalHeaderLabels({"Alarm", "Raised (UTC)", "Channel", "Subgroup", "Parts",
                                            "Rules", "Mean", "Spread", "State", "Answered (UTC)",
                                            "Operator", "Cause", "Action", "Comment"});
    TableAlarms->verticalHeader()->hide();
    TableAlarms->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TableAlarms->setSelectionBehavior(QAbstractItemView::SelectRows);
    TableAlarms->setSelectionMode(QAbstractItemView::SingleSelection);
    auto *answerButton = named<QPushButton>("CommandAnswer", QStringLiteral("Answer..."), this);
    auto *catalogues =
        named<QPushButton>("CommandCatalogues", QStringLiteral("Causes and Actions..."), this);
    auto *row = new QHBoxLayout;
    row->addWidget(CheckOpenOnly);
    row->addStretch();
    row->addWidget(answerButton);
    row->addWidget(catalogues);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(TableAlarms);
    connect(CheckOpenOnly, &QCheckBox::toggled, this, [this] { refresh(); });
    connect(answerButton, &QPushButton::clicked, this, [this] { AnswerAlarm(); });
    connect(catalogues, &QPushButton::clicked, this, [this] { Catalogues(); });
    connect(TableAlarms, &QTableWidget::cellDoubleClicked, this, [this] { AnswerAlarm(); });
    resize(1000, 400);
    refresh();
}

void FormAlarms::refresh()
{
    const std::int64_t selected = selectedAlarm();
    std::string error;
    std::vector<spc::Alarm> all = spc::alarmsOf(store_, nullptr, CheckOpenOnly->isChecked(), error);
    // Open ones first, each part newest first.
    std::stable_partition(all.begin(), all.end(), [](const spc::Alarm &a) { return a.open(); });
    shown_ = std::move(all);
    TableAlarms->setRowCount(int(shown_.size()));
    for (int r = 0; r < int(shown_.size()); ++r) {
        const spc::Alarm &a = shown_[std::size_t(r)];
        const QString cells[] = {
            QString::number(a.id),
            text(a.raisedUtc),
            QString::number(a.channel) + QLatin1Char(' ') + text(a.description),
            QString::number(a.subgroup),
            QString::number(a.firstPart) + QStringLiteral("-") + QString::number(a.lastPart),
            text(a.flags),
            QString::fromStdString(a.figureText(a.mean)),
            QString::fromStdString(a.figureText(a.spread)),
            a.open() ? QStringLiteral("open") : QStringLiteral("answered"),
            text(a.answeredUtc),
            text(a.operatorName),
            text(a.cause),
            text(a.action),
            text(a.comment)};
        for (int c = 0; c < 14; ++c)
            TableAlarms->setItem(r, c, new QTableWidgetItem(cells[c]));
        if (a.open())
            TableAlarms->item(r, 8)->setBackground(verdictColor(Verdict::Reject));
    }
    TableAlarms->resizeColumnsToContents();
    selectAlarm(selected);
}

std::int64_t FormAlarms::selectedAlarm() const
{
    const int row = TableAlarms->currentRow();
    return row >= 0 && row < int(shown_.size()) ? shown_[std::size_t(row)].id : 0;
}

void FormAlarms::selectAlarm(std::int64_t alarm)
{
    for (int r = 0; r < int(shown_.size()); ++r)
        if (shown_[std::size_t(r)].id == alarm)
            TableAlarms->selectRow(r);
}

void FormAlarms::AnswerAlarm()
{
    const std::int64_t id = selectedAlarm();
    const auto it = std::find_if(shown_.begin(), shown_.end(),
                                 [id](const spc::Alarm &a) { return a.id == id; });
    if (it == shown_.end() || !it->open()) {
        tell(boxes_, "Choose an open alarm to answer.");
        return;
    }
    std::string error;
    FormAnswerAlarm dialog(*it, spc::catalogue(store_, spc::Catalogue::Causes, error),
                           spc::catalogue(store_, spc::Catalogue::Actions, error), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (const std::string why = answer_(id, dialog.cause(), dialog.action(), dialog.comment());
        !why.empty())
        tell(boxes_, "The alarm was not answered: " + why, Icon::Exclamation);
    refresh();
}

void FormAlarms::Catalogues()
{
    FormAlarmCatalogues dialog(store_, boxes_, this);
    dialog.exec();
}

} // namespace qmxsrv
