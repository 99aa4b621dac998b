#include "displaymath.h"

#include <cmath>
#include <limits>

namespace qmxsrv {

int roundHalfEven(double v)
{
    if (std::isnan(v))
        return 0;
    // nearbyint rounds in the default mode, to nearest with halves to even.
    const double r = std::nearbyint(v);
    if (r <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    if (r >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    return int(r);
}

static double usableDpi(double dpi)
{
    return (std::isfinite(dpi) && dpi > 0) ? dpi : 96.0;
}

int twipsToPixels(double twips, double dpi)
{
    return roundHalfEven(twips * usableDpi(dpi) / TwipsPerInch);
}

int pixelsToTwips(double pixels, double dpi)
{
    return roundHalfEven(pixels * TwipsPerInch / usableDpi(dpi));
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
