// One part as Results > Record Part takes it: every channel that has a
// formula read afresh from the board and judged, ready for the results store.
#pragma once

#include "resultsstore.h"

#include <cstdint>
#include <string>

namespace qmxsrv {

class ProgramState;

// The current time: ISO 8601 UTC with milliseconds ("...T10:11:12.345Z"),
// and the local offset from UTC in minutes.
std::string utcNow(int &offsetMin);

// The part now, for the setup and serial as they stand. Each channel's read
// goes to the board (no device call may be in progress); a failed read, a
// board in demonstration mode, or a formula the board refused, leaves the
// channel without a value and invalid, and so the part. A channel removed by something a read's
// message let run is left out.
PartRow measurePart(ProgramState &state, const std::string &serial);

// What the status bar says of a recorded part: its number and verdict, and
// the first channel that decided it, e.g.
// "Part 17 recorded: reject (Bore diameter -0.0123)".
std::string recordedText(std::int64_t id, const PartRow &part);

} // namespace qmxsrv
