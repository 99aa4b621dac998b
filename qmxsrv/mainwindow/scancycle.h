// The scan cycle: what one tick of the main window's 400 ms timer does.
//
// A tick first refreshes the live values that an open mastering or setup
// dialog shows, then, while the display runs (Update on, ScanHold 0), reads
// every item of the display mode from the board and hands each channel whose
// value changed since it was last shown to the DDE item and the display
// windows; in the LVDT and analog modes every value goes to the windows on
// every tick.
//
// The scan reads ProgramState and writes only through Hooks. A hook that is
// not set stands for a window that does not exist: the scan leaves it out.
// The windows and dialogs set their hooks when they are wired into FormMain.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qmxsrv {

class Device;
class ProgramState;

class ScanCycle {
public:
    // What UpdateMainDisplay puts into LastValue, so that the next tick shows
    // every item afresh (a value of exactly this is therefore not shown then).
    static constexpr float NotShown = -9999.0f;
    // LVDT and analog values are always shown with this many decimals.
    static constexpr int InputDecimals = 5;

    struct Hooks {
        // The caption of LabelChan(ch): channel ch's DDE item.
        std::function<void(std::int16_t ch, const std::string &text)> setLabelChan;
        // The View > Numbers and View > Bar Graphs check marks, read afresh for
        // every item.
        std::function<bool()> gridChecked;
        std::function<bool()> barsChecked;
        // FormGridDisplay.SetGridValue(N, NValue) and FormLinGage.SetBarValue(N,
        // BValue); N is the row or bar: the position in the group in mode 1,
        // the item number otherwise.
        std::function<void(std::int16_t N, const std::string &NValue)> SetGridValue;
        std::function<void(std::int16_t N, float BValue)> SetBarValue;
        // TextChannelValue of FormMastering (MasteringChannel's value) and of
        // FormSetupChan (LiveChannel's value).
        std::function<void(const std::string &text)> masteringValue;
        std::function<void(const std::string &text)> channelSetupValue;
        // The LVDT setup's number box TextCurrentLvdt (the LVDT to read while
        // LiveLvdt is not 0) and its value box TextCLvdtValue; the same for
        // the analog setup's TextCurrentAnalog and TextCAnalogValue.
        std::function<std::string()> currentLvdtText;
        std::function<void(const std::string &text)> lvdtSetupValue;
        std::function<std::string()> currentAnalogText;
        std::function<void(const std::string &text)> analogSetupValue;
    };

    explicit ScanCycle(ProgramState &state);

    Hooks hooks;

    // One tick of Timer1. Skipped whole while a device call is in progress
    // (the library is showing a message from inside one). An item that is
    // missing (a number outside its collection, a group position that holds
    // none, a number box without a number) is left out; the tick goes on.
    void tick();

    // UpdateMainDisplay's part: LastValue made anew for the display mode's
    // items, every one at NotShown. Any other mode leaves it as it is.
    void resetLastValues();

private:
    void showMasteringValue();
    void showChannelLiveValue();
    void showInputLiveValue(std::int16_t live, int count,
                            std::int32_t (Device::*read)(std::int32_t, float &),
                            const std::function<std::string()> &numberBox,
                            const std::function<void(const std::string &)> &valueBox);
    void showGroup();
    void showChannels();
    void showInputs(int count, std::int32_t (Device::*read)(std::int32_t, float &));
    // The change test and what a changed channel value goes to.
    void showChannel(std::int16_t ch, std::int16_t position, float value);
    void toWindows(std::int16_t position, const std::string &text, float value);

    ProgramState &state_;
    std::vector<float> LastValue; // by item number; [0] unused
};

} // namespace qmxsrv
