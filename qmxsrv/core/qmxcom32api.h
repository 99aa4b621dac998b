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

#define QMX_DEVICE_CALL(name, params, args, library, null) std::int32_t name params override;
#include "devicecalls.def"

    // The library's messages become OK boxes with the exclamation icon and
    // an empty title (the box's default caption), as the library shows them.
    void setMessageBoxes(MessageBoxes *boxes) override;

private:
    static void showMessage(void *context, const char *text);
    MessageBoxes *boxes_ = nullptr;
};

} // namespace qmxsrv
