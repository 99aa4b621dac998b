// An LVDT probe. Its zero offset and full-scale value live on the board only.
#pragma once

#include <cstdint>
#include <string>

namespace qmxsrv {

class Device;

class lvdt {
public:
    explicit lvdt(Device &device) : device_(&device) {}

    std::int16_t Index = 0; // probe number on the board
    std::string Description;

    // Number i, "Lvdt i", zero offset 0 and full scale 0.02 programmed on the
    // board: QmxSetTzero(i, 0.0), QmxSetTfsv(i, 0.005).
    void SetDefaults(std::int16_t i);
    // Unscaled: the board gets FullScale as it stands.
    void SetLVDTFullScale(std::int16_t LVDTNumber, float FullScale);
    void SetLVDTZero(std::int16_t LVDTNumber, float Zero);

    // Board reads start from 0.0: a failed call gives 0.0.
    float Value(std::int16_t LVDTNumber);
    float ZeroOffset();
    void setZeroOffset(float vNewValue);
    // The board keeps a quarter of the full scale: the property reads the
    // board's value times 4 and writes the value divided by 4.
    float FullScale();
    void setFullScale(float vNewValue);

private:
    Device *device_;
};

} // namespace qmxsrv
