#include "analog.h"

#include "device.h"
#include "numbertext.h"

namespace qmxsrv {

void analog::SetDefaults(std::int16_t i)
{
    Index = i;
    Description = "Analog " + signedText(i);
    setZeroOffset(0);
    setFullScale(1);
}

void analog::SetAnalogFullScale(std::int16_t AnalogNumber, float FullScale)
{
    device_->QmxSetAfsv(AnalogNumber, FullScale);
}

void analog::SetAnalogZero(std::int16_t AnalogNumber, float Zero)
{
    device_->QmxSetAzero(AnalogNumber, Zero);
}

float analog::Value(std::int16_t AnalogNumber)
{
    return device_->read(&Device::QmxReadAnalog, AnalogNumber);
}

float analog::ZeroOffset() { return device_->read(&Device::QmxReadAzero, Index); }

void analog::setZeroOffset(float vNewValue) { device_->QmxSetAzero(Index, vNewValue); }

float analog::FullScale() { return device_->read(&Device::QmxReadAfsv, Index); }

void analog::setFullScale(float vNewValue) { device_->QmxSetAfsv(Index, vNewValue); }

} // namespace qmxsrv
