#include "formmastering.h"

#include "masteringmath.h"

#include "core/channel.h"
#include "core/device.h"
#include "core/numbertext.h"
#include "core/programstate.h"
#include "platform/named.h"
#include "platform/qttext.h"
#include "platform/spinbutton.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace qmxsrv {

namespace {

// Two labelled boxes, one per row, in a frame.
void twoRows(QGroupBox *f, QLabel *l1, QLineEdit *b1, QLabel *l2, QLineEdit *b2)
{
    auto *grid = new QGridLayout(f);
    grid->addWidget(l1, 0, 0);
    grid->addWidget(b1, 0, 1);
    grid->addWidget(l2, 1, 0);
    grid->addWidget(b2, 1, 1);
}

} // namespace

FormMastering::FormMastering(ProgramState &state, QWidget *parent)
    : QDialog(parent), state_(state),
      TextMasterChannel_(named<QLineEdit>("TextMasterChannel", this)),
      SpinButtonChannel_(named<SpinButton>("SpinButtonChannel", this)),
      TextDescription_(named<QLineEdit>("TextDescription", this)),
      TextMaster1Value_(named<QLineEdit>("TextMaster1Value", this)),
      TextMaster2Value_(named<QLineEdit>("TextMaster2Value", this)),
      TextChannelValue_(named<QLineEdit>("TextChannelValue", this)),
      CommandResetMM_(named<QPushButton>("CommandResetMM", "&Reset MAX/MIN", this)),
      TxtM1_(named<QLineEdit>("TxtM1", this)), TxtM2_(named<QLineEdit>("TxtM2", this)),
      TxtSlope_(named<QLineEdit>("TxtSlope", this)),
      TxtIntercept_(named<QLineEdit>("TxtIntercept", this)),
      LblInstruction_(named<QLabel>("LblInstruction", this)),
      CommandMaster_(named<QPushButton>("CommandMaster", "Master", this)),
      CommandDone_(named<QPushButton>("CommandDone", "Done", this))
{
    setObjectName("FormMastering");
    setWindowTitle(QStringLiteral("Master"));
    setModal(true);
    // The dialog writes its boxes and never reads what is typed into them.
    for (QLineEdit *box :
         {TextMasterChannel_, TextDescription_, TextMaster1Value_, TextMaster2Value_,
          TextChannelValue_, TxtM1_, TxtM2_, TxtSlope_, TxtIntercept_})
        box->setReadOnly(true);
    // Enter must never take a reading by accident.
    for (QPushButton *button : {CommandResetMM_, CommandMaster_, CommandDone_})
        button->setAutoDefault(false);
    TextMasterChannel_->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000000")));

    auto *channelRow = new QHBoxLayout;
    channelRow->addWidget(named<QLabel>("LabelChannel", "Channel", this));
    channelRow->addWidget(TextMasterChannel_);
    channelRow->addWidget(SpinButtonChannel_);
    channelRow->addWidget(TextDescription_, 1);

    auto *masters = named<QGroupBox>("FrameMasters", "Masters", this);
    auto *master1 = named<QLabel>("LabelMaster1", "Master &1", masters);
    master1->setBuddy(TextMaster1Value_);
    auto *master2 = named<QLabel>("LabelMaster2", "Master &2", masters);
    master2->setBuddy(TextMaster2Value_);
    twoRows(masters, master1, TextMaster1Value_, master2, TextMaster2Value_);

    auto *live = named<QGroupBox>("FrameLiveValue", "Live Value", this);
    auto *liveColumn = new QVBoxLayout(live);
    liveColumn->addWidget(TextChannelValue_);
    liveColumn->addWidget(CommandResetMM_);

    auto *taken = named<QGroupBox>("FrameMeasurements", "Measurements Taken", this);
    twoRows(taken, named<QLabel>("LabelM1", "1", taken), TxtM1_,
            named<QLabel>("LabelM2", "2", taken), TxtM2_);

    auto *computed = named<QGroupBox>("FrameComputed", "Computed Values for Channel", this);
    twoRows(computed, named<QLabel>("LabelSlope", "Scaling", computed), TxtSlope_,
            named<QLabel>("LabelIntercept", "Zero", computed), TxtIntercept_);

    auto *frames = new QGridLayout;
    frames->addWidget(masters, 0, 0);
    frames->addWidget(live, 0, 1);
    frames->addWidget(taken, 1, 0);
    frames->addWidget(computed, 1, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(CommandMaster_);
    buttons->addWidget(CommandDone_);

    auto *page = new QVBoxLayout(this);
    page->addLayout(channelRow);
    page->addLayout(frames);
    page->addWidget(LblInstruction_);
    page->addLayout(buttons);

    connect(CommandMaster_, &QPushButton::clicked, this, [this] { MasterStep(); });
    connect(CommandResetMM_, &QPushButton::clicked, this, [this] { state_.device().QmxResetMM(); });
    connect(CommandDone_, &QPushButton::clicked, this, &QDialog::accept);
    connect(SpinButtonChannel_, &SpinButton::up, this,
            [this] { stepToChannel(&FormMastering::NextChannel); });
    connect(SpinButtonChannel_, &SpinButton::down, this,
            [this] { stepToChannel(&FormMastering::PreviousChannel); });
}

FormMastering::~FormMastering() { state_.live.MasteringChannel = 0; }

bool FormMastering::CheckFormula() const
{
    const channel *ch = current();
    return ch && !ch->Formula().empty();
}

void FormMastering::showChannelValue(const std::string &text)
{
    TextChannelValue_->setText(qtText(text));
}

void FormMastering::showEvent(QShowEvent *event)
{
    if (!event->spontaneous())
        StartMastering();
    QDialog::showEvent(event);
}

void FormMastering::hideEvent(QHideEvent *event)
{
    // Closed by any means: the scan stops reading for the dialog.
    if (!event->spontaneous())
        state_.live.MasteringChannel = 0;
    QDialog::hideEvent(event);
}

// The dialog walks the channels that exist; the channel count may have
// shrunk since it was last open.
int FormMastering::channelCount() const { return state_.Channels.Count(); }

channel *FormMastering::current() const
{
    return state_.Channels.contains(CurrentChannel_) ? &state_.Channels.Item(CurrentChannel_)
                                                     : nullptr;
}

void FormMastering::StartMastering()
{
    if (CurrentChannel_ < 1 || CurrentChannel_ > channelCount())
        CurrentChannel_ = 1;
    PrepareChannel();
    setWindowTitle(qtText(actionWord_ + " Channels"));
    TextMasterChannel_->show();
    ShowChannelSettings();
}

void FormMastering::PrepareChannel()
{
    const channel *ch = current();
    actionWord_ = state_.view.MasteringZeroMode ? "Zero" : "Master";
    refusalShown_ = false;
    if (CheckFormula()) {
        state_.live.MasteringChannel = CurrentChannel_;
        setInstructionColour(palette().color(QPalette::ButtonText));
        setInstruction("Insert Master 1: " + formatValue(ch->Master1, ch->Decimals));
        CommandMaster_->setText(qtText("Start " + actionWord_));
        CommandMaster_->setEnabled(true);
    } else {
        state_.live.MasteringChannel = 0;
        setInstructionColour(Qt::red);
        setInstruction(ch ? "This Channel has no formula" : "There are no channels");
        CommandMaster_->setText(qtText("Cannot " + actionWord_));
        CommandMaster_->setEnabled(false);
    }
    step_ = WaitMaster1;
}

void FormMastering::ShowChannelSettings()
{
    TextMasterChannel_->setText(qtText(numberText(CurrentChannel_)));
    for (QLineEdit *box : {TextDescription_, TextMaster1Value_, TextMaster2Value_, TxtSlope_,
                           TxtIntercept_, TxtM1_, TxtM2_, TextChannelValue_})
        box->clear();
    channel *ch = current();
    if (!ch)
        return;
    const int d = ch->Decimals;
    TextDescription_->setText(qtText(ch->Description));
    TextMaster1Value_->setText(qtText(formatValue(ch->Master1, d)));
    TextMaster2Value_->setText(
        qtText(ch->UseTwoMasters ? formatValue(ch->Master2, d) : std::string("Not Used")));
    TxtSlope_->setText(qtText(formatValue(ch->Scaling(), d)));
    TxtIntercept_->setText(qtText(formatValue(ch->ZeroOffset(), d)));
}

void FormMastering::NextChannel()
{
    CurrentChannel_ = CurrentChannel_ < channelCount() ? CurrentChannel_ + 1 : 1;
}

void FormMastering::PreviousChannel()
{
    CurrentChannel_ = CurrentChannel_ < 2 ? channelCount() : CurrentChannel_ - 1;
}

void FormMastering::stepToChannel(void (FormMastering::*move)())
{
    if (channelCount() < 1)
        return;
    (this->*move)();
    ShowChannelSettings();
    PrepareChannel();
}

void FormMastering::MasterStep()
{
    channel *ch = current();
    if (!ch)
        return;
    switch (step_) {
    case WaitMaster1: takeMaster1(*ch, ch->Decimals); break;
    case WaitMaster2: takeMaster2(*ch, ch->Decimals); break;
    case ChannelDone: stepToChannel(&FormMastering::NextChannel); break;
    }
}

void FormMastering::takeMaster1(channel &ch, int decimals)
{
    // The box is emptied whenever a channel is prepared and filled by the
    // next tick: until then MasteringValue still holds the previous
    // channel's value (or nothing at all after start-up).
    if (TextChannelValue_->text().isEmpty()) {
        refuse("No live value yet: try again.");
        return;
    }
    Reading1_ = state_.live.MasteringValue;
    TxtM1_->setText(TextChannelValue_->text());
    if (ch.UseTwoMasters && !state_.view.MasteringZeroMode) {
        instruct("Insert Master 2: " + formatValue(ch.Master2, decimals));
        CommandMaster_->setText(QStringLiteral("Read"));
        state_.live.MasteringChannel = CurrentChannel_;
        step_ = WaitMaster2;
        return;
    }
    const MasteringResult r = zeroFromOneMaster(Reading1_, ch.ZeroOffset(), ch.Master1);
    if (!r.ok()) {
        refuse(masteringFaultText(r.fault));
        return;
    }
    TxtIntercept_->setText(qtText(formatValue(r.newZero, decimals)));
    emit calibrating(CurrentChannel_);
    ch.setZeroOffset(r.zeroForBoard());
    emit calibrated({CurrentChannel_, state_.view.MasteringZeroMode, false, Reading1_, 0});
    state_.view.SetupModified = true;
    instruct(actionWord_ + " completed.");
    CommandMaster_->setText(QStringLiteral("Next Channel"));
    step_ = ChannelDone;
}

void FormMastering::takeMaster2(channel &ch, int decimals)
{
    Reading2_ = state_.live.MasteringValue;
    TxtM2_->setText(TextChannelValue_->text());
    // A refused click asks nothing of the board; the next one takes master 2 again.
    if (readingsTooClose(Reading1_, Reading2_)) {
        setInstructionColour(Qt::red);
        setInstruction(masteringFaultText(MasteringFault::ReadingsTooClose));
        CommandMaster_->setText(QStringLiteral("Do Again"));
        return;
    }
    const float zero = ch.ZeroOffset();
    const float scaling = ch.Scaling();
    const MasteringResult r =
        calibrateFromTwoMasters(Reading1_, Reading2_, zero, scaling, ch.Master1, ch.Master2);
    if (!r.ok()) {
        refuse(masteringFaultText(r.fault));
        CommandMaster_->setText(QStringLiteral("Do Again"));
        return;
    }
    TxtSlope_->setText(qtText(formatValue(r.newScale, decimals)));
    TxtIntercept_->setText(qtText(formatValue(r.newZero, decimals)));
    emit calibrating(CurrentChannel_);
    ch.setZeroOffset(r.zeroForBoard());
    ch.setScaling(r.scaleForBoard());
    emit calibrated({CurrentChannel_, false, true, Reading1_, Reading2_});
    state_.view.SetupModified = true;
    instruct("Mastering completed.");
    CommandMaster_->setText(QStringLiteral("Next Channel"));
    step_ = ChannelDone;
}

void FormMastering::setInstruction(const std::string &text)
{
    LblInstruction_->setText(qtText(text));
}

void FormMastering::refuse(const std::string &text)
{
    setInstructionColour(Qt::red);
    setInstruction(text);
    refusalShown_ = true;
}

// "Mastering unsuccessful." stays red until the channel is prepared again; the
// refusals we added only last until the next instruction.
void FormMastering::instruct(const std::string &text)
{
    if (refusalShown_) {
        setInstructionColour(palette().color(QPalette::ButtonText));
        refusalShown_ = false;
    }
    setInstruction(text);
}

void FormMastering::setInstructionColour(const QColor &colour)
{
    QPalette p = LblInstruction_->palette();
    p.setColor(QPalette::WindowText, colour);
    LblInstruction_->setPalette(p);
}

} // namespace qmxsrv
