#include "mainwindow/livevalueservice.h"

#include "mainwindow/liveconversation.h"
#include "mainwindow/liveprotocol.h"
#include "platform/stationtoken.h"

#include <QJsonDocument>
#include <QPointer>
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
} // namespace

LiveValueService::LiveValueService(QObject *parent)
    : QObject(parent), listener_(new QTcpServer(this)),
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
    connect(server_, &QWebSocketServer::newConnection, this, &LiveValueService::acceptConnections);
    // Our own listener only to switch Nagle off: pushes are small and must
    // not wait for the client's delayed acknowledgement (40 ms on Linux).
    connect(listener_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = listener_->nextPendingConnection()) {
            if (connections_ >= connectionLimit_) {
                socket->abort();
                socket->deleteLater();
                continue;
            }
            ++connections_;
            connect(socket, &QObject::destroyed, this, [this] { --connections_; });
            socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            auto *exchange = new HttpExchange(
                socket, [this](const HttpRequest &request) { return httpAnswer(request); },
                httpIdleTimeout_, queueLimit_, this);
            connect(exchange, &HttpExchange::upgrade, this,
                    [this](QTcpSocket *upgraded) { server_->handleConnection(upgraded); });
        }
    });
}

LiveValueService::~LiveValueService()
{
    blockSignals(true);
    for (LiveConversation *conversation : conversations_)
        conversation->disconnect(this);
}

bool LiveValueService::listen(const LinkEndpoint &endpoint)
{
    return listener_->listen(endpoint.address, endpoint.port);
}

QString LiveValueService::errorString() const { return listener_->errorString(); }

quint16 LiveValueService::port() const { return listener_->serverPort(); }

void LiveValueService::acceptConnections()
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
        auto *conversation = new LiveConversation(socket, queueLimit_, this);
        conversation->setItemCount(itemCount());
        conversation->authorized =
            sameToken(socket->request().rawHeader("Authorization"), "Bearer " + token_) &&
            !token_.isEmpty();
        connect(conversation, &LiveConversation::received, this, &LiveValueService::handle);
        connect(conversation, &LiveConversation::binaryReceived, this, [](LiveConversation *c) {
            c->send(live::errorMessage(QStringLiteral("messages are JSON text")));
        });
        connect(conversation, &LiveConversation::finished, this, &LiveValueService::end);
        conversations_.push_back(conversation);
        emit conversationOpened();
    }
}

void LiveValueService::refuse(QWebSocket *socket)
{
    connect(socket, &QWebSocket::disconnected, socket, &QObject::deleteLater);
    socket->close(QWebSocketProtocol::CloseCodePolicyViolated,
                  QStringLiteral("unknown topic; the topic is ") + live::topicPath);
    QTimer::singleShot(refusedCloseWait, socket, &QWebSocket::abort);
}

void LiveValueService::setToken(const QByteArray &token) { token_ = token; }

void LiveValueService::setCommandHandler(CommandHandler handler) { commands_ = std::move(handler); }

void LiveValueService::handle(LiveConversation *conversation, const QString &message)
{
    const QJsonObject object = QJsonDocument::fromJson(message.toUtf8()).object();
    if (object.contains(QLatin1String("command"))) {
        if (!conversation->authorized) {
            conversation->send(live::errorMessage(QStringLiteral("not authorized")));
        } else if (!commands_) {
            conversation->send(live::errorMessage(QStringLiteral("no commands are taken here")));
        } else {
            QPointer<LiveConversation> to(conversation);
            commands_(object, [to](const QString &reply) {
                if (to)
                    to->send(reply);
            });
        }
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
        conversation->send(live::errorMessage(
            QStringLiteral("no item \"%1\"; the items are 0 to %2").arg(m.item).arg(itemCount())));
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
void LiveValueService::advise(LiveConversation *conversation, int item)
{
    Item &it = items_[std::size_t(item)];
    if (!conversation->advised(item)) {
        conversation->setAdvised(item, true);
        it.advisers.push_back(conversation);
    }
    conversation->send(answer(item));
}

void LiveValueService::unadvise(LiveConversation *conversation, int item)
{
    if (!conversation->advised(item))
        return;
    conversation->setAdvised(item, false);
    auto &advisers = items_[std::size_t(item)].advisers;
    advisers.erase(std::find(advisers.begin(), advisers.end(), conversation));
}

void LiveValueService::end(LiveConversation *conversation)
{
    for (int item = 0; item <= itemCount(); ++item)
        unadvise(conversation, item);
    conversations_.erase(std::find(conversations_.begin(), conversations_.end(), conversation));
    conversation->deleteLater();
    emit conversationClosed();
}

void LiveValueService::setItemCount(int count)
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

int LiveValueService::itemCount() const { return int(items_.size()) - 1; }

bool LiveValueService::setItemText(int item, const QString &text, const ChannelReading &reading)
{
    if (item < 1 || item > itemCount())
        return false;
    Item &it = items_[std::size_t(item)];
    const bool pushed = it.text != text || it.reading.verdict != reading.verdict;
    it.text = text;
    it.reading = reading;
    if (pushed && !it.advisers.empty()) {
        const QString m = answer(item);
        for (LiveConversation *conversation : it.advisers)
            conversation->send(m);
    }
    if (pushed && keepChanges_) {
        if (changes_.empty())
            changes_.reserve(items_.size());
        changes_.push_back({item, text, reading});
    }
    return true;
}

QString LiveValueService::answer(int item) const
{
    const Item &it = items_[std::size_t(item)];
    return item == 0 ? live::itemMessage(item, it.text)
                     : live::channelMessage(item, it.text, it.reading);
}

ChannelReading LiveValueService::itemReading(int item) const
{
    return item >= 1 && item <= itemCount() ? items_[std::size_t(item)].reading : ChannelReading();
}

void LiveValueService::setStationSource(std::function<Station()> source)
{
    station_ = std::move(source);
}

void LiveValueService::setResultsSource(std::function<Results()> source)
{
    results_ = std::move(source);
}

live::Status LiveValueService::status() const
{
    live::Status s;
    s.channels = itemCount();
    if (station_) {
        const Station station = station_();
        s.demo = station.demo;
        s.setup = station.setup;
    }
    if (results_) {
        const Results results = results_();
        s.parts = results.parts;
        s.recording = results.recording;
    }
    return s;
}

QString LiveValueService::itemText(int item) const
{
    return item >= 0 && item <= itemCount() ? items_[std::size_t(item)].text : QString();
}

int LiveValueService::conversationCount() const { return int(conversations_.size()); }

void LiveValueService::setQueueLimit(qint64 bytes) { queueLimit_ = bytes; }

void LiveValueService::setConnectionLimit(int connections) { connectionLimit_ = connections; }

void LiveValueService::setHttpIdleTimeout(int ms) { httpIdleTimeout_ = ms; }

HttpAnswer LiveValueService::httpAnswer(const HttpRequest &request) const
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
            body += '"' + QByteArray::number(item) + "\":" + live::jsonString(itemText(item));
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
        return text(
            404,
            QStringLiteral("no item \"%1\"; the items are 0 to %2").arg(name).arg(itemCount()));
    if (json)
        return {200, "application/json", answer(item).toUtf8(), {}};
    return {200, "text/plain; charset=utf-8", itemText(item).toUtf8(), {}};
}

} // namespace qmxsrv
