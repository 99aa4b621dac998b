// The mastering arithmetic: new calibration values for a channel from the
// readings it gave on master pieces of known size. Qt-free and pure, so that
// every case that could send a wrong number to the board is tested here.
//
// The board shows raw × Scaling + ZeroOffset. One master corrects the zero
// offset only; two masters set both so that the two raw values show the two
// master sizes. Everything is computed in double precision in a fixed order;
// the board takes single precision, so a result is usable only when its
// single-precision form is finite (and, for a scaling, not 0: a scaling of 0
// would make the channel's next two-master calibration impossible).
#pragma once

namespace qmxsrv {

enum class MasteringFault {
    None,
    ReadingsTooClose, // |Reading1 - Reading2| below MinReadingDifference, or not a number
    ScalingZero,      // the present scaling is 0: the raw values cannot be recovered
    MastersEqual,     // Master1 = Master2 would give a scaling of 0
    OutOfRange,       // a result that single precision cannot carry
};

// Two readings closer than this cannot have come from two different masters.
constexpr double MinReadingDifference = 0.00005;

struct MasteringResult {
    MasteringFault fault = MasteringFault::None;
    double newZero = 0;  // as computed; what the dialog shows
    double newScale = 0; // two masters only
    bool ok() const { return fault == MasteringFault::None; }
    // What goes to the board: each result rounded to single precision.
    float zeroForBoard() const { return static_cast<float>(newZero); }
    float scaleForBoard() const { return static_cast<float>(newScale); }
};

// One master: newZero = master1 - (reading1 - zeroOffset).
MasteringResult zeroFromOneMaster(double reading1, float zeroOffset, float master1);

// Readings closer than MinReadingDifference (or not a number apart) cannot
// calibrate; tested before anything is asked of the board.
bool readingsTooClose(double reading1, double reading2);

// Two masters, in this order: raw1 = (reading1 - z) / s, raw2 = (reading2 - z) / s,
// newScale = (m1 - m2) / (raw1 - raw2), newZero = (m2 × raw1 - m1 × raw2) / (raw1 - raw2).
MasteringResult calibrateFromTwoMasters(double reading1, double reading2, float zeroOffset,
                                        float scaling, float master1, float master2);

// The instruction line for a refused calibration ("" for None).
const char *masteringFaultText(MasteringFault fault);

} // namespace qmxsrv
