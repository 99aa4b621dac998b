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
#define QMX_DEVICE_CALL(name, params, args, library, null)                                         \
    std::int32_t name params override                                                              \
    {                                                                                              \
        ignore args;                                                                               \
        return null;                                                                               \
    }
#include "devicecalls.def"

    void setMessageBoxes(MessageBoxes *) override {}

private:
    template <typename... Args> static void ignore(const Args &...) {}
    std::array<unsigned char, 256> reply_{};
};

} // namespace qmxsrv
