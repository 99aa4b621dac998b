// ports_hw.cpp - the machine's own I/O ports (x86 Linux).
//
// ioperm() grants single ports up to 0x3FF; above that only iopl() opens the
// port space. Both need CAP_SYS_RAWIO. Without the right the library must
// not touch a port (inb/outb would fault), so open() says how to grant it
// and the silent bus takes over: the link then meets a dead board.
#include "ports.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define QMX_HAVE_PORT_IO 1
#endif

namespace qmx {

namespace {

constexpr std::uint16_t kHighestIopermPort = 0x3FF; // ioperm()'s reach on Linux

void SayNoAccess(const Registers &ports, const char *reason)
{
    std::fprintf(stderr,
                 "qmxcom32: no access to I/O ports 0x%X, 0x%X, 0x%X (%s); grant it with "
                 "`setcap cap_sys_rawio+ep <program>` or run as root; "
                 "until then no board answers\n",
                 ports.data, ports.status, ports.replyReady, reason);
}

#ifdef QMX_HAVE_PORT_IO

bool HwOpen(const Registers &ports)
{
    const std::uint16_t wanted[] = {ports.data, ports.status, ports.replyReady};
    bool high = false;
    for (std::uint16_t port : wanted) {
        high = high || port > kHighestIopermPort;
    }
    int failed = 0;
    if (high) {
        failed = iopl(3);
    } else {
        for (std::uint16_t port : wanted) {
            failed = failed != 0 ? failed : ioperm(port, 1, 1);
        }
    }
    if (failed != 0) {
        SayNoAccess(ports, std::strerror(errno));
        return false;
    }
    return true;
}

std::uint8_t HwRead(std::uint16_t port) { return inb(port); }
void HwWrite(std::uint16_t port, std::uint8_t value) { outb(value, port); }

#else

bool HwOpen(const Registers &ports)
{
    SayNoAccess(ports, "this machine has no x86 I/O ports");
    return false;
}
std::uint8_t HwRead(std::uint16_t) { return 0; }
void HwWrite(std::uint16_t, std::uint8_t) {}

#endif

} // namespace

const PortBackend hwPorts = {"hw", HwOpen, HwRead, HwWrite};

} // namespace qmx
