#include "boardinput.h"

#include "device.h"
#include "numbertext.h"

namespace qmxsrv {

void BoardInput::setDefaults(std::int16_t i)
{
    Index = i;
    Description = calls_->name + signedText(i);
    setZeroOffset(0);
    setFullScale(calls_->defaultFullScale);
}

float BoardInput::value(std::int16_t number) { return device_->read(calls_->readValue, number); }

void BoardInput::writeZero(std::int16_t number, float zero)
{
    (device_->*calls_->writeZero)(number, zero);
}

void BoardInput::writeFullScale(std::int16_t number, float boardValue)
{
    (device_->*calls_->writeFullScale)(number, boardValue);
}

float BoardInput::ZeroOffset() { return device_->read(calls_->readZero, Index); }

void BoardInput::setZeroOffset(float vNewValue) { writeZero(Index, vNewValue); }

float BoardInput::FullScale()
{
    return device_->read(calls_->readFullScale, Index) * calls_->fullScaleFactor;
}

void BoardInput::setFullScale(float vNewValue)
{
    writeFullScale(Index, vNewValue / calls_->fullScaleFactor);
}

} // namespace qmxsrv
