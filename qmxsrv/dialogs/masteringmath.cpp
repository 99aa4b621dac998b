#include "masteringmath.h"

#include <cmath>

namespace qmxsrv {

static bool boardCarries(double value) { return std::isfinite(static_cast<float>(value)); }

MasteringResult zeroFromOneMaster(double reading1, float zeroOffset, float master1)
{
    MasteringResult r;
    r.newZero = double(master1) - (reading1 - double(zeroOffset));
    if (!boardCarries(r.newZero))
        r.fault = MasteringFault::OutOfRange;
    return r;
}

bool readingsTooClose(double reading1, double reading2)
{
    // Written so that a difference that is not a number counts as too close.
    return !(std::fabs(reading1 - reading2) >= MinReadingDifference);
}

MasteringResult calibrateFromTwoMasters(double reading1, double reading2, float zeroOffset,
                                        float scaling, float master1, float master2)
{
    MasteringResult r;
    if (readingsTooClose(reading1, reading2)) {
        r.fault = MasteringFault::ReadingsTooClose;
        return r;
    }
    if (scaling == 0) {
        r.fault = MasteringFault::ScalingZero;
        return r;
    }
    if (master1 == master2) {
        r.fault = MasteringFault::MastersEqual;
        return r;
    }
    const double z = zeroOffset;
    const double s = scaling;
    const double m1 = master1;
    const double m2 = master2;
    const double raw1 = (reading1 - z) / s;
    const double raw2 = (reading2 - z) / s;
    r.newScale = (m1 - m2) / (raw1 - raw2);
    r.newZero = (m2 * raw1 - m1 * raw2) / (raw1 - raw2);
    if (!boardCarries(r.newScale) || !boardCarries(r.newZero) || r.scaleForBoard() == 0)
        r.fault = MasteringFault::OutOfRange;
    return r;
}

const char *masteringFaultText(MasteringFault fault)
{
    switch (fault) {
    case MasteringFault::None: return "";
    case MasteringFault::ReadingsTooClose: return "Mastering unsuccessful.";
    case MasteringFault::ScalingZero: return "Mastering unsuccessful: the channel's scaling is 0.";
    case MasteringFault::MastersEqual:
        return "Mastering unsuccessful: Master 1 and Master 2 are equal.";
    case MasteringFault::OutOfRange: return "Mastering unsuccessful: the result is out of range.";
    }
    return "";
}

} // namespace qmxsrv
