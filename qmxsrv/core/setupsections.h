// The nine window sections of the setup file, in file order, shared by the
// writer and the loader.
#pragma once

#include "programstate.h"
#include "windowgeometry.h"

namespace qmxsrv {

struct WindowSection {
    const char *header;
    WindowGeometry ProgramState::*record;
    WindowPlace WindowGeometry::*place;
};

inline constexpr WindowSection windowSections[] = {
    {"[ChannelGridWindow]", &ProgramState::ChannelWindows, &WindowGeometry::Grid},
    {"[ChannelBarWindow]", &ProgramState::ChannelWindows, &WindowGeometry::Bar},
    {"[ChannelDialWindow]", &ProgramState::ChannelWindows, &WindowGeometry::Dial},
    {"[LvdtGridWindow]", &ProgramState::LvdtWindows, &WindowGeometry::Grid},
    {"[LvdtBarWindow]", &ProgramState::LvdtWindows, &WindowGeometry::Bar},
    {"[LvdtDialWindow]", &ProgramState::LvdtWindows, &WindowGeometry::Dial},
    {"[AnalogGridWindow]", &ProgramState::AnalogWindows, &WindowGeometry::Grid},
    {"[AnalogBarWindow]", &ProgramState::AnalogWindows, &WindowGeometry::Bar},
    {"[AnalogDialWindow]", &ProgramState::AnalogWindows, &WindowGeometry::Dial},
};

} // namespace qmxsrv
