// An analog input. Unlike the LVDT's, its full scale goes to and from the
// board unchanged.
#pragma once

#include "boardinput.h"

namespace qmxsrv {

class analog : public BoardInput {
public:
    explicit analog(Device &device);

    // Number i, "Analog  i", zero offset 0 and full scale 1.0 programmed on
    // the board: QmxSetAzero(i, 0.0), QmxSetAfsv(i, 1.0).
    void SetDefaults(std::int16_t i) { setDefaults(i); }
    void SetAnalogFullScale(std::int16_t AnalogNumber, float FullScale)
    {
        writeFullScale(AnalogNumber, FullScale);
    }
    void SetAnalogZero(std::int16_t AnalogNumber, float Zero) { writeZero(AnalogNumber, Zero); }
    float Value(std::int16_t AnalogNumber) { return value(AnalogNumber); }

private:
    static const Calls boardCalls;
};

} // namespace qmxsrv
