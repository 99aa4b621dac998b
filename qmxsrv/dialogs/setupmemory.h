// What the setup dialogs remember between openings, for the whole run: the
// main window keeps one SetupDialogsMemory and hands each dialog its part.
// The dialogs themselves are made afresh for every opening, so their controls
// start as designed each time, as a dialog being loaded does.
#pragma once

#include <cstdint>

namespace qmxsrv {

struct ChannelSetupMemory {
    std::int16_t CurrentChannel = 0; // 0 until the dialog is first opened
    std::int16_t ChanShowValue = 0;  // "Show Current Value", 0 or 1
    std::int16_t ChanAutoInc = 0;    // "Increment after Program Channel", 0 or 1
};

struct LvdtSetupMemory {
    std::int16_t CurrentLvdt = 0;
    std::int16_t LvdtShowValue = 0;
    std::int16_t LvdtAutoInc = 0;
};

// The analog dialog keeps only its input: its check boxes start unchecked.
struct AnalogSetupMemory {
    std::int16_t CurrentAnalog = 0;
};

struct SetupDialogsMemory {
    ChannelSetupMemory channel;
    LvdtSetupMemory lvdt;
    AnalogSetupMemory analog;
};

} // namespace qmxsrv
