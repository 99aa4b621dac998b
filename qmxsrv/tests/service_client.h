// A client of the live-value service for the tests: a real QWebSocket that
// keeps every message it receives.
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QStringList>
#include <QTimer>
#include <QWebSocket>

#include <functional>
#include <ostream>

// Readable QStrings in test failures.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

// Waits for cond while the event loop runs; false after five seconds. Wakes
// as soon as anything happens, unlike a sleep-and-poll loop: a thousand
// connections in a row take a second, not a minute.
inline bool waitFor(const std::function<bool()> &cond, int ms = 5000)
{
    QDeadlineTimer deadline(ms);
    QTimer tick;
    tick.start(20);
    while (!cond()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

// An item's text as the service sends it without a reading (item 0), and
// as a client written before readings sees every item.
inline QString itemMessage(int item, const QString &text)
{
    return QStringLiteral("{\"item\":\"%1\",\"text\":\"%2\"}").arg(item).arg(text);
}

// A channel's item: value as JSON ("null", "0.5").
inline QString channelMessage(int item, const QString &text, const QString &value = "null",
                              const QString &verdict = "invalid")
{
    return QStringLiteral("{\"item\":\"%1\",\"text\":\"%2\",\"value\":%3,\"verdict\":\"%4\"}")
        .arg(item)
        .arg(text)
        .arg(value)
        .arg(verdict);
}

// message less the two fields readings added, exactly as they end a channel's
// message; anything else stays, so a change elsewhere still shows.
inline QString oldProtocol(QString message)
{
    static const QRegularExpression added(QStringLiteral(
        R"re(,"value":(null|-?[0-9][0-9.e+-]*),"verdict":"(good|approach|reject|invalid)"\}$)re"));
    return message.replace(added, QStringLiteral("}"));
}

inline QStringList oldProtocol(QStringList messages)
{
    for (QString &m : messages)
        m = oldProtocol(m);
    return messages;
}

class TestClient {
public:
    explicit TestClient(quint16 port, const QString &path = QStringLiteral("/FormMain"),
                        const QString &origin = QString(), const QByteArray &authorization = {})
        : socket(origin)
    {
        QObject::connect(&socket, &QWebSocket::textMessageReceived, &socket,
                         [this](const QString &message) { messages << message; });
        QObject::connect(&socket, &QWebSocket::disconnected, &socket, [this] { closed = true; });
        QNetworkRequest request(QUrl(QStringLiteral("ws://127.0.0.1:%1%2").arg(port).arg(path)));
        if (!authorization.isEmpty())
            request.setRawHeader("Authorization", authorization);
        socket.open(request);
    }

    bool connected() const { return socket.state() == QAbstractSocket::ConnectedState; }
    bool waitConnected()
    {
        return waitFor([this] { return connected() || closed; }) && connected();
    }
    bool waitClosed()
    {
        return waitFor([this] { return closed; });
    }
    void send(const QString &message) { socket.sendTextMessage(message); }
    // Waits for the next message and returns it ("" when none came).
    QString next()
    {
        return waitFor([this] { return messages.size() > taken; }) ? messages[taken++] : QString();
    }
    // Sends message and returns the answer.
    QString ask(const QString &message)
    {
        send(message);
        return next();
    }

    QWebSocket socket;
    QStringList messages; // all received, oldest first
    int taken = 0;        // how many of them next() has returned
    bool closed = false;
};
