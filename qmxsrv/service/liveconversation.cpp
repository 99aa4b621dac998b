#include "service/liveconversation.h"

#include <QTimer>
#include <QWebSocket>

#include <linux/sockios.h>
#include <sys/ioctl.h>

namespace qmxsrv {

namespace {
// Client messages are a few dozen bytes; anything much larger is abuse and
// closes the connection rather than filling memory.
constexpr quint64 maxIncomingMessage = 4096;

// Bytes the system holds for the socket that the peer has not acknowledged.
qint64 systemQueue(qintptr descriptor)
{
    int queued = 0;
    if (descriptor < 0 || ::ioctl(int(descriptor), SIOCOUTQ, &queued) != 0)
        return 0;
    return queued;
}
} // namespace

LiveConversation::LiveConversation(QWebSocket *socket, qintptr descriptor, qint64 queueLimit,
                                   QObject *parent)
    : QObject(parent), socket_(socket), descriptor_(descriptor), queueLimit_(queueLimit)
{
    socket_->setParent(this);
    socket_->setMaxAllowedIncomingFrameSize(maxIncomingMessage);
    socket_->setMaxAllowedIncomingMessageSize(maxIncomingMessage);
    connect(socket_, &QWebSocket::textMessageReceived, this,
            [this](const QString &message) { emit received(this, message); });
    connect(socket_, &QWebSocket::binaryMessageReceived, this,
            [this](const QByteArray &) { emit binaryReceived(this); });
    // Queued, so that an abort inside send() never changes the service's
    // lists while it walks them.
    connect(socket_, &QWebSocket::disconnected, this, &LiveConversation::finish,
            Qt::QueuedConnection);
}

qint64 LiveConversation::unread() const { return socket_->bytesToWrite() + systemQueued_; }

void LiveConversation::send(const QString &message)
{
    if (!open_ || socket_->state() != QAbstractSocket::ConnectedState)
        return;
    if (unread() > queueLimit_) {
        tooMuchUnread();
        return;
    }
    socket_->sendTextMessage(message);
}

void LiveConversation::checkQueue()
{
    if (!open_ || socket_->state() != QAbstractSocket::ConnectedState)
        return;
    systemQueued_ = systemQueue(descriptor_);
    if (unread() > queueLimit_)
        tooMuchUnread();
}

// The close frame goes after what is queued: a client that reads again
// learns why; one that never does is dropped after the wait.
void LiveConversation::tooMuchUnread()
{
    open_ = false;
    socket_->close(
        QWebSocketProtocol::CloseCodePolicyViolated,
        QStringLiteral("more than %1 bytes left unread; read what you ask for").arg(queueLimit_));
    QTimer::singleShot(closeWait, socket_, &QWebSocket::abort);
}

void LiveConversation::goAway()
{
    if (socket_->state() != QAbstractSocket::ConnectedState)
        return;
    open_ = false;
    socket_->close(QWebSocketProtocol::CloseCodeGoingAway, QStringLiteral("the station stops"));
    socket_->flush();
}

bool LiveConversation::advised(int item) const
{
    return item >= 0 && std::size_t(item) < advised_.size() && advised_[std::size_t(item)];
}

void LiveConversation::setAdvised(int item, bool on)
{
    if (item < 0)
        return;
    if (std::size_t(item) >= advised_.size())
        advised_.resize(std::size_t(item) + 1, false);
    advised_[std::size_t(item)] = on;
}

void LiveConversation::setItemCount(int count)
{
    if (advised_.size() > std::size_t(count) + 1)
        advised_.resize(std::size_t(count) + 1);
}

void LiveConversation::finish()
{
    if (finished_)
        return;
    finished_ = true;
    open_ = false;
    emit finished(this);
}

} // namespace qmxsrv
