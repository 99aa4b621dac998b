// Clients of the live-value service for the tests: a real QWebSocket that
// keeps every message it receives, and a raw connection that stops reading.
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QStringList>
#include <QTcpSocket>
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
inline bool waitFor(const std::function<bool()> &cond)
{
    QDeadlineTimer deadline(5000);
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

// An item's text as the service sends it.
inline QString itemMessage(int item, const QString &text)
{
    return QStringLiteral("{\"item\":\"%1\",\"text\":\"%2\"}").arg(item).arg(text);
}

class TestClient {
public:
    explicit TestClient(quint16 port, const QString &path = QStringLiteral("/FormMain"),
                        const QString &origin = QString())
        : socket(origin)
    {
        QObject::connect(&socket, &QWebSocket::textMessageReceived, &socket,
                         [this](const QString &message) { messages << message; });
        QObject::connect(&socket, &QWebSocket::disconnected, &socket, [this] { closed = true; });
        socket.open(QUrl(QStringLiteral("ws://127.0.0.1:%1%2").arg(port).arg(path)));
    }

    bool connected() const { return socket.state() == QAbstractSocket::ConnectedState; }
    bool waitConnected() { return waitFor([this] { return connected() || closed; }) && connected(); }
    bool waitClosed() { return waitFor([this] { return closed; }); }
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

// Performs the WebSocket handshake by hand, advises every item, and from then
// on reads nothing: the peer the server must not wait for.
inline bool openStalledClient(QTcpSocket &socket, quint16 port)
{
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!waitFor([&] { return socket.state() == QAbstractSocket::ConnectedState; }))
        return false;
    // Small buffers on our side, so the server's queue is what fills.
    socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
    socket.setReadBufferSize(4096);
    socket.write(QStringLiteral("GET /FormMain HTTP/1.1\r\nHost: 127.0.0.1:%1\r\n"
                                "Upgrade: websocket\r\nConnection: Upgrade\r\n"
                                "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                                "Sec-WebSocket-Version: 13\r\n\r\n")
                     .arg(port)
                     .toLatin1());
    QByteArray response;
    if (!waitFor([&] {
            response += socket.readAll();
            return response.contains("\r\n\r\n");
        })
        || !response.startsWith("HTTP/1.1 101"))
        return false;
    // A masked client text frame (mask 0) with {"advise":"*"}.
    const QByteArray advise = "{\"advise\":\"*\"}";
    socket.write(QByteArray(1, char(0x81)) + char(0x80 | advise.size()) + QByteArray(4, '\0')
                 + advise);
    return socket.waitForBytesWritten(5000) || socket.bytesToWrite() == 0;
}
