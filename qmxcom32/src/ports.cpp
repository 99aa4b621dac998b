// ports.cpp - choosing the port backend, the host's bus and the silent bus.
#include "ports.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qmx {

namespace {

std::uint8_t SilentRead(std::uint16_t) { return 0; }
void SilentWrite(std::uint16_t, std::uint8_t) {}

// The backend in use when no host bus is installed. Until QmxCommInit has
// chosen one nothing is read or written anyway.
const PortBackend *current = &silentPorts;
// Chosen by QmxCommInit, opened at its first access: so a backend that a
// host bus stands in for is never opened, and never complains.
const PortBackend *pending = nullptr;
Registers pendingPorts{};

QmxPortBus hostBus{};
bool hostInstalled = false;

const PortBackend *FromEnvironment()
{
    const char *choice = std::getenv("QMX_PORTS");
    if (choice == nullptr || *choice == '\0' || std::strcmp(choice, "hw") == 0) {
        return &hwPorts;
    }
    if (std::strcmp(choice, "sim") == 0) {
        return &simPorts;
    }
    std::fprintf(stderr, "qmxcom32: QMX_PORTS=%s is neither hw nor sim; using hw\n", choice);
    return &hwPorts;
}

void OpenPending()
{
    current = pending->open(pendingPorts) ? pending : &silentPorts;
    pending = nullptr;
}

std::uint8_t OpenThenRead(std::uint16_t port)
{
    OpenPending();
    return current->read(port);
}

void OpenThenWrite(std::uint16_t port, std::uint8_t value)
{
    OpenPending();
    current->write(port, value);
}

// Stands in for the chosen backend until its first access.
const PortBackend openingPorts = {"opening", nullptr, OpenThenRead, OpenThenWrite};

} // namespace

const PortBackend silentPorts = {"none", nullptr, SilentRead, SilentWrite};

void ChoosePorts(const Registers &ports)
{
    pending = FromEnvironment();
    pendingPorts = ports;
    current = &openingPorts;
}

void SetHostBus(const QmxPortBus *bus)
{
    hostInstalled = bus != nullptr && bus->read != nullptr && bus->write != nullptr;
    if (hostInstalled) {
        hostBus = *bus;
    }
}

std::uint8_t PortRead(std::uint16_t port)
{
    return hostInstalled ? hostBus.read(hostBus.context, port) : current->read(port);
}

void PortWrite(std::uint16_t port, std::uint8_t value)
{
    if (hostInstalled) {
        hostBus.write(hostBus.context, port, value);
    } else {
        current->write(port, value);
    }
}

} // namespace qmx
