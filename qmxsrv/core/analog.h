// An analog input. Its zero offset and full-scale value live on the board
// only; unlike the LVDT's, its full scale goes to the board unchanged.
#pragma once

#include <cstdint>
#include <string>

namespace qmxsrv {

class Device;

class analog {
public:
    explicit analog(Device &device) : device_(&device) {}

    std::int16_t Index = 0; // input number on the board
    std::string Description;

    // Number i, "Analog  i", zero offset 0 and full scale 1.0 programmed on
    // the board: QmxSetAzero(i, 0.0), QmxSetAfsv(i, 1.0).
    void SetDefaults(std::int16_t i);
    void SetAnalogFullScale(std::int16_t AnalogNumber, float FullScale);
    void SetAnalogZero(std::int16_t AnalogNumber, float Zero);

    // Board reads start from 0.0: a failed call gives 0.0.
    float Value(std::int16_t AnalogNumber);
    float ZeroOffset();
    void setZeroOffset(float vNewValue);
    float FullScale();
    void setFullScale(float vNewValue);

private:
    Device *device_;
};

} // namespace qmxsrv
