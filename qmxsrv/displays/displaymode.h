// What the display windows show in the current display mode, and where each
// kind of display window stood for it. Shared by the bar-graph window and the
// numeric window; no widgets.
//
// Display mode 1 shows the channels of group CurrentGroup, 2 every channel,
// 3 every LVDT, 4 every analog input. A CurrentGroup that names no group
// (0 before one was chosen, or groups deleted since) shows no items, and so
// does any other mode.
#pragma once

#include "core/windowgeometry.h"

#include <cstdint>
#include <optional>
#include <string>

namespace qmxsrv {

class BoardInput;
class ProgramState;
class channel;
class group;

// The group of display mode 1; null when CurrentGroup names no group.
const group *currentGroup(const ProgramState &state);

// How many items the current mode shows: the current group's Count,
// MaxChannel, MaxLVDT or MaxAnalog; 0 without a group or in another mode.
std::int16_t displayItemCount(const ProgramState &state);

// The item at 1-based position i of what is shown: a channel in modes 1 and
// 2 (in mode 1 the channel the group holds at i), an LVDT or analog input in
// modes 3 and 4. Null when the mode shows no such item or its collection
// lacks it (a group may name a channel that is gone).
const channel *displayedChannel(const ProgramState &state, int i);
BoardInput *displayedInput(ProgramState &state, int i);

// The description of item i; empty when there is no such item.
std::string displayedDescription(const ProgramState &state, int i);

// Which window's quadruple of a geometry record: &WindowGeometry::Bar or
// &WindowGeometry::Grid.
using WindowKind = WindowPlace WindowGeometry::*;

// The place stored for this kind of window in the current mode: the current
// group's fields in mode 1, the channel, LVDT or analog record in modes 2, 3
// and 4. Nothing in group mode without a group, or in another mode.
std::optional<WindowPlace> storedPlace(const ProgramState &state, WindowKind kind);
// Stores it there; does nothing where storedPlace has nothing. The setup is
// not marked as modified: a window's place is no change of the setup.
void storePlace(ProgramState &state, WindowKind kind, const WindowPlace &place);

} // namespace qmxsrv
