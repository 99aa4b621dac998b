#include "baritem.h"

#include "bargauge.h"
#include "barlayout.h"

#include "core/boardinput.h"
#include "core/channel.h"
#include "platform/qttext.h"

namespace qmxsrv {

BarItem channelBar(const channel &c)
{
    BarItem item;
    item.caption = qtText(c.Description);
    item.bottom = c.BarDisplayBot;
    item.top = c.BarDisplayTop;
    item.decimals = c.Decimals;
    item.marks[0] = c.LoTol;
    item.marks[1] = c.LoAppr;
    item.marks[2] = c.HiAppr;
    item.marks[3] = c.HiTol;
    item.markLength = 0.85;
    item.markThickness = 0.01;
    return item;
}

BarItem inputBar(BoardInput &input, std::int16_t decimals)
{
    BarItem item;
    item.caption = qtText(input.Description);
    item.top = input.FullScale();
    item.bottom = -item.top;
    item.decimals = decimals;
    item.marks[0] = item.marks[1] = item.bottom;
    item.marks[2] = item.marks[3] = item.top;
    return item;
}

void configureBar(BarGauge &b, const BarItem &item)
{
    b.setRedraw(false);
    b.setLabelInterval(0);
    b.setCaption(shortCaption(item.caption));
    b.setBarOrigin(0);
    b.setScaleTop(item.top);
    b.setScaleBottom(item.bottom);
    b.setMinorTicks(0);
    b.setRangeBottom(item.bottom);
    b.setRangeTop(item.top);
    b.setTickSpacing(tickSpacing(item.top, item.bottom));
    for (std::int16_t m = 1; m <= 4; ++m) {
        b.setSelectedMark(m);
        b.setMarkPosition(item.marks[m - 1]);
        b.setMarkLength(item.markLength);
        b.setMarkThickness(item.markThickness);
    }
    b.setSelectedMark(0);
    b.setDecimals(item.decimals);
    b.setRedraw(true);
}

void showBarValue(BarGauge &b, float value, bool measured)
{
    b.setRedraw(false);
    b.setValue(value);
    b.setMeasured(measured);
    b.setMarkPosition(value); // the pointer mark, left selected by the rebuild
    b.setRedraw(true);
}

} // namespace qmxsrv
