// ports.h - the ways to reach the board's three registers.
//
// Every register access of the library goes through one port backend: a
// small table of functions, one table per way of reaching the board. The
// link never knows which one it is talking to. QmxCommInit chooses between
// the machine's I/O ports and the simulated board (QMX_PORTS); a bus that the
// host installs (qmxcom32_host.h) wins over both while it is installed.
#pragma once

#include <cstdint>

#include "qmxcom32_host.h"

namespace qmx {

// The board's registers: base + 0 data, base + 1 status, base + 3 reply
// ready (base + 2 is not used).
struct Registers {
    std::uint16_t data;
    std::uint16_t status;
    std::uint16_t replyReady;
};

struct PortBackend {
    // Short name for messages: "hw", "sim", "none".
    const char *name;
    // Called once after each QmxCommInit that chose the backend, before its
    // first access, with the ports the link is going to use. Returns false
    // when they cannot be reached; the backend has then said why in one line
    // on stderr, and the silent bus stands in for it. Never called for the
    // silent bus.
    bool (*open)(const Registers &ports);
    // A byte-wide read of one port. Called only after open succeeded.
    std::uint8_t (*read)(std::uint16_t port);
    // A byte-wide write to one port. Called only after open succeeded.
    void (*write)(std::uint16_t port, std::uint8_t value);
};

extern const PortBackend hwPorts;     // ports_hw.cpp: inb/outb
extern const PortBackend simPorts;    // ports_sim.cpp: libqmxboard.so
extern const PortBackend silentPorts; // a bus on which no board answers: reads 00, writes lost

// Chooses hw or sim from QMX_PORTS for these registers (QmxCommInit); the
// backend is opened at the first access that no host bus takes.
void ChoosePorts(const Registers &ports);
// Installs a copy of *bus, or with nullptr goes back to the chosen backend.
void SetHostBus(const QmxPortBus *bus);

std::uint8_t PortRead(std::uint16_t port);
void PortWrite(std::uint16_t port, std::uint8_t value);

} // namespace qmx
