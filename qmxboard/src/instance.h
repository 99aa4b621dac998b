// instance.h - the process's one board, created on first use from the
// environment, and its control socket.
#pragma once

#include "board.h"
#include "control_socket.h"

#include <memory>
#include <mutex>
#include <string>

namespace qmxboard {

struct Instance {
    Board board;
    std::mutex socketMutex; // apart from the board's: stopping joins a thread that may wait for it
    std::unique_ptr<ControlSocket> socket; // last member: stopped first

    explicit Instance(const BoardConfig &config) : board(config) {}
};

Instance &instance();
bool startListening(Instance &one, const std::string &path, std::string *error);
// QMX_SIM_CONTROL=PATH: listen there; a failure is told on stderr.
bool listenFromEnvironment(Instance &one);

} // namespace qmxboard
