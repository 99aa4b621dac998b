// Sample gauges with values in each zone, configured the way the bar-graph
// window configures its bars; shared by the gallery and the paint benchmark.
#pragma once

#include "bargauge.h"
#include "baritem.h"

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

// What the window does to a bar at a rebuild.
inline void configure(BarGauge &bar, const Sample &s)
{
    BarItem item;
    item.caption = QString::fromUtf8(s.description);
    item.bottom = s.bottom;
    item.top = s.top;
    item.decimals = s.decimals;
    const float channelMarks[] = {s.loTol, s.loAppr, s.hiAppr, s.hiTol};
    const float endMarks[] = {s.bottom, s.bottom, s.top, s.top};
    for (int m = 0; m < 4; ++m)
        item.marks[m] = s.channel ? channelMarks[m] : endMarks[m];
    item.markLength = s.channel ? 0.85 : 1;
    item.markThickness = s.channel ? 0.01 : 0;
    configureBar(bar, item);
}

// What a scan tick does to a bar with a new value.
inline void setBarValue(BarGauge &bar, float value) { showBarValue(bar, value); }

// Sample i, repeating the list for as many bars as asked.
inline const Sample &sample(std::size_t i) { return Samples[i % std::size(Samples)]; }

} // namespace qmxsrv::samples
