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

namespace {

struct PlaceFields {
    std::int16_t &Top, &Left, &Height, &Width;
    void operator=(const WindowPlace &p)
    {
        Top = p.Top;
        Left = p.Left;
        Height = p.Height;
        Width = p.Width;
    }
};

} // namespace

WindowGeometry group::windows() const
{
    return {{WindowGridTop, WindowGridLeft, WindowGridHeight, WindowGridWidth},
            {WindowBarTop, WindowBarLeft, WindowBarHeight, WindowBarWidth},
            {WindowDialTop, WindowDialLeft, WindowDialHeight, WindowDialWidth}};
}

void group::setWindows(const WindowGeometry &g)
{
    PlaceFields{WindowGridTop, WindowGridLeft, WindowGridHeight, WindowGridWidth} = g.Grid;
    PlaceFields{WindowBarTop, WindowBarLeft, WindowBarHeight, WindowBarWidth} = g.Bar;
    PlaceFields{WindowDialTop, WindowDialLeft, WindowDialHeight, WindowDialWidth} = g.Dial;
}

} // namespace qmxsrv
