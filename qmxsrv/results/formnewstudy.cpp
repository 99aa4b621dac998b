#include "results/formnewstudy.h"

#include "core/messageboxes.h"
#include "core/numbertext.h"
#include "core/programstate.h"
#include "platform/named.h"
#include "platform/qttext.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <algorithm>
#include <cmath>

namespace qmxsrv {

namespace {

using study::StudyType;

// The sizes each type takes and starts with.
struct Sizes {
    int minParts, maxParts, parts, minTrials, maxTrials, trials;
};
Sizes sizesOf(StudyType type)
{
    if (type == StudyType::Type3)
        return {2, study::kType3MaxParts, 25, 2, study::kType3MaxTrials, 2};
    return {2, 10, study::kDefaultGrrParts, 2, 3, 3};
}

QSpinBox *spin(const char *name, int min, int max, int value, QWidget *parent)
{
    auto *s = named<QSpinBox>(name, parent);
    s->setRange(min, max);
    s->setValue(value);
    return s;
}

// A value as the station shows it, without the blank for a plus.
QString shown(double v, int decimals) { return qtText(formatValue(v, decimals)).trimmed(); }

} // namespace

FormNewStudy::FormNewStudy(ProgramState &state, MessageBoxes &boxes, QWidget *parent)
    : QDialog(parent), state_(state), boxes_(boxes),
      ComboChannel(named<QComboBox>("ComboChannel", this)),
      ComboType(named<QComboBox>("ComboType", this)),
      ComboMethod(named<QComboBox>("ComboMethod", this)),
      SpinParts(spin("SpinParts", 2, 10, study::kDefaultGrrParts, this)),
      SpinAppraisers(spin("SpinAppraisers", 2, 3, 3, this)),
      SpinTrials(spin("SpinTrials", 2, 3, 3, this)),
      SpinReadings(spin("SpinReadings", study::kType1MinReadings, study::kType1MaxReadings,
                        study::kDefaultType1Readings, this)),
      TextReference(named<QLineEdit>("TextReference", this)),
      TextTolerance(named<QLineEdit>("TextTolerance", this)),
      TextK(named<QLineEdit>("TextK", QStringLiteral("20"), this)),
      TextL(named<QLineEdit>("TextL", QStringLiteral("6"), this)),
      TextAppraisers{named<QLineEdit>("TextAppraiser1", QStringLiteral("A"), this),
                     named<QLineEdit>("TextAppraiser2", QStringLiteral("B"), this),
                     named<QLineEdit>("TextAppraiser3", QStringLiteral("C"), this)},
      LabelUnits(named<QLabel>("LabelUnits", this))
{
    setObjectName(QStringLiteral("FormNewStudy"));
    setWindowTitle(QStringLiteral("New Gauge Study"));
    setModal(true);
    for (int i = 1; i <= state_.Channels.Count(); ++i) {
        const channel &c = state_.Channels.Item(i);
        if (c.Formula().empty())
            continue;
        ComboChannel->addItem(QStringLiteral("%1  %2").arg(i).arg(
                                  c.Description.empty() ? QStringLiteral("Channel %1").arg(i)
                                                        : qtText(c.Description)),
                              i);
    }
    ComboType->addItem(QStringLiteral("Type 1: one reference part, one appraiser"),
                       int(StudyType::Type1));
    ComboType->addItem(QStringLiteral("Gauge R&R: parts \u00d7 appraisers \u00d7 trials"),
                       int(StudyType::Grr));
    ComboType->addItem(QStringLiteral("Type 3: automatic gauge, parts \u00d7 trials"),
                       int(StudyType::Type3));
    ComboType->setCurrentIndex(1);
    ComboMethod->addItem(QStringLiteral("ANOVA"), int(study::GrrMethod::Anova));
    ComboMethod->addItem(QStringLiteral("Average and range"), int(study::GrrMethod::Ranges));
    for (QLineEdit *name : TextAppraisers)
        name->setMaxLength(40);

    auto *form = new QFormLayout(this);
    form->addRow(QStringLiteral("Channel:"), ComboChannel);
    form->addRow(QStringLiteral("Study:"), ComboType);
    form->addRow(QStringLiteral("Method:"), ComboMethod);
    form->addRow(QStringLiteral("Parts:"), SpinParts);
    form->addRow(QStringLiteral("Appraisers:"), SpinAppraisers);
    form->addRow(QStringLiteral("Trials:"), SpinTrials);
    form->addRow(QStringLiteral("Readings:"), SpinReadings);
    form->addRow(QStringLiteral("Reference value (Xm):"), TextReference);
    form->addRow(QStringLiteral("Tolerance (T):"), TextTolerance);
    form->addRow(QStringLiteral("K (% of T):"), TextK);
    form->addRow(QStringLiteral("L (standard deviations):"), TextL);
    auto *names = new QHBoxLayout;
    for (QLineEdit *name : TextAppraisers)
        names->addWidget(name);
    form->addRow(QStringLiteral("Appraisers' names:"), names);
    form->addRow(QString(), LabelUnits);
    auto *box = new QDialogButtonBox(this);
    auto *ok = named<QPushButton>("CommandOK", QStringLiteral("Start"), box);
    ok->setDefault(true);
    box->addButton(ok, QDialogButtonBox::AcceptRole);
    box->addButton(named<QPushButton>("CommandCancel", QStringLiteral("Cancel"), box),
                   QDialogButtonBox::RejectRole);
    connect(box, &QDialogButtonBox::accepted, this, &FormNewStudy::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(box);

    const auto rows = [form, names, this] {
        const auto type = StudyType(ComboType->currentData().toInt());
        const bool type1 = type == StudyType::Type1, grr = type == StudyType::Grr;
        form->setRowVisible(ComboMethod, grr);
        form->setRowVisible(SpinParts, !type1);
        form->setRowVisible(SpinAppraisers, grr);
        form->setRowVisible(SpinTrials, !type1);
        form->setRowVisible(SpinReadings, type1);
        form->setRowVisible(TextReference, type1);
        form->setRowVisible(TextK, type1);
        form->setRowVisible(TextL, type1);
        form->setRowVisible(names, grr);
    };
    connect(ComboChannel, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this] { channelChosen(); });
    connect(ComboType, qOverload<int>(&QComboBox::currentIndexChanged), this, [this, rows] {
        typeChosen();
        rows();
    });
    connect(SpinAppraisers, qOverload<int>(&QSpinBox::valueChanged), this,
            [this](int n) { TextAppraisers[2]->setEnabled(n > 2); });
    channelChosen();
    typeChosen();
    rows();
}

bool FormNewStudy::hasChannels() const { return ComboChannel->count() > 0; }

void FormNewStudy::channelChosen()
{
    const int i = ComboChannel->currentData().toInt();
    if (!state_.Channels.contains(i))
        return;
    const channel &c = state_.Channels.Item(i);
    const double tolerance = decimalDouble(c.HiTol) - decimalDouble(c.LoTol);
    TextTolerance->setText(tolerance > 0 ? shown(tolerance, c.Decimals) : QString());
    LabelUnits->setText(c.Units.empty() ? QString()
                                        : QStringLiteral("Values in %1").arg(qtText(c.Units)));
}

void FormNewStudy::typeChosen()
{
    const auto type = StudyType(ComboType->currentData().toInt());
    if (type == StudyType::Type1)
        return;
    const Sizes s = sizesOf(type);
    SpinParts->setRange(s.minParts, s.maxParts);
    SpinParts->setValue(s.parts);
    SpinTrials->setRange(s.minTrials, s.maxTrials);
    SpinTrials->setValue(s.trials);
}

bool FormNewStudy::read()
{
    const auto refuse = [this](const std::string &why) {
        tell(boxes_, why, Icon::Exclamation);
        return false;
    };
    // A number as the station's other fields take one; empty is none.
    const auto number = [](QLineEdit *field, std::optional<double> &to) {
        const std::string text = storedText(field->text().trimmed());
        to.reset();
        if (text.empty())
            return true;
        const std::optional<float> v = readFileFloat(text);
        if (!v || !std::isfinite(*v))
            return false;
        to = decimalDouble(*v);
        return true;
    };
    study::Study s;
    s.type = StudyType(ComboType->currentData().toInt());
    s.method = study::GrrMethod(ComboMethod->currentData().toInt());
    s.channel = ComboChannel->currentData().toInt();
    if (!state_.Channels.contains(s.channel))
        return refuse("Choose the channel the study measures.");
    const channel &c = state_.Channels.Item(s.channel);
    s.description = c.Description;
    s.units = c.Units;
    s.decimals = c.Decimals;
    s.resolution = std::pow(10.0, -std::clamp(int(c.Decimals), 0, 15));
    if (!number(TextTolerance, s.tolerance) || (s.tolerance && !(*s.tolerance > 0)))
        return refuse("The tolerance is a positive number (HiTol - LoTol), or empty for none.");
    switch (s.type) {
    case StudyType::Type1: {
        s.trials = SpinReadings->value();
        if (!number(TextReference, s.reference) || !s.reference)
            return refuse("Type the reference value of the part (Xm), as its certificate gives "
                          "it.");
        if (!s.tolerance)
            return refuse("A type 1 study needs the tolerance.");
        std::optional<double> k, l;
        if (!number(TextK, k) || !k || !(*k > 0 && *k <= 100))
            return refuse("K is a percentage of the tolerance above 0 and at most 100.");
        if (!number(TextL, l) || !l || !(*l > 0))
            return refuse("L is a positive number of standard deviations.");
        s.k = *k;
        s.l = *l;
        break;
    }
    case StudyType::Grr:
        s.parts = SpinParts->value();
        s.appraisers = SpinAppraisers->value();
        s.trials = SpinTrials->value();
        for (int a = 0; a < s.appraisers; ++a)
            s.appraiserNames.push_back(storedText(
                withoutControlCharacters(TextAppraisers[a]->text().simplified()).simplified()));
        // As the sheet and the charts will name them: an empty name is the letter.
        for (int a = 0; a < s.appraisers; ++a)
            for (int b = 0; b < a; ++b)
                if (s.appraiserName(a) == s.appraiserName(b))
                    return refuse("Two appraisers are both named " + s.appraiserName(a) + ".");
        break;
    case StudyType::Type3:
        s.parts = SpinParts->value();
        s.trials = SpinTrials->value();
        break;
    }
    if (const std::optional<std::string> why = study::checkNewStudy(s))
        return refuse("The study cannot be run: " + *why + ".");
    study_ = s;
    return true;
}

void FormNewStudy::accept()
{
    if (read())
        QDialog::accept();
}

} // namespace qmxsrv
