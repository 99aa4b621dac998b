#include "textfile.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace qmxsrv {
namespace {

std::string reason(int err) { return std::strerror(err); }

// Closes a descriptor on every path out of a function.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return fd_; }
    // Closes now and reports a failed close (the last chance to see a write error).
    int release()
    {
        const int rc = ::close(fd_);
        fd_ = -1;
        return rc;
    }

private:
    int fd_;
};

std::vector<std::string> splitLines(const std::string &text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

bool writeAll(int fd, const std::string &contents)
{
    const char *p = contents.data();
    std::size_t left = contents.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

// A symbolic link is replaced at its target, not turned into a plain file.
std::string resolvedTarget(const std::string &path)
{
    std::error_code ec;
    if (std::filesystem::is_symlink(path, ec)) {
        auto target = std::filesystem::canonical(path, ec);
        if (!ec)
            return target.string();
    }
    return path;
}

} // namespace

TextFileRead readTextFile(const std::string &path, std::size_t maxBytes)
{
    TextFileRead r;
    Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) {
        r.status = errno == ENOENT ? TextFileRead::Status::NotFound : TextFileRead::Status::Failed;
        r.error = reason(errno);
        return r;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        r.error = reason(errno);
        return r;
    }
    if (S_ISDIR(st.st_mode)) {
        r.error = reason(EISDIR);
        return r;
    }
    if (!S_ISREG(st.st_mode)) {
        r.error = "not a regular file";
        return r;
    }
    std::string text;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            r.error = reason(errno);
            return r;
        }
        if (n == 0)
            break;
        if (text.size() + static_cast<std::size_t>(n) > maxBytes) {
            r.error = "the file is larger than " + std::to_string(maxBytes) + " bytes";
            return r;
        }
        text.append(buf, static_cast<std::size_t>(n));
    }
    r.status = TextFileRead::Status::Ok;
    r.lines = splitLines(text);
    return r;
}

std::string crlfText(const std::vector<std::string> &lines)
{
    std::string out;
    for (const auto &l : lines) {
        out += l;
        out += "\r\n";
    }
    return out;
}

// A save that died (crash, power cut) leaves "<target>.tmp<pid>-<n>" behind;
// the next save of the same target removes those whose process is gone.
static bool isDigits(const std::string &s)
{
    return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

void removeStaleTemporaries(const std::string &target)
{
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    const std::string prefix =
        (slash == std::string::npos ? target : target.substr(slash + 1)) + ".tmp";
    DIR *d = ::opendir(folder.c_str());
    if (!d)
        return;
    while (const dirent *e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0)
            continue;
        const std::string rest = name.substr(prefix.size());
        const std::size_t dash = rest.find('-');
        if (dash == std::string::npos || !isDigits(rest.substr(0, dash)) ||
            !isDigits(rest.substr(dash + 1)) || dash > 9)
            continue;
        const pid_t pid = static_cast<pid_t>(std::stol(rest.substr(0, dash)));
        if (pid <= 0 || pid == ::getpid() || ::kill(pid, 0) == 0 || errno != ESRCH)
            continue;
        const std::string file = folder + name;
        struct stat st {};
        if (::lstat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            ::unlink(file.c_str());
    }
    ::closedir(d);
}

std::string saveTextFileAtomically(const std::string &path, const std::string &contents)
{
    const std::string target = resolvedTarget(path);
    removeStaleTemporaries(target);
    struct stat old {};
    const bool hadFile = ::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);

    // O_EXCL on a name of our own: no other writer's temporary is ever reused.
    std::string tmp;
    int raw = -1;
    for (int attempt = 0; attempt < 100 && raw < 0; ++attempt) {
        tmp = target + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        raw = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (raw < 0 && errno != EEXIST)
            return reason(errno);
    }
    if (raw < 0)
        return reason(EEXIST);
    Fd fd(raw);
    auto fail = [&](int err) {
        ::unlink(tmp.c_str());
        return reason(err);
    };
    if (!writeAll(fd.get(), contents))
        return fail(errno ? errno : EIO);
    if (hadFile && ::fchmod(fd.get(), old.st_mode & 07777) != 0)
        return fail(errno);
    if (::fsync(fd.get()) != 0)
        return fail(errno);
    if (fd.release() != 0)
        return fail(errno);
    if (::rename(tmp.c_str(), target.c_str()) != 0)
        return fail(errno);
    return {};
}

std::string oneLine(std::string text)
{
    for (char &c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    return text;
}

} // namespace qmxsrv
