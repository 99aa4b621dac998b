#include "analog.h"

#include "device.h"

namespace qmxsrv {

const analog::Calls analog::boardCalls = {
    &Device::QmxReadAnalog, &Device::QmxReadAzero, &Device::QmxSetAzero,
    &Device::QmxReadAfsv,   &Device::QmxSetAfsv,   1.0f,
    "Analog ",              1.0f,
};

analog::analog(Device &device) : BoardInput(device, boardCalls) {}

} // namespace qmxsrv
