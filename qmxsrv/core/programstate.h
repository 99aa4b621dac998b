// The program state: everything the program shares between its windows.
//
// Who owns what:
// - main() owns one ProgramState for the whole run, together with the Device
//   owner (device.h) and the MessageBoxes service it is built on, and hands
//   the state by reference to the main window, which hands it on to each
//   display and dialog. There are no globals: anything program-wide is here.
// - ProgramState owns the settings (read from qmxsrv.ini at start, written at
//   exit), the four collections and their objects, the main window's view
//   state, the three window geometry records and the live-value links.
// - The collections own their objects. Objects keep a pointer to the Device
//   owner (calibration properties talk to the board on every access) and the
//   channel one to the message boxes (its two "Index Zero" messages). Only
//   the collection operations (setupoperations.h) create channel, lvdt and
//   analog objects, so position i always holds number i.
// - The board keeps the zero offsets, scalings and full-scale values; nothing
//   here caches them.
// - Every board call goes through the Device owner; the scan tick skips
//   itself while device().callInProgress().
// - Texts are 8-bit byte strings as the stored files and the board carry
//   them; the Qt rooms convert with QString::fromLatin1 / toLatin1.
//
// Everything runs on the program's one thread; nothing is locked.
#pragma once

#include "analog.h"
#include "channel.h"
#include "collection.h"
#include "group.h"
#include "lvdt.h"
#include "messageboxes.h"
#include "settings.h"
#include "windowgeometry.h"

#include <cstdint>
#include <string>
#include <utility>

namespace qmxsrv {

class Device;

// The main window's view state, read by the scan tick and the displays.
struct ViewState {
    enum : std::int16_t { ShowGroup = 1, ShowChannels = 2, ShowLVDTs = 3, ShowAnalogs = 4 };
    std::int16_t DisplayMode = ShowLVDTs;
    std::int16_t ScanHold = 0;     // dialogs that must not run beside the display part raise it
    bool UpdateEnabled = true;     // View > Update; off during NewSetup and a setup load
    std::int16_t CurrentGroup = 0; // 1-based position in Groups, 0 until one is chosen
    bool SetupModified = false;
    std::int16_t DDELinkCount = 0; // open live-value conversations
    std::string SetupFileName;
    bool MasteringZeroMode = false;

    // The display part of a tick runs only when this is true.
    bool displayRuns() const { return UpdateEnabled && ScanHold == 0; }
    // ScanHold and DDELinkCount never go below 0.
    void releaseScanHold()
    {
        if (ScanHold > 0)
            --ScanHold;
    }
    void ddeLinkOpened() { ++DDELinkCount; }
    void ddeLinkClosed()
    {
        if (DDELinkCount > 0)
            --DDELinkCount;
    }
};

// What the open dialogs want read on every tick; 0 means none.
struct LiveLinks {
    std::int16_t MasteringChannel = 0;
    double MasteringValue = 0; // the latest value of MasteringChannel
    std::int16_t LiveChannel = 0;
    std::int16_t LiveLvdt = 0;   // not 0 while the LVDT setup shows a live value
    std::int16_t LiveAnalog = 0; // not 0 while the analog setup shows a live value
};

class ProgramState {
public:
    ProgramState(Device &device, MessageBoxes &boxes, Settings settings)
        : settings(std::move(settings)), device_(device), boxes_(boxes)
    {
    }
    ProgramState(const ProgramState &) = delete;
    ProgramState &operator=(const ProgramState &) = delete;

    Device &device() { return device_; }
    MessageBoxes &boxes() { return redirect_ ? *redirect_ : boxes_; }
    // While set, messages go to to instead of the operator (a command from
    // another program must never wait on a box); null puts them back.
    void redirectBoxes(MessageBoxes *to) { redirect_ = to; }
    // boxes() as it is at each message: for a service that is handed its
    // boxes once (the device library's handler) and must follow the redirect.
    MessageBoxes &followingBoxes() { return following_; }

    Settings settings;
    Collection<channel> Channels;
    Collection<lvdt> LVDTs;
    Collection<analog> Analogs;
    Collection<group> Groups;

    ViewState view;
    WindowGeometry ChannelWindows; // [ChannelGridWindow], [ChannelBarWindow], [ChannelDialWindow]
    WindowGeometry LvdtWindows;
    WindowGeometry AnalogWindows;
    LiveLinks live;

private:
    class Following : public MessageBoxes {
    public:
        explicit Following(ProgramState &state) : state_(state) {}
        Answer show(const std::string &text, const std::string &title, Buttons buttons,
                    Icon icon) override
        {
            return state_.boxes().show(text, title, buttons, icon);
        }
        void beep() override { state_.boxes().beep(); }

    private:
        ProgramState &state_;
    };

    Device &device_;
    MessageBoxes &boxes_;
    MessageBoxes *redirect_ = nullptr;
    Following following_{*this};
};

} // namespace qmxsrv
