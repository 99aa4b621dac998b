#include "group.h"

#include "numbertext.h"

#include <limits>

namespace qmxsrv {

void group::AddChannel(std::int16_t IChn)
{
    if (Count() == std::numeric_limits<std::int16_t>::max())
        return;
    list_.push_back(IChn);
}

void group::RemoveChannel(std::int16_t IGroup)
{
    if (IGroup < 1 || IGroup > Count())
        return;
    list_.erase(list_.begin() + IGroup);
}

void group::SetDefaults(std::int16_t i)
{
    Index = i;
    Description = "Group " + signedText(i);
}

std::int16_t group::GetChannel(std::int16_t i) const
{
    return i >= 1 && i <= Count() ? list_[static_cast<std::size_t>(i)] : 0;
}

WindowGeometry group::windows() const
{
    return {{WindowGridTop, WindowGridLeft, WindowGridHeight, WindowGridWidth},
            {WindowBarTop, WindowBarLeft, WindowBarHeight, WindowBarWidth},
            {WindowDialTop, WindowDialLeft, WindowDialHeight, WindowDialWidth}};
}

void group::setWindows(const WindowGeometry &g)
{
    WindowGridTop = g.Grid.Top;
    WindowGridLeft = g.Grid.Left;
    WindowGridHeight = g.Grid.Height;
    WindowGridWidth = g.Grid.Width;
    WindowBarTop = g.Bar.Top;
    WindowBarLeft = g.Bar.Left;
    WindowBarHeight = g.Bar.Height;
    WindowBarWidth = g.Bar.Width;
    WindowDialTop = g.Dial.Top;
    WindowDialLeft = g.Dial.Left;
    WindowDialHeight = g.Dial.Height;
    WindowDialWidth = g.Dial.Width;
}

} // namespace qmxsrv
