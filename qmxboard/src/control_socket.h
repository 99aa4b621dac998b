// control_socket.h - a Unix-domain socket that takes one-line commands and
// answers each with one line, on a thread of its own.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace qmxboard {

class ControlSocket {
public:
    using Handler = std::function<std::string(const std::string &line)>;
    static constexpr std::size_t kMaxLine = 1024;

    // Null and *error set when the socket cannot be made.
    static std::unique_ptr<ControlSocket> open(const std::string &path, Handler handler,
                                               std::string *error);
    ~ControlSocket();
    ControlSocket(const ControlSocket &) = delete;
    ControlSocket &operator=(const ControlSocket &) = delete;

private:
    ControlSocket(int listenFd, int wakeRead, int wakeWrite, std::string path, Handler handler);
    void run();
    void serve(int fd);
    enum class Wake { Ready, Stop, Idle };
    Wake wait(int fd, int timeoutMs) const;

    int listenFd_, wakeRead_, wakeWrite_;
    std::string path_;
    Handler handler_;
    std::thread thread_;
};

} // namespace qmxboard
