#include "twips.h"

#include "core/numbertext.h"

#include <cmath>
#include <limits>

namespace qmxsrv {

static double usableDpi(double dpi) { return (std::isfinite(dpi) && dpi > 0) ? dpi : 96.0; }

int twipsToPixels(double twips, double dpi)
{
    return roundToInt(twips * usableDpi(dpi) / TwipsPerInch);
}

int pixelsToTwips(double pixels, double dpi)
{
    return roundToInt(pixels * TwipsPerInch / usableDpi(dpi));
}

std::int16_t clampToInt16(int v)
{
    if (v < std::numeric_limits<std::int16_t>::min())
        return std::numeric_limits<std::int16_t>::min();
    if (v > std::numeric_limits<std::int16_t>::max())
        return std::numeric_limits<std::int16_t>::max();
    return std::int16_t(v);
}

} // namespace qmxsrv
