#include "results/formexportresults.h"

#include "platform/named.h"
#include "platform/qttext.h"
#include "quality/partserial.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace qmxsrv {

namespace {

// OK and Cancel under the form, named as the program's other dialogs name them.
void addButtons(QDialog &dialog, QFormLayout &form, const QString &ok)
{
    auto *box = new QDialogButtonBox(&dialog);
    auto *accept = named<QPushButton>("CommandOK", ok, box);
    accept->setDefault(true);
    box->addButton(accept, QDialogButtonBox::AcceptRole);
    box->addButton(named<QPushButton>("CommandCancel", QStringLiteral("Cancel"), box),
                   QDialogButtonBox::RejectRole);
    QObject::connect(box, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form.addRow(box);
}

QDateEdit *dateBox(const char *name, QWidget *parent)
{
    auto *d = named<QDateEdit>(name, QDate::currentDate(), parent);
    d->setCalendarPopup(true);
    d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    return d;
}

} // namespace

FormPartSerial::FormPartSerial(const std::string &serial, QWidget *parent)
    : QDialog(parent), TextSerial(named<QLineEdit>("TextSerial", qtText(serial), this))
{
    setObjectName("FormPartSerial");
    setWindowTitle(QStringLiteral("Part Serial"));
    setModal(true);
    TextSerial->setMaxLength(int(MaxPartSerial));
    auto *form = new QFormLayout(this);
    form->addRow(QStringLiteral("Serial of the next part:"), TextSerial);
    addButtons(*this, *form, QStringLiteral("OK"));
}

std::string FormPartSerial::serial() const
{
    // A pasted line break or other control character would end up inside the
    // exported rows. The box holds at most MaxPartSerial characters; a cut in
    // bytes could split one.
    return storedText(withoutControlCharacters(TextSerial->text().simplified()).simplified());
}

FormOperator::FormOperator(const std::string &name, QWidget *parent)
    : QDialog(parent), TextOperator(named<QLineEdit>("TextOperator", qtText(name), this))
{
    setObjectName("FormOperator");
    setWindowTitle(QStringLiteral("Operator"));
    setModal(true);
    TextOperator->setMaxLength(MaxOperator);
    auto *form = new QFormLayout(this);
    form->addRow(QStringLiteral("Name or badge number:"), TextOperator);
    addButtons(*this, *form, QStringLiteral("OK"));
}

std::string FormOperator::name() const
{
    return storedText(withoutControlCharacters(TextOperator->text().simplified()).simplified());
}

FormExportResults::FormExportResults(const std::vector<std::string> &setups,
                                     const std::string &current, QWidget *parent)
    : QDialog(parent), ComboSetup(named<QComboBox>("ComboSetup", this)),
      ComboRange(named<QComboBox>("ComboRange", this)),
      ComboFormat(named<QComboBox>("ComboFormat", this)), DateFrom(dateBox("DateFrom", this)),
      DateTo(dateBox("DateTo", this))
{
    setObjectName("FormExportResults");
    setWindowTitle(QStringLiteral("Export Results"));
    setModal(true);
    for (const std::string &s : setups)
        ComboSetup->addItem(s.empty() ? QStringLiteral("(untitled)") : qtText(s), qtText(s));
    if (std::find(setups.begin(), setups.end(), current) == setups.end())
        ComboSetup->addItem(current.empty() ? QStringLiteral("(untitled)") : qtText(current),
                            qtText(current));
    ComboSetup->setCurrentIndex(ComboSetup->findData(qtText(current)));
    ComboRange->addItems({QStringLiteral("All"), QStringLiteral("Today"),
                          QStringLiteral("Since the last export"),
                          QStringLiteral("Between dates")});
    ComboFormat->addItems({QStringLiteral("CSV (.csv)"), QStringLiteral("AQDEF (.dfq)")});
    const auto datesFollowRange = [this] {
        const bool between = ComboRange->currentIndex() == ExportChoice::BetweenDates;
        DateFrom->setEnabled(between);
        DateTo->setEnabled(between);
    };
    connect(ComboRange, &QComboBox::currentIndexChanged, this, datesFollowRange);
    datesFollowRange();

    auto *form = new QFormLayout(this);
    form->addRow(QStringLiteral("Setup:"), ComboSetup);
    form->addRow(QStringLiteral("Parts:"), ComboRange);
    form->addRow(QStringLiteral("From:"), DateFrom);
    form->addRow(QStringLiteral("To:"), DateTo);
    form->addRow(QStringLiteral("Format:"), ComboFormat);
    addButtons(*this, *form, QStringLiteral("Export..."));
}

ExportChoice FormExportResults::choice() const
{
    ExportChoice c;
    c.setup = storedText(ComboSetup->currentData().toString());
    c.range = ExportChoice::Range(ComboRange->currentIndex());
    c.from = std::min(DateFrom->date(), DateTo->date());
    c.to = std::max(DateFrom->date(), DateTo->date());
    c.dfq = ComboFormat->currentIndex() == 1;
    return c;
}

} // namespace qmxsrv
