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

#define QMX_DEVICE_CALL(name, params, args, library, null)                                         \
    std::int32_t name params                                                                       \
    {                                                                                              \
        return call([&] { return api_.name args; });                                               \
    }
#include "devicecalls.def"

    // A board read that starts from 0.0, so that a failed call gives 0.0:
    // device.read(&Device::QmxReadCzero, 3).
    float read(std::int32_t (Device::*fn)(std::int32_t, float &), std::int32_t number)
    {
        float value = 0;
        (this->*fn)(number, value);
        return value;
    }

private:
    template <typename Call> std::int32_t call(Call &&makeCall)
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
        return makeCall();
    }

    DeviceApi &api_;
    bool inCall_ = false;
    long refused_ = 0;
};

} // namespace qmxsrv
