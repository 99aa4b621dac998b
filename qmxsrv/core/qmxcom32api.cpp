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

namespace {

// The library copies at most 17 bytes; the program's buffers hold 64.
std::int32_t libraryText(std::int32_t (*fn)(char *), std::string &text)
{
    char buf[64] = {};
    const std::int32_t rc = fn(buf);
    text = buf;
    return rc;
}

std::int32_t libraryReadDirect(const std::vector<unsigned char> &data, const unsigned char *&reply)
{
    unsigned char *buffer = nullptr;
    const std::int32_t rc =
        ::QmxReadDirect(static_cast<std::int32_t>(data.size()), data.data(), &buffer);
    reply = buffer;
    return rc;
}

} // namespace

#define QMX_DEVICE_CALL(name, params, args, library, null)                                         \
    std::int32_t Qmxcom32Api::name params { return library; }
#include "devicecalls.def"

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
