#include "analog.h"

#include "device.h"

namespace qmxsrv {

const analog::Calls analog::boardCalls = {
    &Device::QmxReadAnalog, // readValue
    &Device::QmxReadAzero,  // readZero
    &Device::QmxSetAzero,   // writeZero
    &Device::QmxReadAfsv,   // readFullScale
    &Device::QmxSetAfsv,    // writeFullScale
    1.0f,                   // fullScaleFactor
    "Analog ",              // name
    1.0f,                   // defaultFullScale
};

analog::analog(Device &device) : BoardInput(device, boardCalls) {}

} // namespace qmxsrv
