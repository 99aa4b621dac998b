#include "lvdt.h"

#include "device.h"
#include "numbertext.h"

namespace qmxsrv {

void lvdt::SetDefaults(std::int16_t i)
{
    Index = i;
    Description = "Lvdt" + signedText(i);
    setZeroOffset(0);
    setFullScale(0.02f);
}

void lvdt::SetLVDTFullScale(std::int16_t LVDTNumber, float FullScale)
{
    device_->QmxSetTfsv(LVDTNumber, FullScale);
}

void lvdt::SetLVDTZero(std::int16_t LVDTNumber, float Zero) { device_->QmxSetTzero(LVDTNumber, Zero); }

float lvdt::Value(std::int16_t LVDTNumber) { return device_->read(&Device::QmxReadLvdt, LVDTNumber); }

float lvdt::ZeroOffset() { return device_->read(&Device::QmxReadTzero, Index); }

void lvdt::setZeroOffset(float vNewValue) { device_->QmxSetTzero(Index, vNewValue); }

float lvdt::FullScale() { return device_->read(&Device::QmxReadTfsv, Index) * 4; }

void lvdt::setFullScale(float vNewValue) { device_->QmxSetTfsv(Index, vNewValue / 4); }

} // namespace qmxsrv
