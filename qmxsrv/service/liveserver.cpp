#include "service/liveserver.h"

#include "service/liveconversation.h"
#include "service/stationtoken.h"

#include <QJsonDocument>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QWebSocket>
#include <QWebSocketCorsAuthenticator>
#include <QWebSocketServer>

#include <algorithm>

namespace qmxsrv {

namespace {
constexpr int maxItems = 32767; // channel counts are 16-bit
constexpr int refusedCloseWait = 2000;
// What the system may hold for a client beyond what the server counts
// itself: kept small, so that a client that stops reading is noticed within
// the queue limit rather than megabytes later (the system would let the
// buffer grow to several MB).
constexpr int sendBuffer = 32 * 1024;

QString peerName(const QHostAddress &address, quint16 port)
{
    return address.toString() + QLatin1Char(' ') + QString::number(port);
}

QString noItem(const QString &name, int count)
{
    // One substitution pass: a name holding "%2" stays as it was sent.
    return QStringLiteral("no item \"%1\"; the items are 0 to %2")
        .arg(name, QString::number(count));
}
} // namespace

LiveServer::LiveServer(LiveShared &shared, QObject *parent)
    : QObject(parent), shared_(shared), listener_(new QTcpServer(this)),
      server_(
          new QWebSocketServer(QStringLiteral("QMXSRV"), QWebSocketServer::NonSecureMode, this)),
      items_(1)
{
    items_[0].text = QStringLiteral("DDE");
    // A browser names the page's origin; our clients are programs, which
    // send none. So no web page, local or not, can read the gauge.
    connect(server_, &QWebSocketServer::originAuthenticationRequired, this,
            [](QWebSocketCorsAuthenticator *authenticator) {
                authenticator->setAllowed(authenticator->origin().isEmpty());
            });
    connect(server_, &QWebSocketServer::newConnection, this, &LiveServer::acceptConnections);
    connect(listener_, &QTcpServer::newConnection, this, &LiveServer::acceptTcp);
}

LiveServer::~LiveServer()
{
    blockSignals(true);
    for (LiveConversation *conversation : conversations_) {
        conversation->disconnect(this);
        conversation->goAway();
    }
}

bool LiveServer::listen(const LinkEndpoint &endpoint)
{
    return listener_->listen(endpoint.address, endpoint.port);
}

QString LiveServer::errorString() const { return listener_->errorString(); }

quint16 LiveServer::port() const { return listener_->serverPort(); }

// Our own listener to switch Nagle off (pushes are small and must not wait
// for the client's delayed acknowledgement, 40 ms on Linux) and to bound
// what the system buffers for each client.
void LiveServer::acceptTcp()
{
    while (QTcpSocket *socket = listener_->nextPendingConnection()) {
        if (connections_ >= shared_.connectionLimit) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++connections_;
        connect(socket, &QObject::destroyed, this, [this] { --connections_; });
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, sendBuffer);
        auto *exchange = new HttpExchange(
            socket,
            [this](const HttpRequest &request) {
                takeUpdates();
                return httpAnswer(request);
            },
            shared_.httpIdleTimeout, shared_.queueLimit, this);
        connect(exchange, &HttpExchange::upgrade, this, [this](QTcpSocket *upgraded) {
            const QString peer = peerName(upgraded->peerAddress(), upgraded->peerPort());
            upgrading_[peer] = upgraded->socketDescriptor();
            connect(upgraded, &QObject::destroyed, this, [this, peer] { upgrading_.erase(peer); });
            server_->handleConnection(upgraded);
        });
    }
}

void LiveServer::acceptConnections()
{
    while (QWebSocket *socket = server_->nextPendingConnection()) {
        if (socket->requestUrl().path() != live::topicPath) {
            refuse(socket);
            continue;
        }
        // Ended before we saw it: its disconnected has gone by, so it is
        // never counted at all.
        if (socket->state() != QAbstractSocket::ConnectedState) {
            socket->deleteLater();
            continue;
        }
        takeUpdates();
        const auto tcp = upgrading_.find(peerName(socket->peerAddress(), socket->peerPort()));
        auto *conversation = new LiveConversation(
            socket, tcp == upgrading_.end() ? -1 : tcp->second, shared_.queueLimit, this);
        conversation->setItemCount(itemCount());
        {
            const std::lock_guard<std::mutex> lock(shared_.mutex);
            conversation->authorized =
                !shared_.token.isEmpty() &&
                bearerTokenMatches(socket->request().rawHeader("Authorization"), shared_.token);
        }
        connect(conversation, &LiveConversation::received, this, &LiveServer::handle);
        connect(conversation, &LiveConversation::binaryReceived, this, [](LiveConversation *c) {
            c->send(live::errorMessage(QStringLiteral("messages are JSON text")));
        });
        connect(conversation, &LiveConversation::finished, this, &LiveServer::end);
        conversations_.push_back(conversation);
        emit conversationOpened();
    }
}

