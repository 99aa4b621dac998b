// One part as Results > Record Part takes it: every channel that has a
// formula read afresh from the board and judged, ready for the results store.
#pragma once

#include "quality/partrow.h"

#include <optional>
#include <string>

namespace qmxsrv {

class ProgramState;

// The part now, for the setup and serial as they stand. Each channel's read
// goes to the board (no device call may be in progress); a failed read, a
// board in demonstration mode, or a formula the board refused, leaves the
// channel without a value and invalid, and so the part. A channel removed by
// something a read's message let run is left out.
PartRow measurePart(ProgramState &state, const std::string &serial);

// One channel read afresh from the board as measurePart reads it, for a
// gauge study: its value in full, or none with the reason when the read is
// no measurement (no such channel or no formula, a formula the board did
// not take, a failed read, a board in demonstration mode).
std::optional<double> measureChannel(ProgramState &state, int channel, std::string &why);

} // namespace qmxsrv
