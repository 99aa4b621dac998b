// A recorded part as data: its measurements as they were judged, what the
// results store keeps, the exports write and the charts and statistics
// read. Made by the station from the board (mainwindow/partrecord.h).
#pragma once

#include "core/verdict.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qmxsrv {

struct MeasurementRow {
    int channel = 0;
    std::string description;
    std::optional<double> value; // none when the read failed
    std::string text;            // as the main window shows it
    std::string units;
    double loTol = 0, loAppr = 0, hiAppr = 0, hiTol = 0;
    Verdict verdict = Verdict::Invalid;
};

struct PartRow {
    std::int64_t id = 0;
    std::string recordedUtc; // ISO 8601 with milliseconds, "Z"
    int utcOffsetMin = 0;
    std::string setup;
    std::string serial;
    Verdict verdict = Verdict::Invalid;
    std::vector<MeasurementRow> measurements;
    std::string operatorName; // who was working (Results > Operator...)
    // The channels whose mastering was due when it was measured ("1 3").
    std::string masteringDue;
};

// The current time: ISO 8601 UTC with milliseconds ("...T10:11:12.345Z"),
// and the local offset from UTC in minutes.
std::string utcNow(int &offsetMin);

// What the status bar says of a recorded part: its number and verdict, and
// the first channel that decided it, e.g.
// "Part 17 recorded: reject (Bore diameter -0.0123)".
std::string recordedText(std::int64_t id, const PartRow &part);

} // namespace qmxsrv
