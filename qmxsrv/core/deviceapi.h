// The device functions the program uses, as an interface: the device link
// library behind it in the program (Qmxcom32Api), a device that talks to
// nothing in the fuzzers (NullDeviceApi), or a test double. Nobody calls a
// DeviceApi directly: the one Device owner does (device.h).
//
// The functions themselves are listed once, in devicecalls.def.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qmxsrv {

class MessageBoxes;

class DeviceApi {
public:
    virtual ~DeviceApi() = default;

#define QMX_DEVICE_CALL(name, params, args, library, null) virtual std::int32_t name params = 0;
#include "devicecalls.def"

    // Where the library's own messages (link errors, demonstration mode,
    // firmware download) are shown; nullptr: standard error.
    virtual void setMessageBoxes(MessageBoxes *boxes) = 0;
};

} // namespace qmxsrv
