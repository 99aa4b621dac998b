#include "dialogs/formsetupchan.h"

#include "core/device.h"
#include "core/numbertext.h"
#include "core/programstate.h"
#include "dialogs/fieldreader.h"
#include "dialogs/itemsetup.h"
#include "dialogs/setupmemory.h"
#include "platform/named.h"
#include "platform/qttext.h"
#include "platform/spinbutton.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace qmxsrv {
namespace {

struct ValueField {
    const char *name;
    const char *label;
};

// Indexed by FormSetupChan::Value.
constexpr ValueField valueFields[] = {
    {"TextMaster1Value", "Master &1"},  {"TextMaster2Value", "Master &2"},
    {"TextScalingValue", "&Scaling"},   {"TextZeroValue", "&Zero"},
    {"TextHiTolValue", "&Hi Tol"},      {"TextHiAppValue", "H&i approach"},
    {"TextLoAppValue", "L&o approach"}, {"TextLoTolValue", "&LoTol"},
    {"TextBarTopValue", "Bar &Top"},    {"TextBarBotValue", "Bar &Bot"},
};

} // namespace

FormSetupChan::FormSetupChan(ProgramState &state, ChannelSetupMemory &memory, QWidget *parent)
    : SetupDialog("FormSetupChan", "Channel Setup", parent), state_(state), memory_(memory)
{
    buildWidgets();
    setDesignSize(8760, 6825);

    memory_.CurrentChannel = itemInRange(memory_.CurrentChannel, state_.Channels.Count());
    if (memory_.CurrentChannel == 0)
        disableEditing(done_);
    else
        ShowChannel();
}

FormSetupChan::~FormSetupChan()
{
    // Gone while still open (the program ending): the scan cycle must not
    // write into it. A closed dialog has cleared its link already.
    if (isVisible())
        state_.live.LiveChannel = 0;
}

