// Where a display window stood, in twips (1/1440 inch). A Height below 1
// means that nothing is stored yet.
#pragma once

#include <cstdint>

namespace qmxsrv {

struct WindowPlace {
    std::int16_t Top = 0;
    std::int16_t Left = 0;
    std::int16_t Height = 0;
    std::int16_t Width = 0;

    bool isStored() const { return Height >= 1; }
    bool operator==(const WindowPlace &o) const
    {
        return Top == o.Top && Left == o.Left && Height == o.Height && Width == o.Width;
    }
};

// The geometry record of one kind of item (channels, LVDTs or analog
// inputs): the numeric window, the bar window, and the dial quadruple that no
// window uses but the setup file carries from load to save.
struct WindowGeometry {
    WindowPlace Grid;
    WindowPlace Bar;
    WindowPlace Dial;

    bool operator==(const WindowGeometry &o) const
    {
        return Grid == o.Grid && Bar == o.Bar && Dial == o.Dial;
    }
};

} // namespace qmxsrv
