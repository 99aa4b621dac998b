#include "platform/stationtoken.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/random.h>
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

} // namespace

QByteArray stationToken(const QString &folder, QString &error)
{
    const QString path = folder + QLatin1Char('/') + QLatin1String(TokenFileName);
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly)) {
        const QByteArray text = existing.read(4 * TokenBytes).trimmed();
        if (isToken(text))
            return text;
        error = path + QStringLiteral(" does not hold a token; delete it to have a new one made");
        return {};
    }
    unsigned char random[TokenBytes];
    if (getrandom(random, sizeof random, 0) != TokenBytes) {
        error = reason(path, errno);
        return {};
    }
    const QByteArray token = QByteArray(reinterpret_cast<const char *>(random), TokenBytes).toHex();
    // O_EXCL: of two servers starting at once, one token wins and is read.
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno == EEXIST)
            return stationToken(folder, error);
        error = reason(path, errno);
        return {};
    }
    const QByteArray line = token + '\n';
    const bool written =
        ::write(fd, line.constData(), std::size_t(line.size())) == line.size() && ::fsync(fd) == 0;
    const int err = errno;
    ::close(fd);
    if (!written) {
        ::unlink(name.constData());
        error = reason(path, err);
        return {};
    }
    return token;
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
