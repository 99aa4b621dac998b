// The part serial the operator sets (Results > Part Serial...) and that
// counts on by itself after each recorded part.
#pragma once

#include <string>

namespace qmxsrv {

// Longest serial the operator may set.
constexpr std::size_t MaxPartSerial = 40;

// The serial after serial: trailing digits count up keeping their width
// (A0099 -> A0100); only when they are all nines do they grow by one
// (A999 -> A1000), since wrapping to A000 would repeat a serial. A serial
// without trailing digits (or empty) stays as it is.
std::string nextPartSerial(const std::string &serial);

} // namespace qmxsrv
