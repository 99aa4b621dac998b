// The device functions served by the device link library qmxcom32: the
// program's DeviceApi. The library keeps one board per process, so there is
// one of these in the program, handed to its Device owner.
#pragma once

#include "deviceapi.h"

namespace qmxsrv {

class Qmxcom32Api final : public DeviceApi {
public:
    Qmxcom32Api() = default;
    ~Qmxcom32Api() override;
    Qmxcom32Api(const Qmxcom32Api &) = delete;
    Qmxcom32Api &operator=(const Qmxcom32Api &) = delete;

    std::int32_t QmxCommInit(std::int32_t baseAddress, const std::string &firmwareFile) override;
    std::int32_t QmxFirmware(std::string &version) override;
    std::int32_t QmxDLL(std::string &version) override;

    std::int32_t QmxStartScan() override;
    std::int32_t QmxSetScanTime(std::int32_t period) override;
    std::int32_t QmxSetAdcAvg(std::int32_t samples) override;
    std::int32_t QmxSetRunAvg(std::int32_t samples) override;
    std::int32_t QmxResetMM() override;

    std::int32_t QmxDefineChannel(std::int32_t channelNo, const std::string &formula) override;
    std::int32_t QmxClearChannel(std::int32_t channelNo) override;
    std::int32_t QmxReadChannel(std::int32_t channelNo, float &value) override;
    std::int32_t QmxSetCzero(std::int32_t channelNo, float value) override;
    std::int32_t QmxReadCzero(std::int32_t channelNo, float &value) override;
    std::int32_t QmxSetCscale(std::int32_t channelNo, float value) override;
    std::int32_t QmxReadCscale(std::int32_t channelNo, float &value) override;

    std::int32_t QmxReadLvdt(std::int32_t lvdtNo, float &value) override;
    std::int32_t QmxSetTfsv(std::int32_t lvdtNo, float value) override;
    std::int32_t QmxReadTfsv(std::int32_t lvdtNo, float &value) override;
    std::int32_t QmxSetTzero(std::int32_t lvdtNo, float value) override;
    std::int32_t QmxReadTzero(std::int32_t lvdtNo, float &value) override;

    std::int32_t QmxReadAnalog(std::int32_t inputNo, float &value) override;
    std::int32_t QmxSetAfsv(std::int32_t inputNo, float value) override;
    std::int32_t QmxReadAfsv(std::int32_t inputNo, float &value) override;
    std::int32_t QmxSetAzero(std::int32_t inputNo, float value) override;
    std::int32_t QmxReadAzero(std::int32_t inputNo, float &value) override;

    std::int32_t QmxReadDirect(const std::vector<unsigned char> &data,
                               const unsigned char *&reply) override;

    // The library's messages become OK boxes with the exclamation icon and
    // an empty title (the box's default caption), as the library shows them.
    void setMessageBoxes(MessageBoxes *boxes) override;

private:
    static void showMessage(void *context, const char *text);
    MessageBoxes *boxes_ = nullptr;
};

} // namespace qmxsrv
