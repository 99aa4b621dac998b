// control_socket.cpp
#include "control_socket.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace qmxboard {
namespace {
constexpr int kIdleMs = 10000; // a silent client is dropped so others get their turn

std::string lastError() { return std::strerror(errno); }

void writeAll(int fd, const std::string &text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        done += std::size_t(n);
    }
}
} // namespace

std::unique_ptr<ControlSocket> ControlSocket::open(const std::string &path, Handler handler,
                                                   std::string *error)
{
    auto fail = [&](const std::string &why) {
        if (error)
            *error = why;
        return nullptr;
    };
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof addr.sun_path)
        return fail("path empty or too long");
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    // A socket left by an earlier run is replaced; any other file is not touched.
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode))
            return fail("exists and is not a socket");
        ::unlink(path.c_str());
    }
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return fail(lastError());
    if (::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 || ::listen(fd, 4) != 0) {
        std::string why = lastError();
        ::close(fd);
        return fail(why);
    }
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC) != 0) {
        std::string why = lastError();
        ::close(fd);
        ::unlink(path.c_str());
        return fail(why);
    }
    return std::unique_ptr<ControlSocket>(
        new ControlSocket(fd, wake[0], wake[1], path, std::move(handler)));
}

ControlSocket::ControlSocket(int listenFd, int wakeRead, int wakeWrite, std::string path,
                             Handler handler)
    : listenFd_(listenFd), wakeRead_(wakeRead), wakeWrite_(wakeWrite), path_(std::move(path)),
      handler_(std::move(handler))
{
    thread_ = std::thread([this] { run(); });
}

ControlSocket::~ControlSocket()
{
    char b = 1;
    (void)!::write(wakeWrite_, &b, 1);
    thread_.join();
    ::close(listenFd_);
    ::close(wakeRead_);
    ::close(wakeWrite_);
    ::unlink(path_.c_str());
}

ControlSocket::Wake ControlSocket::wait(int fd, int timeoutMs) const
{
    for (;;) {
        pollfd p[2] = {{fd, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        int n = ::poll(p, 2, timeoutMs);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || (p[1].revents & POLLIN))
            return Wake::Stop;
        return n == 0 ? Wake::Idle : Wake::Ready;
    }
}

void ControlSocket::run()
{
    while (wait(listenFd_, -1) == Wake::Ready) {
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        serve(fd);
        ::close(fd);
    }
}

void ControlSocket::serve(int fd)
{
    std::string buffer;
    char chunk[256];
    while (wait(fd, kIdleMs) == Wake::Ready) {
        ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0)
            return;
        buffer.append(chunk, std::size_t(n));
        std::size_t end;
        while ((end = buffer.find('\n')) != std::string::npos) {
            std::string line = buffer.substr(0, end);
            buffer.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            writeAll(fd, handler_(line) + "\n");
        }
        if (buffer.size() > kMaxLine) {
            writeAll(fd, "error: line too long\n");
            return;
        }
    }
}

} // namespace qmxboard
