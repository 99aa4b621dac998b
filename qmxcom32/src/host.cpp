// host.cpp - the host hooks and their defaults.
//
// The hooks are the only exported names besides the device functions; the
// pragma gives their declarations default visibility in a library built with
// hidden visibility. It must come before any other include of the header.
#pragma GCC visibility push(default)
#include "qmxcom32_host.h"
#pragma GCC visibility pop

#include "host.h"

#include <chrono>
#include <cstdio>

#include "link.h"
#include "ports.h"

namespace {

// Without a host to show it, a message goes to stderr and counts as acknowledged.
void ShowOnStderr(void *, const char *text) { std::fprintf(stderr, "qmxcom32: %s\n", text); }

long SteadySeconds(void *)
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<long>(std::chrono::duration_cast<std::chrono::seconds>(now).count());
}

QmxMessageHandler messageHandler = ShowOnStderr;
void *messageContext = nullptr;
QmxClockSeconds secondsHook = SteadySeconds;
void *clockContext = nullptr;

} // namespace

namespace qmx::host {

void Show(const char *text) { messageHandler(messageContext, text); }
long Seconds() { return secondsHook(clockContext); }

} // namespace qmx::host

extern "C" {

void QmxHostSetPortBus(const QmxPortBus *bus) { qmx::SetHostBus(bus); }

void QmxHostSetMessageHandler(QmxMessageHandler handler, void *context)
{
    messageHandler = handler != nullptr ? handler : ShowOnStderr;
    messageContext = handler != nullptr ? context : nullptr;
}

void QmxHostSetClock(QmxClockSeconds seconds, void *context)
{
    secondsHook = seconds != nullptr ? seconds : SteadySeconds;
    clockContext = seconds != nullptr ? context : nullptr;
}

int QmxHostDemoMode(void) { return qmx::DemoMode() ? 1 : 0; }

} // extern "C"
