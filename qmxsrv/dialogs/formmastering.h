// The mastering dialog: zeroes channels against master 1 (zero mode) or
// calibrates them against one or two masters (master mode), one channel at a
// time, and sends the results to the board through the channel objects.
//
// The main window keeps one FormMastering for the whole run and shows it
// modal after setting MasteringZeroMode: the channel in hand and the readings
// belong to the dialog object and survive closing and reopening.
//
// Live value contract: while MasteringChannel (in state.live) is not 0, each
// scan tick reads that channel, stores the value in MasteringValue and puts
// its text, in the channel's value format, into TextChannelValue
// (showChannelValue). MasteringChannel is not 0 exactly while a channel with a
// formula is prepared in the open dialog.
//
// What it did is told, not kept: calibrating just before a channel's
// calibration is written, calibrated once it is, so that the main window can
// read the channel as it was and as it is and keep the record.
#pragma once

#include <QDialog>

#include <cstdint>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace qmxsrv {

class ProgramState;
class SpinButton;
class channel;

class FormMastering : public QDialog {
    Q_OBJECT
public:
    enum Step : std::int16_t { WaitMaster1 = 1, WaitMaster2 = 2, ChannelDone = 4 };

    // A channel done: how, and the readings it was done from.
    struct Calibration {
        std::int16_t channel = 0;
        bool zeroMode = false;   // Zero > Channel
        bool twoMasters = false; // from two readings
        double reading1 = 0;
        double reading2 = 0; // two masters only
    };

    explicit FormMastering(ProgramState &state, QWidget *parent = nullptr);
    ~FormMastering() override;

    // Whether channel CurrentChannel has a formula.
    bool CheckFormula() const;

    // What the scan tick writes: the live value text of MasteringChannel.
    void showChannelValue(const std::string &text);

    Step step() const { return step_; }

signals:
    void calibrating(std::int16_t channel);
    void calibrated(const qmxsrv::FormMastering::Calibration &done);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void StartMastering();
    void PrepareChannel();
    void ShowChannelSettings();
    void NextChannel();
    void PreviousChannel();
    void MasterStep();
    void takeMaster1(channel &ch, int decimals);
    void takeMaster2(channel &ch, int decimals);
    void stepToChannel(void (FormMastering::*move)());
    int channelCount() const;
    channel *current() const;
    void setInstruction(const std::string &text);
    void setInstructionColour(const QColor &colour);
    void refuse(const std::string &text);
    void instruct(const std::string &text);

    ProgramState &state_;
    std::int16_t CurrentChannel_ = 0; // 0 until the dialog is first opened
    double Reading1_ = 0;
    double Reading2_ = 0;
    std::string actionWord_;
    Step step_ = WaitMaster1;
    // Red shown by one of our own refusals, which the next instruction clears.
    bool refusalShown_ = false;

    QLineEdit *TextMasterChannel_;
    SpinButton *SpinButtonChannel_;
    QLineEdit *TextDescription_;
    QLineEdit *TextMaster1Value_;
    QLineEdit *TextMaster2Value_;
    QLineEdit *TextChannelValue_;
    QPushButton *CommandResetMM_;
    QLineEdit *TxtM1_;
    QLineEdit *TxtM2_;
    QLineEdit *TxtSlope_;
    QLineEdit *TxtIntercept_;
    QLabel *LblInstruction_;
    QPushButton *CommandMaster_;
    QPushButton *CommandDone_;
};

} // namespace qmxsrv
