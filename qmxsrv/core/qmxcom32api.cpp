#include "qmxcom32api.h"

#include "messageboxes.h"

#include <qmxcom32.h>
#include <qmxcom32_host.h>

namespace qmxsrv {

Qmxcom32Api::~Qmxcom32Api()
{
    if (boxes_)
        QmxHostSetMessageHandler(nullptr, nullptr);
}

std::int32_t Qmxcom32Api::QmxCommInit(std::int32_t baseAddress, const std::string &firmwareFile)
{
    return ::QmxCommInit(baseAddress, firmwareFile.c_str());
}

// The library copies at most 17 bytes; the program's buffers hold 64.
std::int32_t Qmxcom32Api::QmxFirmware(std::string &version)
{
    char buf[64] = {};
    const std::int32_t rc = ::QmxFirmware(buf);
    version = buf;
    return rc;
}

std::int32_t Qmxcom32Api::QmxDLL(std::string &version)
{
    char buf[64] = {};
    const std::int32_t rc = ::QmxDLL(buf);
    version = buf;
    return rc;
}

std::int32_t Qmxcom32Api::QmxStartScan() { return ::QmxStartScan(); }
std::int32_t Qmxcom32Api::QmxSetScanTime(std::int32_t period) { return ::QmxSetScanTime(period); }
std::int32_t Qmxcom32Api::QmxSetAdcAvg(std::int32_t samples) { return ::QmxSetAdcAvg(samples); }
std::int32_t Qmxcom32Api::QmxSetRunAvg(std::int32_t samples) { return ::QmxSetRunAvg(samples); }
std::int32_t Qmxcom32Api::QmxResetMM() { return ::QmxResetMM(); }

std::int32_t Qmxcom32Api::QmxDefineChannel(std::int32_t channelNo, const std::string &formula)
{
    return ::QmxDefineChannel(channelNo, formula.c_str());
}
std::int32_t Qmxcom32Api::QmxClearChannel(std::int32_t channelNo)
{
    return ::QmxClearChannel(channelNo);
}
std::int32_t Qmxcom32Api::QmxReadChannel(std::int32_t n, float &v)
{
    return ::QmxReadChannel(n, &v);
}
std::int32_t Qmxcom32Api::QmxSetCzero(std::int32_t n, float v) { return ::QmxSetCzero(n, &v); }
std::int32_t Qmxcom32Api::QmxReadCzero(std::int32_t n, float &v) { return ::QmxReadCzero(n, &v); }
std::int32_t Qmxcom32Api::QmxSetCscale(std::int32_t n, float v) { return ::QmxSetCscale(n, &v); }
std::int32_t Qmxcom32Api::QmxReadCscale(std::int32_t n, float &v) { return ::QmxReadCscale(n, &v); }

std::int32_t Qmxcom32Api::QmxReadLvdt(std::int32_t n, float &v) { return ::QmxReadLvdt(n, &v); }
std::int32_t Qmxcom32Api::QmxSetTfsv(std::int32_t n, float v) { return ::QmxSetTfsv(n, &v); }
std::int32_t Qmxcom32Api::QmxReadTfsv(std::int32_t n, float &v) { return ::QmxReadTfsv(n, &v); }
std::int32_t Qmxcom32Api::QmxSetTzero(std::int32_t n, float v) { return ::QmxSetTzero(n, &v); }
std::int32_t Qmxcom32Api::QmxReadTzero(std::int32_t n, float &v) { return ::QmxReadTzero(n, &v); }

std::int32_t Qmxcom32Api::QmxReadAnalog(std::int32_t n, float &v) { return ::QmxReadAnalog(n, &v); }
std::int32_t Qmxcom32Api::QmxSetAfsv(std::int32_t n, float v) { return ::QmxSetAfsv(n, &v); }
std::int32_t Qmxcom32Api::QmxReadAfsv(std::int32_t n, float &v) { return ::QmxReadAfsv(n, &v); }
std::int32_t Qmxcom32Api::QmxSetAzero(std::int32_t n, float v) { return ::QmxSetAzero(n, &v); }
std::int32_t Qmxcom32Api::QmxReadAzero(std::int32_t n, float &v) { return ::QmxReadAzero(n, &v); }

std::int32_t Qmxcom32Api::QmxReadDirect(const std::vector<unsigned char> &data,
                                        const unsigned char *&reply)
{
    unsigned char *buffer = nullptr;
    const std::int32_t rc =
        ::QmxReadDirect(static_cast<std::int32_t>(data.size()), data.data(), &buffer);
    reply = buffer;
    return rc;
}

void Qmxcom32Api::setMessageBoxes(MessageBoxes *boxes)
{
    boxes_ = boxes;
    QmxHostSetMessageHandler(boxes ? &Qmxcom32Api::showMessage : nullptr, boxes ? this : nullptr);
}

void Qmxcom32Api::showMessage(void *context, const char *text)
{
    auto *self = static_cast<Qmxcom32Api *>(context);
    self->boxes_->show(text, "", Buttons::Ok, Icon::Exclamation);
}

} // namespace qmxsrv
