// What an LVDT probe and an analog input have in common: a number on the
// board, a description, and a zero offset and full-scale value that live on
// the board only, so that their properties talk to the board on every access.
// The two differ in their board functions and in the LVDT's factor 4.
#pragma once

#include <cstdint>
#include <string>

namespace qmxsrv {

class Device;

class BoardInput {
public:
    std::int16_t Index = 0; // the item's number on the board
    std::string Description;

    // Board reads start from 0.0: a failed call gives 0.0.
    float ZeroOffset();
    void setZeroOffset(float vNewValue);
    float FullScale();
    void setFullScale(float vNewValue);

protected:
    using Read = std::int32_t (Device::*)(std::int32_t, float &);
    using Write = std::int32_t (Device::*)(std::int32_t, float);
    struct Calls {
        Read readValue;
        Read readZero;
        Write writeZero;
        Read readFullScale;
        Write writeFullScale;
        float fullScaleFactor; // property value = board value x factor
        const char *name;      // the description's word
        float defaultFullScale;
    };

    BoardInput(Device &device, const Calls &calls) : device_(&device), calls_(&calls) {}

    // Number i, its default description, zero offset 0 and the default full
    // scale, both programmed on the board, zero first.
    void setDefaults(std::int16_t i);
    float value(std::int16_t number);
    void writeZero(std::int16_t number, float zero);
    void writeFullScale(std::int16_t number, float boardValue);

private:
    Device *device_;
    const Calls *calls_;
};

} // namespace qmxsrv