void FormSetupChan::buildWidgets()
{
    currentChannel_ = field("TextCurrentChannel", "&Channel");
    // Written by the dialog only: the channel changes by Prev, Next and the spin.
    currentChannel_->setReadOnly(true);
    channelSpin_ = named<SpinButton>("SpinButtonChannel", this);
    QPushButton *prev = button("CommandPrev", "P&rev");
    QPushButton *next = button("CommandNext", "Ne&xt");
    description_ = field("TextDescription", "&Description");
    formula_ = field("TextFormula", "&Formula");
    decimals_ = field("TextDecimals", "D&ecimals");
    decimalsSpin_ = named<SpinButton>("SpinButtonDecimals", this);
    auto *units = named<QListWidget>("ListUnitSelections", this);
    units->addItems({"Inches", "Metric"});
    units->setMaximumHeight(2 * units->sizeHintForRow(0) + 2 * units->frameWidth() + 4);
    for (std::size_t i = 0; i < values_.size(); ++i)
        values_[i] = field(valueFields[i].name, valueFields[i].label);
    useTwoMasters_ = named<QCheckBox>("CheckUse2Masters", "Use &Two Masters", this);
    channelValue_ = field("TextChannelValue", "Live Value");
    channelValue_->setReadOnly(true);
    showCurrentValue_ = named<QCheckBox>("CheckShowCurrentValue", "Show Current &Value", this);
    autoInc_ = named<QCheckBox>("CheckAutoIncChannel", "Increment after Program Channel", this);
    QPushButton *program = button("CommandProgram", "&Program Channel");
    QPushButton *resetMM = button("CommandResetMM", "&Reset MAX/MIN");
    done_ = button("CommandDone", "Do&ne");

    auto *top = new QGridLayout;
    addLabelled(top, 0, 0, "&Channel", currentChannel_);
    top->addWidget(channelSpin_, 0, 2);
    top->addWidget(prev, 0, 3);
    top->addWidget(next, 0, 4);
    addLabelled(top, 1, 0, "&Description", description_, 4);
    addLabelled(top, 2, 0, "&Formula", formula_, 4);
    addLabelled(top, 3, 0, "D&ecimals", decimals_);
    top->addWidget(decimalsSpin_, 3, 2);
    addLabelled(top, 3, 3, "&Units", units);

    auto frame = [this](const char *title, std::initializer_list<Value> fields) {
        auto *box = new QGroupBox(title, this);
        auto *grid = new QGridLayout(box);
        int row = 0;
        for (Value v : fields)
            addLabelled(grid, row++, 0, valueFields[v].label, values_[v]);
        return box;
    };
    QGroupBox *masters = frame("Masters", {Master1, Master2});
    static_cast<QGridLayout *>(masters->layout())->addWidget(useTwoMasters_, 2, 0, 1, 2);
    auto *frames = new QGridLayout;
    frames->addWidget(masters, 0, 0);
    frames->addWidget(frame("Tolerances", {HiTol, HiAppr, LoAppr, LoTol}), 0, 1, 2, 1);
    frames->addWidget(frame("Channel Scaling", {Scaling, Zero}), 1, 0);
    frames->addWidget(frame("Bar Scale", {BarTop, BarBot}), 0, 2);
    auto *live = new QGroupBox("Live Value", this);
    auto *liveLayout = new QVBoxLayout(live);
    liveLayout->addWidget(channelValue_);
    liveLayout->addWidget(showCurrentValue_);
    frames->addWidget(live, 1, 2);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(program);
    buttons->addWidget(autoInc_);
    buttons->addStretch();
    buttons->addWidget(resetMM);
    buttons->addWidget(done_);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(frames);
    layout->addLayout(buttons);

    for (QLineEdit *edit : values_)
        connect(edit, &QLineEdit::textChanged, this, [this] { modified_ = true; });
    for (QLineEdit *edit : {description_, formula_})
        connect(edit, &QLineEdit::textChanged, this, [this] { modified_ = true; });
    connect(useTwoMasters_, &QCheckBox::toggled, this, [this](bool on) {
        values_[Master2]->setEnabled(on);
        modified_ = true;
    });
    connect(showCurrentValue_, &QCheckBox::toggled, this, &FormSetupChan::showCurrentValueClicked);
    connect(autoInc_, &QCheckBox::toggled, this,
            [this](bool on) { memory_.ChanAutoInc = on ? 1 : 0; });
    connect(decimalsSpin_, &SpinButton::down, this, [this] { stepDecimals(-1); });
    connect(decimalsSpin_, &SpinButton::up, this, [this] { stepDecimals(+1); });
    connect(prev, &QPushButton::clicked, this, [this] { step(previousItem); });
    connect(channelSpin_, &SpinButton::down, this, [this] { step(previousItem); });
    connect(next, &QPushButton::clicked, this, [this] { step(nextItem); });
    connect(channelSpin_, &SpinButton::up, this, [this] { step(nextItem); });
    connect(program, &QPushButton::clicked, this, &FormSetupChan::programClicked);
    connect(resetMM, &QPushButton::clicked, this, [this] { state_.device().QmxResetMM(); });
    connect(done_, &QPushButton::clicked, this, &FormSetupChan::reject);
}

channel *FormSetupChan::current()
{
    const std::int16_t n = memory_.CurrentChannel;
    return state_.Channels.contains(n) ? &state_.Channels.Item(n) : nullptr;
}

void FormSetupChan::SetCurrentChannel(std::int16_t channel)
{
    const std::int16_t n = itemInRange(channel, state_.Channels.Count());
    if (n == 0)
        return;
    memory_.CurrentChannel = n;
    ShowChannel();
}

