#include "mainwindow/liveconversation.h"

#include <QWebSocket>

namespace qmxsrv {

namespace {
// Client messages are a few dozen bytes; anything much larger is abuse and
// closes the connection rather than filling memory.
constexpr quint64 maxIncomingMessage = 4096;
} // namespace

LiveConversation::LiveConversation(QWebSocket *socket, qint64 queueLimit, QObject *parent)
    : QObject(parent), socket_(socket), queueLimit_(queueLimit)
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

void LiveConversation::send(const QString &message)
{
    if (!open_ || socket_->state() != QAbstractSocket::ConnectedState)
        return;
    if (socket_->bytesToWrite() > queueLimit_) {
        open_ = false;
        socket_->abort();
        return;
    }
    socket_->sendTextMessage(message);
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
