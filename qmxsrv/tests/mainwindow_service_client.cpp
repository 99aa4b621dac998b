#include "mainwindow_service_client.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

bool waitFor(const std::function<bool()> &cond)
{
    // Wakes as soon as anything happens, unlike a sleep-and-poll loop: a
    // thousand connections in a row take a second, not a minute.
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

TestClient::TestClient(quint16 port, const QString &path, const QString &origin)
    : socket(origin)
{
    QObject::connect(&socket, &QWebSocket::textMessageReceived, &socket,
                     [this](const QString &message) { messages << message; });
    QObject::connect(&socket, &QWebSocket::disconnected, &socket, [this] { closed = true; });
    socket.open(QUrl(QStringLiteral("ws://127.0.0.1:%1%2").arg(port).arg(path)));
}

bool TestClient::waitConnected()
{
    return waitFor([this] { return connected() || closed; }) && connected();
}

bool TestClient::waitClosed()
{
    return waitFor([this] { return closed; });
}

QString TestClient::next()
{
    if (!waitFor([this] { return messages.size() > taken; }))
        return QString();
    return messages[taken++];
}

QString TestClient::ask(const QString &message)
{
    send(message);
    return next();
}

StalledClient::StalledClient(quint16 port) : port_(port) {}

bool StalledClient::open()
{
    socket.connectToHost(QHostAddress::LocalHost, port_);
    if (!waitFor([this] { return socket.state() == QAbstractSocket::ConnectedState; }))
        return false;
    // Small buffers on our side, so the server's queue is what fills.
    socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
    socket.setReadBufferSize(4096);
    socket.write(QStringLiteral("GET /FormMain HTTP/1.1\r\n"
                                "Host: 127.0.0.1:%1\r\n"
                                "Upgrade: websocket\r\n"
                                "Connection: Upgrade\r\n"
                                "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                                "Sec-WebSocket-Version: 13\r\n\r\n")
                     .arg(port_)
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
    QByteArray frame;
    frame += char(0x81);
    frame += char(0x80 | advise.size());
    frame += QByteArray(4, '\0');
    frame += advise;
    socket.write(frame);
    return socket.waitForBytesWritten(5000) || socket.bytesToWrite() == 0;
}
