#include "lvdt.h"

#include "device.h"

namespace qmxsrv {

const lvdt::Calls lvdt::boardCalls = {
    &Device::QmxReadLvdt,  // readValue
    &Device::QmxReadTzero, // readZero
    &Device::QmxSetTzero,  // writeZero
    &Device::QmxReadTfsv,  // readFullScale
    &Device::QmxSetTfsv,   // writeFullScale
    4.0f,                  // fullScaleFactor
    "Lvdt",                // name
    0.02f,                 // defaultFullScale
};

lvdt::lvdt(Device &device) : BoardInput(device, boardCalls) {}

} // namespace qmxsrv
