// Twips arithmetic of the windows (their design sizes and the stored window
// places are in twips): pure functions, no widgets.
#pragma once

#include <cstdint>

namespace qmxsrv {

constexpr double TwipsPerInch = 1440.0;

// Twips <-> pixels at a screen's logical DPI, rounded halves to even.
// A DPI that is not a positive number counts as 96, the usual logical DPI,
// so a missing screen never divides by zero.
int twipsToPixels(double twips, double dpi);
int pixelsToTwips(double pixels, double dpi);

// Window positions and sizes are stored as 16-bit twips; values beyond that
// range are stored as its nearest end instead of wrapping around.
std::int16_t clampToInt16(int v);

} // namespace qmxsrv
