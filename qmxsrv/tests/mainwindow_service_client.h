// Clients of the live-value service for the tests: a real QWebSocket that
// keeps every message it receives, and a raw connection that stops reading.
#pragma once

#include <QStringList>
#include <QTcpSocket>
#include <QWebSocket>

#include <functional>
#include <ostream>

// Readable QStrings in test failures.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

// Waits for cond while the event loop runs; false after five seconds.
bool waitFor(const std::function<bool()> &cond);

class TestClient {
public:
    explicit TestClient(quint16 port, const QString &path = QStringLiteral("/FormMain"),
                        const QString &origin = QString());

    bool connected() const { return socket.state() == QAbstractSocket::ConnectedState; }
    bool waitConnected();
    bool waitClosed();
    void send(const QString &message) { socket.sendTextMessage(message); }
    // Waits for the next message and returns it ("" when none came).
    QString next();
    // Sends message and returns the answer.
    QString ask(const QString &message);

    QWebSocket socket;
    QStringList messages; // all received, oldest first
    int taken = 0;        // how many of them next() has returned
    bool closed = false;
};

// Performs the WebSocket handshake by hand, advises every item, and from then
// on reads nothing: the peer the server must not wait for.
class StalledClient {
public:
    explicit StalledClient(quint16 port);
    bool open();
    QTcpSocket socket;

private:
    quint16 port_;
};
