// An LVDT probe. The board keeps a quarter of its full scale: the FullScale
// property reads the board's value times 4 and writes the value divided by 4.
#pragma once

#include "boardinput.h"

namespace qmxsrv {

class lvdt : public BoardInput {
public:
    explicit lvdt(Device &device);

    // Number i, "Lvdt i", zero offset 0 and full scale 0.02 programmed on the
    // board: QmxSetTzero(i, 0.0), QmxSetTfsv(i, 0.005).
    void SetDefaults(std::int16_t i) { setDefaults(i); }
    // Unscaled: the board gets FullScale as it stands.
    void SetLVDTFullScale(std::int16_t LVDTNumber, float FullScale)
    {
        writeFullScale(LVDTNumber, FullScale);
    }
    void SetLVDTZero(std::int16_t LVDTNumber, float Zero) { writeZero(LVDTNumber, Zero); }
    float Value(std::int16_t LVDTNumber) { return value(LVDTNumber); }

private:
    static const Calls boardCalls;
};

} // namespace qmxsrv
