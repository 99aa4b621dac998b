// qmxboard-ctl PATH COMMAND... - sends one command to the simulated board's
// control socket and prints the answer; exit status 0 for "ok", 1 otherwise.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: qmxboard-ctl PATH COMMAND...\n"
                             "  e.g. qmxboard-ctl /tmp/qmx.sock set T3 0.0125\n");
        return 2;
    }
    std::string line;
    for (int i = 2; i < argc; ++i)
        line += std::string(i > 2 ? " " : "") + argv[i];
    line += "\n";

    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (std::strlen(argv[1]) >= sizeof addr.sun_path) {
        std::fprintf(stderr, "qmxboard-ctl: path too long\n");
        return 1;
    }
    std::strcpy(addr.sun_path, argv[1]);
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
        std::fprintf(stderr, "qmxboard-ctl: cannot connect to %s: %s\n", argv[1],
                     std::strerror(errno));
        return 1;
    }
    if (::send(fd, line.data(), line.size(), MSG_NOSIGNAL) != ssize_t(line.size())) {
        std::fprintf(stderr, "qmxboard-ctl: cannot send: %s\n", std::strerror(errno));
        return 1;
    }
    std::string answer;
    char c;
    while (::recv(fd, &c, 1, 0) == 1 && c != '\n')
        answer += c;
    ::close(fd);
    std::printf("%s\n", answer.c_str());
    return answer.rfind("ok", 0) == 0 ? 0 : 1;
}
