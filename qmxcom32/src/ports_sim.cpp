// ports_sim.cpp - the simulated board, a plug-in beside this library.
//
// The board library is looked up in this library's own folder, so a program
// folder carries its board with it, and nothing of the board is linked.
#include "ports.h"

#include <dlfcn.h>

#include <cstdio>
#include <string>

#include "qmxboard_bus.h"

namespace qmx {

namespace {

qmxboard_port_read_fn boardRead = nullptr;
qmxboard_port_write_fn boardWrite = nullptr;
bool loadTried = false;

std::string OwnFolder()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&OwnFolder), &info) != 0 && info.dli_fname != nullptr) {
        const std::string path = info.dli_fname;
        const std::size_t slash = path.rfind('/');
        if (slash != std::string::npos) {
            return path.substr(0, slash);
        }
    }
    return ".";
}

// Loads the board once per process; a missing board is reported once.
void LoadBoard()
{
    loadTried = true;
    const std::string path = OwnFolder() + "/" + QMXBOARD_LIBRARY_NAME;
    void *board = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (board != nullptr) {
        boardRead = reinterpret_cast<qmxboard_port_read_fn>(dlsym(board, QMXBOARD_READ_SYMBOL));
        boardWrite = reinterpret_cast<qmxboard_port_write_fn>(dlsym(board, QMXBOARD_WRITE_SYMBOL));
    }
    if (boardRead == nullptr || boardWrite == nullptr) {
        const char *why = dlerror();
        std::fprintf(stderr,
                     "qmxcom32: no simulated board: cannot load %s (%s); no board answers\n",
                     path.c_str(), why != nullptr ? why : "entry points missing");
        boardRead = nullptr;
        boardWrite = nullptr;
    }
}

bool SimOpen(const Registers &)
{
    if (!loadTried) {
        LoadBoard();
    }
    return boardRead != nullptr;
}

std::uint8_t SimRead(std::uint16_t port) { return boardRead(port); }
void SimWrite(std::uint16_t port, std::uint8_t value) { boardWrite(port, value); }

} // namespace

const PortBackend simPorts = {"sim", SimOpen, SimRead, SimWrite};

} // namespace qmx
