// What a bar of the bar-graph window shows of its item, and how the window
// puts that into a bar gauge. The window, the gallery and the benchmarks
// configure their bars through these, so all of them draw alike.
#pragma once

#include <QString>

#include <cstdint>

namespace qmxsrv {

class BarGauge;
class BoardInput;
class channel;

struct BarItem {
    QString caption; // whole; configureBar shortens it
    float bottom = 0;
    float top = 0;
    std::int16_t decimals = 0;
    float marks[4] = {}; // low tolerance, low approach, high approach, high tolerance
    double markLength = 1;
    double markThickness = 0;
};

// A channel: its bar scale and its four limits, marked 0.85 long and 0.01
// thick.
BarItem channelBar(const channel &c);
// An LVDT or analog input: a scale of -FullScale to FullScale (read from the
// board), the limit marks at its ends, 1 long and 0 thick.
BarItem inputBar(BoardInput &input, std::int16_t decimals);

// A rebuild's settings as one group of changes, drawn once: caption
// (shortened), both copies of the scale's ends, tick spacing, the four
// limit marks, then the pointer mark selected for the scan, and decimals.
void configureBar(BarGauge &bar, const BarItem &item);
// The scan's new value: the value, whether it is a measurement, and the
// pointer mark, drawn once.
void showBarValue(BarGauge &bar, float value, bool measured = true);

} // namespace qmxsrv