void LiveServer::refuse(QWebSocket *socket)
{
    connect(socket, &QWebSocket::disconnected, socket, &QObject::deleteLater);
    socket->close(QWebSocketProtocol::CloseCodePolicyViolated,
                  QStringLiteral("unknown topic; the topic is ") + live::topicPath);
    QTimer::singleShot(refusedCloseWait, socket, &QWebSocket::abort);
}

void LiveServer::deliver(const QPointer<LiveConversation> &to, const QString &message)
{
    if (to)
        to->send(message);
}

void LiveServer::handle(LiveConversation *conversation, const QString &message)
{
    takeUpdates();
    const QJsonObject object = QJsonDocument::fromJson(message.toUtf8()).object();
    if (object.contains(QLatin1String("command"))) {
        if (!conversation->authorized)
            conversation->send(live::errorMessage(QStringLiteral("not authorized")));
        else if (!sink_)
            conversation->send(live::errorMessage(QStringLiteral("no commands are taken here")));
        else
            sink_(object, QPointer<LiveConversation>(conversation));
        return;
    }
    const live::Parsed parsed = live::parseClientMessage(message);
    if (!parsed.message) {
        conversation->send(live::errorMessage(parsed.error));
        return;
    }
    const live::ClientMessage &m = *parsed.message;
    if (m.verb == live::Verb::Request && m.item == live::statusRequest) {
        conversation->send(live::statusMessage(status()));
        return;
    }
    if (m.item == live::alarmsItem) {
        const auto it = std::find(alarmAdvisers_.begin(), alarmAdvisers_.end(), conversation);
        if (m.verb == live::Verb::Advise && it == alarmAdvisers_.end())
            alarmAdvisers_.push_back(conversation);
        else if (m.verb == live::Verb::Unadvise && it != alarmAdvisers_.end())
            alarmAdvisers_.erase(it);
        if (m.verb != live::Verb::Unadvise) {
            const std::lock_guard<std::mutex> lock(shared_.mutex);
            conversation->send(shared_.openAlarms.isEmpty() ? QStringLiteral("{\"alarms\":[]}")
                                                            : shared_.openAlarms);
        }
        return;
    }
    if (m.item == live::allItems) {
        conversation->followsNewItems = m.verb == live::Verb::Advise;
        for (int item = 0; item <= itemCount(); ++item) {
            if (m.verb == live::Verb::Advise)
                advise(conversation, item);
            else
                unadvise(conversation, item);
        }
        return;
    }
    const int item = live::itemNumber(m.item);
    if (item < 0 || item > itemCount()) {
        conversation->send(live::errorMessage(noItem(m.item, itemCount())));
        return;
    }
    switch (m.verb) {
    case live::Verb::Request: conversation->send(answer(item)); break;
    case live::Verb::Advise: advise(conversation, item); break;
    case live::Verb::Unadvise: unadvise(conversation, item); break;
    }
}

// A hot link starts with the current text, so the client never has to
// race a request against the first change.
void LiveServer::advise(LiveConversation *conversation, int item)
{
    Item &it = items_[std::size_t(item)];
    if (!conversation->advised(item)) {
        conversation->setAdvised(item, true);
        it.advisers.push_back(conversation);
    }
    conversation->send(answer(item));
}

void LiveServer::unadvise(LiveConversation *conversation, int item)
{
    if (!conversation->advised(item))
        return;
    conversation->setAdvised(item, false);
    auto &advisers = items_[std::size_t(item)].advisers;
    advisers.erase(std::find(advisers.begin(), advisers.end(), conversation));
}

