#include "channel.h"

#include "device.h"
#include "messageboxes.h"
#include "numbertext.h"

namespace qmxsrv {

void channel::SetDefaults(std::int16_t i)
{
    Index = i;
    Description = "Channel" + signedText(i);
    setFormula("");
    Decimals = 5;
    Units = "Inch";
    LoTol = -0.01f;
    LoAppr = -0.009f;
    UseTwoMasters = false;
    Master1 = 0;
    Master2 = 0;
    HiTol = 0.01f;
    HiAppr = 0.009f;
    setZeroOffset(0);
    setScaling(1);
    BarDisplayBot = -0.05f;
    BarDisplayTop = 0.05f;
    InUse = false;
}

void channel::setFormula(const std::string &NewFormula)
{
    if (Index == 0) {
        tell(*boxes_, "Index Zero in Formula Property");
        return;
    }
    const std::int32_t status = NewFormula.empty() ? device_->QmxClearChannel(Index)
                                                   : device_->QmxDefineChannel(Index, NewFormula);
    formula_ = NewFormula;
    measures_ = !NewFormula.empty() && status == 0;
}

void channel::SetChannelFormula(std::int16_t ChannelNumber, const std::string &Formula)
{
    device_->QmxDefineChannel(ChannelNumber, Formula);
}

float channel::Value(std::int16_t ChanNumber)
{
    return device_->read(&Device::QmxReadChannel, ChanNumber);
}

float channel::ZeroOffset() { return device_->read(&Device::QmxReadCzero, Index); }

void channel::setZeroOffset(float NewZeroOffset)
{
    if (Index == 0) {
        tell(*boxes_, "Index Zero in ZeroOffset Property");
        return;
    }
    device_->QmxSetCzero(Index, NewZeroOffset);
}

float channel::Scaling() { return device_->read(&Device::QmxReadCscale, Index); }

void channel::setScaling(float NewScaling) { device_->QmxSetCscale(Index, NewScaling); }

} // namespace qmxsrv
