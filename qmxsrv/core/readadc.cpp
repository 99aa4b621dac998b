#include "readadc.h"

#include "device.h"

namespace qmxsrv {

float ReadADC::Value(std::int16_t /*InputNumber*/)
{
    const unsigned char *reply = nullptr;
    device_->QmxReadDirect({0x00}, reply);
    return 0.0f;
}

} // namespace qmxsrv
