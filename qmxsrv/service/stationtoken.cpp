#include "service/stationtoken.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qmxsrv {

namespace {

constexpr int TokenBytes = 32;

bool isToken(const QByteArray &text)
{
    if (text.size() != 2 * TokenBytes)
        return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

QString reason(const QString &path, int err)
{
    return QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(err)));
}

enum class Read { Token, Missing, Failed };

// The token file as it is: a regular file, opened without waiting (a FIFO
// there must not hold the start up).
Read readToken(const QString &path, QByteArray &token, QString &error)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT) {
            struct stat link {};
            if (::lstat(name.constData(), &link) == 0) {
                error = path + QStringLiteral(" is a link that leads nowhere");
                return Read::Failed;
            }
            return Read::Missing;
        }
        error = reason(path, errno);
        return Read::Failed;
    }
    struct stat st {};
    QByteArray text(4 * TokenBytes, Qt::Uninitialized);
    ssize_t got = -1;
    if (::fstat(fd, &st) != 0) {
        error = reason(path, errno);
    } else if (!S_ISREG(st.st_mode)) {
        error = path + QStringLiteral(" is not a file");
    } else {
        got = ::read(fd, text.data(), std::size_t(text.size()));
        if (got < 0)
            error = reason(path, errno);
    }
    ::close(fd);
    if (got < 0)
        return Read::Failed;
    text.truncate(got);
    text = text.trimmed();
    if (!isToken(text)) {
        error = path + QStringLiteral(" does not hold a token; delete it to have a new one made");
        return Read::Failed;
    }
    token = text;
    return Read::Token;
}

} // namespace

QByteArray stationToken(const QString &folder, QString &error)
{
    const QString path = folder + QLatin1Char('/') + QLatin1String(TokenFileName);
    const QByteArray name = QFile::encodeName(path);
    // Twice at most: of two servers starting at once, one makes the token
    // and the other reads it.
    for (int attempt = 0; attempt < 2; ++attempt) {
        QByteArray token;
        switch (readToken(path, token, error)) {
        case Read::Token: return token;
        case Read::Failed: return {};
        case Read::Missing: break;
        }
        unsigned char random[TokenBytes];
        if (getrandom(random, sizeof random, 0) != TokenBytes) {
            error = reason(path, errno);
            return {};
        }
        token = QByteArray(reinterpret_cast<const char *>(random), TokenBytes).toHex();
        const int fd =
            ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            error = reason(path, errno);
            return {};
        }
        const QByteArray line = token + '\n';
        const bool written =
            ::write(fd, line.constData(), std::size_t(line.size())) == line.size() &&
            ::fsync(fd) == 0;
        const int err = errno;
        ::close(fd);
        if (!written) {
            ::unlink(name.constData());
            error = reason(path, err);
            return {};
        }
        return token;
    }
    error = path + QStringLiteral(" keeps changing; no token was read");
    return {};
}

bool bearerTokenMatches(const QByteArray &authorization, const QByteArray &token)
{
    const QByteArray value = authorization.trimmed();
    const qsizetype blank = value.indexOf(' ') < 0 ? value.indexOf('\t') : value.indexOf(' ');
    if (blank < 0)
        return false;
    const QByteArray scheme = value.left(blank);
    return scheme.compare("bearer", Qt::CaseInsensitive) == 0 &&
           sameToken(value.mid(blank).trimmed(), token);
}

bool sameToken(const QByteArray &given, const QByteArray &token)
{
    if (token.isEmpty())
        return false;
    unsigned difference = unsigned(given.size() ^ token.size());
    for (qsizetype i = 0; i < token.size(); ++i)
        difference |= unsigned(char(i < given.size() ? given[i] : 0) ^ token[i]);
    return difference == 0;
}

} // namespace qmxsrv
