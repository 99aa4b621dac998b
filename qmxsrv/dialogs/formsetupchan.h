// FormSetupChan, "Channel Setup": one computed channel at a time. The edits
// stay in the dialog until "Program Channel" writes them into the channel,
// which sends its formula, scaling and zero to the board.
#pragma once

#include "dialogs/setupdialog.h"

#include <array>
#include <cstdint>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace qmxsrv {

class ProgramState;
class SpinButton;
class channel;
struct ChannelSetupMemory;

class FormSetupChan : public SetupDialog {
    Q_OBJECT
public:
    // Made afresh for each opening; memory is the main window's and keeps
    // the current channel and the two switches for the whole run.
    FormSetupChan(ProgramState &state, ChannelSetupMemory &memory, QWidget *parent = nullptr);
    ~FormSetupChan() override;

    // The main window, before it opens the dialog for a picked item.
    void SetCurrentChannel(std::int16_t channel);

    // Where the scan cycle writes the live value of state.live.LiveChannel.
    QLineEdit *TextChannelValue() const { return channelValue_; }

protected:
    void activated() override;
    bool mayClose() override;

private:
    // The value fields in the order ShowChannel fills them.
    enum Value { Master1, Master2, Scaling, Zero, HiTol, HiAppr, LoAppr, LoTol, BarTop, BarBot };

    void buildWidgets();
    void ShowChannel();
    bool ProgramChannel();
    bool ConfirmChanges();
    void step(std::int16_t (*move)(std::int16_t, int));
    void programClicked();
    void showCurrentValueClicked();
    void stepDecimals(int by);
    channel *current();

    ProgramState &state_;
    ChannelSetupMemory &memory_;
    bool modified_ = false;

    QLineEdit *currentChannel_;
    QLineEdit *description_;
    QLineEdit *formula_;
    QLineEdit *decimals_;
    SpinButton *decimalsSpin_;
    std::array<QLineEdit *, 10> values_;
    QCheckBox *useTwoMasters_;
    QLineEdit *channelValue_;
    QCheckBox *showCurrentValue_;
    QCheckBox *autoInc_;
    SpinButton *channelSpin_;
    QPushButton *done_;
};

} // namespace qmxsrv