void LiveServer::end(LiveConversation *conversation)
{
    for (int item = 0; item <= itemCount(); ++item)
        unadvise(conversation, item);
    alarmAdvisers_.erase(std::remove(alarmAdvisers_.begin(), alarmAdvisers_.end(), conversation),
                         alarmAdvisers_.end());
    conversations_.erase(std::find(conversations_.begin(), conversations_.end(), conversation));
    conversation->deleteLater();
    emit conversationClosed();
}

void LiveServer::takeUpdates()
{
    std::vector<LiveUpdate> updates;
    {
        const std::lock_guard<std::mutex> lock(shared_.mutex);
        updates.swap(shared_.updates);
        shared_.wakePending = false;
    }
    if (updates.empty())
        return;
    for (const LiveUpdate &u : updates) {
        if (!u.alarm.isEmpty()) {
            for (LiveConversation *conversation : alarmAdvisers_)
                conversation->send(u.alarm);
        } else if (u.count >= 0) {
            setItemCount(u.count);
        } else {
            setItemText(u.item, u.text, u.reading);
        }
    }
    // Once a batch, not once a message: what the system holds for each
    // client counts towards its limit too.
    for (LiveConversation *conversation : conversations_)
        conversation->checkQueue();
}

void LiveServer::setItemCount(int count)
{
    count = std::clamp(count, 0, maxItems);
    const int old = itemCount();
    for (int item = old; item > count; --item) {
        for (LiveConversation *conversation : items_[std::size_t(item)].advisers)
            conversation->send(live::removedMessage(item));
    }
    items_.resize(std::size_t(count) + 1);
    for (LiveConversation *conversation : conversations_) {
        conversation->setItemCount(count);
        if (conversation->followsNewItems) {
            for (int item = old + 1; item <= count; ++item)
                advise(conversation, item);
        }
    }
}

void LiveServer::setItemText(int item, const QString &text, const ChannelReading &reading)
{
    if (item < 1 || item > itemCount())
        return;
    Item &it = items_[std::size_t(item)];
    const bool pushed = it.text != text || it.reading.verdict != reading.verdict;
    it.text = text;
    it.reading = reading;
    if (pushed && !it.advisers.empty()) {
        const QString m = answer(item);
        for (LiveConversation *conversation : it.advisers)
            conversation->send(m);
    }
}

QString LiveServer::answer(int item) const
{
    const Item &it = items_[std::size_t(item)];
    return item == 0 ? live::itemMessage(item, it.text)
                     : live::channelMessage(item, it.text, it.reading);
}

live::Status LiveServer::status()
{
    live::Status s;
    {
        const std::lock_guard<std::mutex> lock(shared_.mutex);
        s = shared_.status;
    }
    s.channels = itemCount();
    return s;
}

HttpAnswer LiveServer::httpAnswer(const HttpRequest &request)
{
    const auto text = [](int status, const QString &body) {
        return HttpAnswer{status, "text/plain; charset=utf-8", body.toUtf8() + '\n', {}};
    };
    // As for a WebSocket: no web page may read the gauge.
    if (request.origin)
        return text(403, QStringLiteral("web pages may not read the gauge"));
    if (request.method != "GET" && request.method != "HEAD")
        return {405, "text/plain; charset=utf-8", "only GET\n", "GET, HEAD"};
    const QString path = QString::fromUtf8(request.path);
    if (path == live::topicPath) {
        // Written by hand only to keep the items in number order.
        QByteArray body = "{\"items\":{";
        for (int item = 0; item <= itemCount(); ++item) {
            if (item > 0)
                body += ',';
            body += '"' + QByteArray::number(item) +
                    "\":" + live::jsonString(items_[std::size_t(item)].text);
        }
        body += "}}";
        return {200, "application/json", body, {}};
    }
    const QString prefix = live::topicPath + QLatin1Char('/');
    if (!path.startsWith(prefix))
        return text(404, QStringLiteral("no such path; the items are under ") + prefix);
    QString name = path.mid(prefix.size());
    const bool json = name.endsWith(QLatin1String(".json"));
    if (json)
        name.chop(5);
    const int item = live::itemNumber(name);
    if (item < 0 || item > itemCount())
        return text(404, noItem(name, itemCount()));
    if (json)
        return {200, "application/json", answer(item).toUtf8(), {}};
    return {200, "text/plain; charset=utf-8", items_[std::size_t(item)].text.toUtf8(), {}};
}

} // namespace qmxsrv
