#include "lvdt.h"

#include "device.h"

namespace qmxsrv {

const lvdt::Calls lvdt::boardCalls = {
    &Device::QmxReadLvdt, &Device::QmxReadTzero, &Device::QmxSetTzero,
    &Device::QmxReadTfsv, &Device::QmxSetTfsv,   4.0f,
    "Lvdt",               0.02f,
};

lvdt::lvdt(Device &device) : BoardInput(device, boardCalls) {}

} // namespace qmxsrv