void FormSetupChan::ShowChannel()
{
    channel &c = *current();
    currentChannel_->setText(qtText(numberText(memory_.CurrentChannel)));
    channelValue_->clear();
    formula_->setText(qtText(c.Formula()));
    description_->setText(qtText(c.Description));
    decimals_->setText(qtText(numberText(c.Decimals)));
    const int d = c.Decimals;
    values_[Master2]->setEnabled(c.UseTwoMasters);
    useTwoMasters_->setChecked(values_[Master2]->isEnabled());
    const float shown[] = {c.Master1, c.Master2, c.Scaling(), c.ZeroOffset(),  c.HiTol,
                           c.HiAppr,  c.LoAppr,  c.LoTol,     c.BarDisplayTop, c.BarDisplayBot};
    for (std::size_t i = 0; i < values_.size(); ++i)
        values_[i]->setText(qtText(formatValue(shown[i], d)));
    modified_ = false;
}

bool FormSetupChan::ProgramChannel()
{
    channel *c = current();
    if (!c)
        return false;
    FieldReader read(state_.boxes(), "Nothing has been programmed.");
    const std::int16_t decimals = read.integer(decimals_, 0, 5);
    std::array<float, std::tuple_size_v<decltype(values_)>> v{};
    for (Value i : {Master1, Master2, HiTol, HiAppr, LoAppr, LoTol, BarTop, BarBot, Scaling, Zero})
        v[i] = read.number(values_[i]);
    if (!read.ok())
        return false;

    c->Description = storedText(description_->text());
    c->setFormula(storedText(formula_->text()));
    c->Decimals = decimals;
    c->Master1 = v[Master1];
    c->Master2 = v[Master2];
    c->UseTwoMasters = values_[Master2]->isEnabled();
    c->HiTol = v[HiTol];
    c->HiAppr = v[HiAppr];
    c->LoAppr = v[LoAppr];
    c->LoTol = v[LoTol];
    c->BarDisplayTop = v[BarTop];
    c->BarDisplayBot = v[BarBot];
    c->setScaling(v[Scaling]);
    c->setZeroOffset(v[Zero]);
    c->InUse = true;
    modified_ = false;
    state_.view.SetupModified = true;
    return true;
}

bool FormSetupChan::ConfirmChanges()
{
    if (!modified_)
        return true;
    return confirmChanges(state_.boxes(), "Channel ", memory_.CurrentChannel,
                          current()->Description, [this] { return ProgramChannel(); });
}

void FormSetupChan::step(std::int16_t (*move)(std::int16_t, int))
{
    if (!ConfirmChanges())
        return;
    memory_.CurrentChannel = move(memory_.CurrentChannel, state_.Channels.Count());
    ShowChannel();
    // The live value follows the channel shown.
    showCurrentValueClicked();
}

void FormSetupChan::programClicked()
{
    if (!ProgramChannel() || !autoInc_->isChecked())
        return;
    // LiveChannel stays on the channel just programmed.
    memory_.CurrentChannel = nextItem(memory_.CurrentChannel, state_.Channels.Count());
    ShowChannel();
}

void FormSetupChan::showCurrentValueClicked()
{
    if (showCurrentValue_->isChecked()) {
        memory_.ChanShowValue = 1;
        state_.live.LiveChannel = memory_.CurrentChannel;
    } else {
        memory_.ChanShowValue = 0;
        state_.live.LiveChannel = 0;
        channelValue_->clear();
    }
}

void FormSetupChan::stepDecimals(int by)
{
    const int n = readInt16(storedText(decimals_->text())).value_or(0);
    if ((by < 0 && n > 0) || (by > 0 && n < 5)) {
        decimals_->setText(qtText(numberText(n + by)));
        modified_ = true;
    }
}

void FormSetupChan::activated()
{
    showCurrentValue_->setChecked(memory_.ChanShowValue != 0);
    autoInc_->setChecked(memory_.ChanAutoInc != 0);
}

bool FormSetupChan::mayClose()
{
    if (!ConfirmChanges())
        return false;
    state_.live.LiveChannel = 0;
    return true;
}

} // namespace qmxsrv
