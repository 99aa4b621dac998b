#include "results/formcontrolplan.h"

#include "core/messageboxes.h"
#include "core/numbertext.h"
#include "platform/named.h"
#include "platform/qttext.h"
#include "quality/resultsexport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace qmxsrv {

namespace {

constexpr int MaxTests = 8;

QString number(const std::optional<double> &v)
{
    return v ? QString::fromStdString(exactNumber(*v)) : QString();
}

// A typed number: none when the text holds no digit.
std::optional<double> typed(const QLineEdit *field)
{
    const QString text = field->text();
    if (!std::any_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); }))
        return std::nullopt;
    return readNumber(storedText(text));
}

std::string limitsState(const spc::ControlPlan &p)
{
    switch (p.limits) {
    case spc::LimitsMode::Fixed:
        return "Limits fixed on " + p.fixedUtc + " from subgroups " + std::to_string(p.fixedFirst) +
               " to " + std::to_string(p.fixedLast) + ".";
    case spc::LimitsMode::Typed: return "Limits typed in on " + p.changedUtc + ".";
    case spc::LimitsMode::Computed: break;
    }
    return "Limits computed from the subgroups from " + std::to_string(p.sinceSubgroup) + " on.";
}

} // namespace

FormControlPlan::FormControlPlan(std::vector<Channel> channels, Actions actions,
                                 MessageBoxes &boxes, QWidget *parent)
    : QDialog(parent), channels_(std::move(channels)), actions_(std::move(actions)), boxes_(boxes),
      ComboChannel(named<QComboBox>("ComboChannel", this)),
      SpinSubgroup(named<QSpinBox>("SpinSubgroup", this)),
      CheckUseS(named<QCheckBox>("CheckUseS", QStringLiteral("Use s instead of R"), this)),
      ComboRules(named<QComboBox>("ComboRules", this)),
      RadioComputed(named<QRadioButton>("RadioComputed", QStringLiteral("Computed"), this)),
      RadioFixed(named<QRadioButton>("RadioFixed", QStringLiteral("Fixed from subgroups"), this)),
      RadioTyped(named<QRadioButton>("RadioTyped", QStringLiteral("Typed in"), this)),
      SpinFixFirst(named<QSpinBox>("SpinFixFirst", this)),
      SpinFixLast(named<QSpinBox>("SpinFixLast", this)),
      TextCentre(named<QLineEdit>("TextCentre", this)),
      TextSigma(named<QLineEdit>("TextSigma", this)),
      CheckHold(
          named<QCheckBox>("CheckHold", QStringLiteral("Hold recording until answered"), this)),
      LabelPlan(named<QLabel>("LabelPlan", this))
{
    setObjectName(QStringLiteral("FormControlPlan"));
    setWindowTitle(QStringLiteral("Control Plan"));
    setModal(true);
    for (const Channel &c : channels_)
        ComboChannel->addItem(QString::number(c.number) + QLatin1Char(' ') + qtText(c.description),
                              c.number);
    SpinSubgroup->setRange(1, 25);
    ComboRules->addItems(
        {QStringLiteral("none"), QStringLiteral("Western Electric"), QStringLiteral("Nelson")});
    for (QSpinBox *s : {SpinFixFirst, SpinFixLast})
        s->setRange(1, 999999999);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Channel:"), ComboChannel);
    auto *size = new QHBoxLayout;
    size->addWidget(SpinSubgroup);
    size->addWidget(CheckUseS);
    form->addRow(QStringLiteral("Subgroup size n:"), size);
    form->addRow(QStringLiteral("Run rules:"), ComboRules);
    auto *tests = new QHBoxLayout;
    for (int k = 1; k <= MaxTests; ++k) {
        auto *check =
            named<QCheckBox>(("CheckTest" + std::to_string(k)).c_str(), QString::number(k), this);
        CheckTests.push_back(check);
        tests->addWidget(check);
    }
    form->addRow(QStringLiteral("Tests:"), tests);
    auto *limits = new QGroupBox(QStringLiteral("Control limits"), this);
    auto *grid = new QGridLayout(limits);
    grid->addWidget(RadioComputed, 0, 0, 1, 3);
    grid->addWidget(RadioFixed, 1, 0);
    grid->addWidget(SpinFixFirst, 1, 1);
    grid->addWidget(SpinFixLast, 1, 2);
    grid->addWidget(RadioTyped, 2, 0);
    grid->addWidget(new QLabel(QStringLiteral("centre"), limits), 3, 0);
    grid->addWidget(TextCentre, 3, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("sigma of single values"), limits), 4, 0);
    grid->addWidget(TextSigma, 4, 1, 1, 2);
    auto *buttons = new QDialogButtonBox(this);
    auto *ok = named<QPushButton>("CommandOK", QStringLiteral("OK"), buttons);
    ok->setDefault(true);
    buttons->addButton(ok, QDialogButtonBox::ActionRole);
    buttons->addButton(named<QPushButton>("CommandRemove", QStringLiteral("Remove plan"), buttons),
                       QDialogButtonBox::ActionRole);
    buttons->addButton(named<QPushButton>("CommandClose", QStringLiteral("Close"), buttons),
                       QDialogButtonBox::RejectRole);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(limits);
    layout->addWidget(CheckHold);
    layout->addWidget(LabelPlan);
    layout->addWidget(buttons);

    connect(ComboChannel, &QComboBox::currentIndexChanged, this, [this] { channelChosen(); });
    connect(ComboRules, &QComboBox::currentIndexChanged, this, [this] { rulesChosen(); });
    for (QRadioButton *r : {RadioComputed, RadioFixed, RadioTyped})
        connect(r, &QRadioButton::toggled, this, [this] { limitsChosen(); });
    connect(ok, &QPushButton::clicked, this, [this] { apply(); });
    connect(findChild<QPushButton *>(QStringLiteral("CommandRemove")), &QPushButton::clicked, this,
            [this] { removePlan(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    channelChosen();
}

void FormControlPlan::channelChosen()
{
    const int channel = ComboChannel->currentData().toInt();
    const std::vector<spc::ControlPlan> all =
        actions_.plans ? actions_.plans() : std::vector<spc::ControlPlan>{};
    for (const spc::ControlPlan &p : all)
        if (p.channel == channel)
            return showPlan(&p);
    showPlan(nullptr);
}

void FormControlPlan::showPlan(const spc::ControlPlan *plan)
{
    const spc::ControlPlan shown = plan ? *plan : spc::ControlPlan{};
    SpinSubgroup->setValue(shown.subgroupSize);
    CheckUseS->setChecked(shown.useS);
    ComboRules->setCurrentIndex(int(shown.rules));
    rulesChosen();
    for (int k = 0; k < MaxTests; ++k)
        CheckTests[std::size_t(k)]->setChecked(plan ? (shown.tests >> k) & 1u
                                                    : CheckTests[std::size_t(k)]->isEnabled());
    RadioComputed->setChecked(shown.limits == spc::LimitsMode::Computed);
    RadioFixed->setChecked(shown.limits == spc::LimitsMode::Fixed);
    RadioTyped->setChecked(shown.limits == spc::LimitsMode::Typed);
    SpinFixFirst->setValue(int(std::max<std::int64_t>(shown.fixedFirst, 1)));
    SpinFixLast->setValue(int(std::max<std::int64_t>(shown.fixedLast, 1)));
    TextCentre->setText(number(shown.centre));
    TextSigma->setText(number(shown.sigma));
    CheckHold->setChecked(shown.hold);
    LabelPlan->setText(plan ? qtText(limitsState(*plan))
                            : QStringLiteral("No control plan for this channel."));
    limitsChosen();
}

// Another set: its tests all on, to be switched off one by one.
void FormControlPlan::rulesChosen()
{
    const std::uint32_t all = spc::allTests(spc::RuleSet(ComboRules->currentIndex()));
    for (int k = 0; k < MaxTests; ++k) {
        CheckTests[std::size_t(k)]->setEnabled((all >> k) & 1u);
        CheckTests[std::size_t(k)]->setChecked((all >> k) & 1u);
    }
}

void FormControlPlan::limitsChosen()
{
    SpinFixFirst->setEnabled(RadioFixed->isChecked());
    SpinFixLast->setEnabled(RadioFixed->isChecked());
    TextCentre->setEnabled(RadioTyped->isChecked());
    TextSigma->setEnabled(RadioTyped->isChecked());
}

spc::ControlPlan FormControlPlan::shownPlan() const
{
    spc::ControlPlan p;
    p.channel = ComboChannel->currentData().toInt();
    p.subgroupSize = SpinSubgroup->value();
    p.useS = CheckUseS->isChecked();
    p.rules = spc::RuleSet(ComboRules->currentIndex());
    for (int k = 0; k < MaxTests; ++k)
        if (CheckTests[std::size_t(k)]->isChecked())
            p.tests |= std::uint32_t{1} << k;
    p.limits = RadioFixed->isChecked()   ? spc::LimitsMode::Fixed
               : RadioTyped->isChecked() ? spc::LimitsMode::Typed
                                         : spc::LimitsMode::Computed;
    if (p.limits == spc::LimitsMode::Typed) {
        p.centre = typed(TextCentre);
        p.sigma = typed(TextSigma);
    }
    p.hold = CheckHold->isChecked();
    return p;
}

void FormControlPlan::apply()
{
    if (ComboChannel->count() == 0) {
        tell(boxes_, "No channel of this setup has a formula.");
        return;
    }
    const spc::ControlPlan p = shownPlan();
    const Fix fix = p.limits == spc::LimitsMode::Fixed
                        ? Fix(std::pair<std::int64_t, std::int64_t>(SpinFixFirst->value(),
                                                                    SpinFixLast->value()))
                        : std::nullopt;
    if (const std::string why = actions_.apply(p, fix); !why.empty()) {
        tell(boxes_, "The control plan was not changed: " + why, Icon::Exclamation);
        return;
    }
    channelChosen();
}

void FormControlPlan::removePlan()
{
    if (const std::string why = actions_.remove(ComboChannel->currentData().toInt()); !why.empty())
        tell(boxes_, "The control plan was not removed: " + why, Icon::Exclamation);
    channelChosen();
}

} // namespace qmxsrv
