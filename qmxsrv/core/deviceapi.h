// The device functions the program uses, as an interface: the device link
// library behind it in the program (Qmxcom32Api), a device that talks to
// nothing in the fuzzers (NullDeviceApi), or a test double. Nobody calls a
// DeviceApi directly: the one Device owner does (device.h).
//
// Arguments and results are those of the library's functions of the same
// names (qmxcom32.h), in C++ types; read functions leave their out-value
// alone when the call fails.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qmxsrv {

class MessageBoxes;

class DeviceApi {
public:
    virtual ~DeviceApi() = default;

    virtual std::int32_t QmxCommInit(std::int32_t baseAddress, const std::string &firmwareFile) = 0;
    virtual std::int32_t QmxFirmware(std::string &version) = 0;
    virtual std::int32_t QmxDLL(std::string &version) = 0;

    virtual std::int32_t QmxStartScan() = 0;
    virtual std::int32_t QmxSetScanTime(std::int32_t period) = 0;
    virtual std::int32_t QmxSetAdcAvg(std::int32_t samples) = 0;
    virtual std::int32_t QmxSetRunAvg(std::int32_t samples) = 0;
    virtual std::int32_t QmxResetMM() = 0;

    virtual std::int32_t QmxDefineChannel(std::int32_t channelNo, const std::string &formula) = 0;
    virtual std::int32_t QmxClearChannel(std::int32_t channelNo) = 0;
    virtual std::int32_t QmxReadChannel(std::int32_t channelNo, float &value) = 0;
    virtual std::int32_t QmxSetCzero(std::int32_t channelNo, float value) = 0;
    virtual std::int32_t QmxReadCzero(std::int32_t channelNo, float &value) = 0;
    virtual std::int32_t QmxSetCscale(std::int32_t channelNo, float value) = 0;
    virtual std::int32_t QmxReadCscale(std::int32_t channelNo, float &value) = 0;

    virtual std::int32_t QmxReadLvdt(std::int32_t lvdtNo, float &value) = 0;
    virtual std::int32_t QmxSetTfsv(std::int32_t lvdtNo, float value) = 0;
    virtual std::int32_t QmxReadTfsv(std::int32_t lvdtNo, float &value) = 0;
    virtual std::int32_t QmxSetTzero(std::int32_t lvdtNo, float value) = 0;
    virtual std::int32_t QmxReadTzero(std::int32_t lvdtNo, float &value) = 0;

    virtual std::int32_t QmxReadAnalog(std::int32_t inputNo, float &value) = 0;
    virtual std::int32_t QmxSetAfsv(std::int32_t inputNo, float value) = 0;
    virtual std::int32_t QmxReadAfsv(std::int32_t inputNo, float &value) = 0;
    virtual std::int32_t QmxSetAzero(std::int32_t inputNo, float value) = 0;
    virtual std::int32_t QmxReadAzero(std::int32_t inputNo, float &value) = 0;

    // Sends data as a raw command; reply receives the library's reply buffer
    // (valid until the next call), whatever the result.
    virtual std::int32_t QmxReadDirect(const std::vector<unsigned char> &data,
                                       const unsigned char *&reply) = 0;

    // Where the library's own messages (link errors, demonstration mode,
    // firmware download) are shown; nullptr: standard error.
    virtual void setMessageBoxes(MessageBoxes *boxes) = 0;
};

} // namespace qmxsrv
