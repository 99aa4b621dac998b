// A named, ordered list of channel numbers shown together. The list may hold
// a channel more than once (the group setup refuses doubles, not the group).
#pragma once

#include "windowgeometry.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qmxsrv {

class group {
public:
    std::int16_t Index = 0; // group number, given by whoever creates the group
    std::string Description;
    // Count is the length of the list; only AddChannel and RemoveChannel
    // change it, so it is read through Count().
    std::int16_t Count() const { return static_cast<std::int16_t>(list_.size() - 1); }
    std::int16_t WindowGridTop = 0, WindowGridLeft = 0, WindowGridHeight = 0, WindowGridWidth = 0;
    std::int16_t WindowBarTop = 0, WindowBarLeft = 0, WindowBarHeight = 0, WindowBarWidth = 0;
    std::int16_t WindowDialTop = 0, WindowDialLeft = 0, WindowDialHeight = 0, WindowDialWidth = 0;

    // Appends a channel number; a list already 32767 long stays as it is.
    void AddChannel(std::int16_t IChn);
    // Removes the entry at 1-based position IGroup; positions outside 1 to
    // Count change nothing.
    void RemoveChannel(std::int16_t IGroup);
    // Number i and "Group  i"; the list and the window fields stay.
    void SetDefaults(std::int16_t i);
    // The channel number at 1-based position i; 0 outside 1 to Count.
    std::int16_t GetChannel(std::int16_t i) const;

    // The twelve window fields as the display windows use them.
    WindowGeometry windows() const;
    void setWindows(const WindowGeometry &geometry);

private:
    std::vector<std::int16_t> list_ = std::vector<std::int16_t>(1); // position 0 unused
};

} // namespace qmxsrv
