// Sample gauges with values in each zone, configured the way the bar-graph
// window configures its bars; shared by the gallery and the paint benchmark.
#pragma once

#include "bargauge.h"
#include "barlayout.h"

#include <iterator>

namespace qmxsrv::samples {

struct Sample {
    const char *description;
    float value;
    bool channel; // limit marks of a channel; else marks at the scale's ends
    float bottom, top;
    float loTol, loAppr, hiAppr, hiTol;
    short decimals;
};

inline const Sample Samples[] = {
    {"Bore diameter A", 0.012f, true, -0.1f, 0.1f, -0.05f, -0.03f, 0.03f, 0.05f, 3},
    {"Bore diameter B", 0.041f, true, -0.1f, 0.1f, -0.05f, -0.03f, 0.03f, 0.05f, 3},
    {"Length", -0.072f, true, -0.1f, 0.1f, -0.05f, -0.03f, 0.03f, 0.05f, 3},
    {"Taper front face", 0.25f, true, -0.1f, 0.1f, -0.05f, -0.03f, 0.03f, 0.05f, 3},
    {"Flatness", 3.4f, true, 0, 10, -1, 0, 5, 8, 1},
    {"LVDT 1", 1.23456f, false, -2, 2, 0, 0, 0, 0, 5},
};

// What the window does to a bar at a rebuild, in the same order.
inline void configure(BarGauge &bar, const Sample &s)
{
    bar.setRedraw(false);
    bar.setLabelInterval(0);
    bar.setCaption(shortCaption(QString::fromUtf8(s.description)));
    bar.setBarOrigin(0);
    bar.setScaleTop(s.top);
    bar.setScaleBottom(s.bottom);
    bar.setMinorTicks(0);
    bar.setRangeBottom(s.bottom);
    bar.setRangeTop(s.top);
    bar.setTickSpacing(tickSpacing(s.top, s.bottom));
    const float channelMarks[] = {s.loTol, s.loAppr, s.hiAppr, s.hiTol};
    const float endMarks[] = {s.bottom, s.bottom, s.top, s.top};
    for (short m = 1; m <= 4; ++m) {
        bar.setSelectedMark(m);
        bar.setMarkPosition(s.channel ? channelMarks[m - 1] : endMarks[m - 1]);
        bar.setMarkLength(s.channel ? 0.85 : 1);
        bar.setMarkThickness(s.channel ? 0.01 : 0);
    }
    bar.setSelectedMark(0);
    bar.setDecimals(s.decimals);
    bar.setRedraw(true);
}

// What a scan tick does to a bar with a new value.
inline void setBarValue(BarGauge &bar, float value)
{
    bar.setRedraw(false);
    bar.setValue(value);
    bar.setMarkPosition(value);
    bar.setRedraw(true);
}

// Sample i, repeating the list for as many bars as asked.
inline const Sample &sample(std::size_t i)
{
    return Samples[i % std::size(Samples)];
}

} // namespace qmxsrv::samples
