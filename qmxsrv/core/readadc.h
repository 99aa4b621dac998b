// A raw A/D read through the board's direct command. Nothing in the program
// creates one; it is kept with the other board items for completeness.
#pragma once

#include <cstdint>

namespace qmxsrv {

class Device;

class ReadADC {
public:
    explicit ReadADC(Device &device) : device_(&device) {}

    // Sends QmxReadDirect with one data byte 00; InputNumber is not used.
    // Returns 0.0: the reply is the library's raw buffer, which carries no
    // measurement this object could name.
    float Value(std::int16_t InputNumber);

private:
    Device *device_;
};

} // namespace qmxsrv
