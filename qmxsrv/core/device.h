// The one owner of the device library's calls.
//
// The library is not re-entrant, and a call can take a long time and even run
// an event loop: a link-error box shown from inside a call lets the 400 ms
// timer fire while the call is still in progress. Every board call of the
// program therefore goes through this object, which knows when one is under
// way. The scan tick asks callInProgress() and skips the whole tick while it
// is true; a call that arrives anyway (from any handler run by that nested
// event loop) is refused with -1, the library's "nothing was sent", and never
// reaches the library.
#pragma once

#include "deviceapi.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace qmxsrv {

class Device {
public:
    explicit Device(DeviceApi &api) : api_(api) {}
    Device(const Device &) = delete;
    Device &operator=(const Device &) = delete;

    bool callInProgress() const { return inCall_; }
    // Calls refused because another was in progress.
    long refusedCalls() const { return refused_; }

    void setMessageBoxes(MessageBoxes *boxes) { api_.setMessageBoxes(boxes); }

    std::int32_t QmxCommInit(std::int32_t baseAddress, const std::string &firmwareFile)
    {
        return call(&DeviceApi::QmxCommInit, baseAddress, firmwareFile);
    }
    std::int32_t QmxFirmware(std::string &version)
    {
        return call(&DeviceApi::QmxFirmware, version);
    }
    std::int32_t QmxDLL(std::string &version) { return call(&DeviceApi::QmxDLL, version); }

    std::int32_t QmxStartScan() { return call(&DeviceApi::QmxStartScan); }
    std::int32_t QmxSetScanTime(std::int32_t period)
    {
        return call(&DeviceApi::QmxSetScanTime, period);
    }
    std::int32_t QmxSetAdcAvg(std::int32_t samples)
    {
        return call(&DeviceApi::QmxSetAdcAvg, samples);
    }
    std::int32_t QmxSetRunAvg(std::int32_t samples)
    {
        return call(&DeviceApi::QmxSetRunAvg, samples);
    }
    std::int32_t QmxResetMM() { return call(&DeviceApi::QmxResetMM); }

    std::int32_t QmxDefineChannel(std::int32_t channelNo, const std::string &formula)
    {
        return call(&DeviceApi::QmxDefineChannel, channelNo, formula);
    }
    std::int32_t QmxClearChannel(std::int32_t channelNo)
    {
        return call(&DeviceApi::QmxClearChannel, channelNo);
    }
    std::int32_t QmxReadChannel(std::int32_t channelNo, float &value)
    {
        return call(&DeviceApi::QmxReadChannel, channelNo, value);
    }
    std::int32_t QmxSetCzero(std::int32_t channelNo, float value)
    {
        return call(&DeviceApi::QmxSetCzero, channelNo, value);
    }
    std::int32_t QmxReadCzero(std::int32_t channelNo, float &value)
    {
        return call(&DeviceApi::QmxReadCzero, channelNo, value);
    }
    std::int32_t QmxSetCscale(std::int32_t channelNo, float value)
    {
        return call(&DeviceApi::QmxSetCscale, channelNo, value);
    }
    std::int32_t QmxReadCscale(std::int32_t channelNo, float &value)
    {
        return call(&DeviceApi::QmxReadCscale, channelNo, value);
    }

    std::int32_t QmxReadLvdt(std::int32_t lvdtNo, float &value)
    {
        return call(&DeviceApi::QmxReadLvdt, lvdtNo, value);
    }
    std::int32_t QmxSetTfsv(std::int32_t lvdtNo, float value)
    {
        return call(&DeviceApi::QmxSetTfsv, lvdtNo, value);
    }
    std::int32_t QmxReadTfsv(std::int32_t lvdtNo, float &value)
    {
        return call(&DeviceApi::QmxReadTfsv, lvdtNo, value);
    }
    std::int32_t QmxSetTzero(std::int32_t lvdtNo, float value)
    {
        return call(&DeviceApi::QmxSetTzero, lvdtNo, value);
    }
    std::int32_t QmxReadTzero(std::int32_t lvdtNo, float &value)
    {
        return call(&DeviceApi::QmxReadTzero, lvdtNo, value);
    }

    std::int32_t QmxReadAnalog(std::int32_t inputNo, float &value)
    {
        return call(&DeviceApi::QmxReadAnalog, inputNo, value);
    }
    std::int32_t QmxSetAfsv(std::int32_t inputNo, float value)
    {
        return call(&DeviceApi::QmxSetAfsv, inputNo, value);
    }
    std::int32_t QmxReadAfsv(std::int32_t inputNo, float &value)
    {
        return call(&DeviceApi::QmxReadAfsv, inputNo, value);
    }
    std::int32_t QmxSetAzero(std::int32_t inputNo, float value)
    {
        return call(&DeviceApi::QmxSetAzero, inputNo, value);
    }
    std::int32_t QmxReadAzero(std::int32_t inputNo, float &value)
    {
        return call(&DeviceApi::QmxReadAzero, inputNo, value);
    }

    std::int32_t QmxReadDirect(const std::vector<unsigned char> &data, const unsigned char *&reply)
    {
        return call(&DeviceApi::QmxReadDirect, data, reply);
    }

    // A board read that starts from 0.0, so that a failed call gives 0.0:
    // device.read(&Device::QmxReadCzero, 3).
    float read(std::int32_t (Device::*fn)(std::int32_t, float &), std::int32_t number)
    {
        float value = 0;
        (this->*fn)(number, value);
        return value;
    }

private:
    template <typename... Params, typename... Args>
    std::int32_t call(std::int32_t (DeviceApi::*fn)(Params...), Args &&...args)
    {
        if (inCall_) {
            ++refused_;
            return -1;
        }
        inCall_ = true;
        struct Reset {
            bool &flag;
            ~Reset() { flag = false; }
        } reset{inCall_};
        return (api_.*fn)(std::forward<Args>(args)...);
    }

    DeviceApi &api_;
    bool inCall_ = false;
    long refused_ = 0;
};

} // namespace qmxsrv
