// host.h - what the library needs from its host: somewhere to show a
// message, and a clock in whole seconds. Both can be replaced through
// qmxcom32_host.h.
#pragma once

namespace qmx::host {

// Shows a message and returns when the operator has acknowledged it.
void Show(const char *text);
// Calendar time in whole seconds, for the reply and loader waits.
long Seconds();

} // namespace qmx::host
