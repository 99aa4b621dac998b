// The scan cycle: what one tick of the main window's 400 ms timer does.
//
// A tick first refreshes the live values that an open mastering or setup
// dialog shows, then, while the display runs (Update on, ScanHold 0), reads
// every item of the display mode from the board and hands each channel whose
// value changed since it was last shown to the DDE item and the display
// windows; in the LVDT and analog modes every value goes to the windows on
// every tick. A channel whose read starts or stops being trustworthy (a
// failed read, a board in demonstration mode) counts as changed too.
//
// The scan reads ProgramState and writes only through its signals. A window
// connects with itself as the receiver, so the connection ends when the
// window does. A setup dialog's live value that nobody is connected for is
// not read from the board.
#pragma once

#include "service/channelreading.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qmxsrv {

class Device;
class ProgramState;

class ScanCycle : public QObject {
    Q_OBJECT
public:
    // What UpdateMainDisplay puts into LastValue, so that the next tick shows
    // every item afresh (a value of exactly this is therefore not shown then).
    static constexpr float NotShown = -9999.0f;
    // LVDT and analog values are always shown with this many decimals.
    static constexpr int InputDecimals = 5;

    // The live value text of the input that a setup dialog's number box
    // names; none when the box names no input.
    using InputReader = std::function<std::optional<std::string>(const std::string &numberBox)>;

    explicit ScanCycle(ProgramState &state, QObject *parent = nullptr);

    // One tick of Timer1. Skipped whole while a device call is in progress
    // (the library is showing a message from inside one); ticked() comes at
    // its end all the same. An item that is
    // missing (a number outside its collection, a group position that holds
    // none, a number box without a number) is left out; the tick goes on.
    void tick();

    // UpdateMainDisplay's part: LastValue made anew for the display mode's
    // items, every one at NotShown. Any other mode leaves it as it is.
    void resetLastValues();

    // The reading behind channel ch's last labelChanValue: how the DDE item's
    // text was read and judged. Invalid before the first.
    ChannelReading lastReading(int ch) const;

signals:
    // At the end of every tick, also of one that had nothing to show.
    void ticked();
    // The caption of LabelChan(ch): channel ch's DDE item.
    void labelChanValue(std::int16_t ch, const std::string &text);
    // For FormGridDisplay.SetGridValue(N, NValue) and FormLinGage.SetBarValue(N,
    // BValue); N is the row or bar: the position in the group in mode 1, the
    // item number otherwise.
    void gridValue(std::int16_t N, const std::string &NValue);
    // measured: false when the value is no measurement (a failed read, a
    // demonstrating board, a channel whose formula the board refused).
    void barValue(std::int16_t N, float BValue, bool measured);
    // TextChannelValue of FormMastering (MasteringChannel's value) and of
    // FormSetupChan (LiveChannel's value).
    void masteringValue(const std::string &text);
    void channelSetupValue(const std::string &text);
    // While LiveLvdt (LiveAnalog) is not 0: the LVDT (analog) setup reads its
    // number box TextCurrentLvdt (TextCurrentAnalog) through read and shows
    // what it gives in TextCLvdtValue (TextCAnalogValue).
    void lvdtSetupTick(const ScanCycle::InputReader &read);
    void analogSetupTick(const ScanCycle::InputReader &read);

private:
    void show();
    void showMasteringValue();
    void showChannelLiveValue();
    void showInputLiveValue(std::int16_t live, int count,
                            std::int32_t (Device::*read)(std::int32_t, float &),
                            void (ScanCycle::*tick)(const InputReader &));
    void showGroup();
    void showChannels();
    void showInputs(int count, std::int32_t (Device::*read)(std::int32_t, float &));
    // The change test and what a changed channel value goes to.
    void showChannel(std::int16_t ch, std::int16_t position);
    void toWindows(std::int16_t position, const std::string &text, float value, bool measured);

    ProgramState &state_;
    std::vector<float> LastValue;          // by item number; [0] unused
    std::vector<char> LastTrusted;         // beside LastValue: was its read trusted
    std::vector<ChannelReading> readings_; // by channel; [0] unused
};

} // namespace qmxsrv
