// control_commands.h - the control socket's one-line commands.
#pragma once

#include "qmxboard.h"

#include <string>

namespace qmxboard {

// "ok", "ok VALUE" for get, or "error: WHY".
std::string runControlCommand(Control &control, const std::string &line);

} // namespace qmxboard
