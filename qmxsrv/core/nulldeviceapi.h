// A device that talks to nothing: every call succeeds at once, reads leave
// their out-values alone, versions are empty. For fuzzing the loaders and
// for anything else that must never wait on the library's time-outs.
// Tests derive from it to script one call.
#pragma once

#include "deviceapi.h"

#include <array>

namespace qmxsrv {

class NullDeviceApi : public DeviceApi {
public:
    std::int32_t QmxCommInit(std::int32_t, const std::string &) override { return 0; }
    std::int32_t QmxFirmware(std::string &version) override { return empty(version); }
    std::int32_t QmxDLL(std::string &version) override { return empty(version); }

    std::int32_t QmxStartScan() override { return 0; }
    std::int32_t QmxSetScanTime(std::int32_t) override { return 0; }
    std::int32_t QmxSetAdcAvg(std::int32_t) override { return 0; }
    std::int32_t QmxSetRunAvg(std::int32_t) override { return 0; }
    std::int32_t QmxResetMM() override { return 0; }

    std::int32_t QmxDefineChannel(std::int32_t, const std::string &) override { return 0; }
    std::int32_t QmxClearChannel(std::int32_t) override { return 0; }
    std::int32_t QmxReadChannel(std::int32_t, float &) override { return 0; }
    std::int32_t QmxSetCzero(std::int32_t, float) override { return 0; }
    std::int32_t QmxReadCzero(std::int32_t, float &) override { return 0; }
    std::int32_t QmxSetCscale(std::int32_t, float) override { return 0; }
    std::int32_t QmxReadCscale(std::int32_t, float &) override { return 0; }

    std::int32_t QmxReadLvdt(std::int32_t, float &) override { return 0; }
    std::int32_t QmxSetTfsv(std::int32_t, float) override { return 0; }
    std::int32_t QmxReadTfsv(std::int32_t, float &) override { return 0; }
    std::int32_t QmxSetTzero(std::int32_t, float) override { return 0; }
    std::int32_t QmxReadTzero(std::int32_t, float &) override { return 0; }

    std::int32_t QmxReadAnalog(std::int32_t, float &) override { return 0; }
    std::int32_t QmxSetAfsv(std::int32_t, float) override { return 0; }
    std::int32_t QmxReadAfsv(std::int32_t, float &) override { return 0; }
    std::int32_t QmxSetAzero(std::int32_t, float) override { return 0; }
    std::int32_t QmxReadAzero(std::int32_t, float &) override { return 0; }

    std::int32_t QmxReadDirect(const std::vector<unsigned char> &,
                               const unsigned char *&reply) override
    {
        reply = reply_.data();
        return 0;
    }

    void setMessageBoxes(MessageBoxes *) override {}

private:
    static std::int32_t empty(std::string &text)
    {
        text.clear();
        return 0;
    }
    std::array<unsigned char, 256> reply_{};
};

} // namespace qmxsrv
