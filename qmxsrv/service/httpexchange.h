// One connection to the live-value service before it is known to be a
// WebSocket: plain HTTP GETs are answered here (what a spreadsheet's web
// function and curl send), and a request that asks for an upgrade is handed,
// unread, to the WebSocket server, which does the handshake and its checks
// as it always has.
//
// Requests are read with http_parser. One request with its body may be
// 8 kB; a larger one is refused and the connection closed. Each request
// must arrive whole within the idle time of the connection's opening or the
// previous answer, so a peer that sends nothing, or a byte now and then,
// cannot hold a place.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>

#include <http_parser.h>

#include <functional>

class QAbstractSocket;
class QTcpSocket;
class QTimer;

namespace qmxsrv {

struct HttpRequest {
    QByteArray method;   // "GET"
    QByteArray path;     // "/FormMain/3": the query, if any, is not part of it
    bool origin = false; // an Origin header came with it: a browser's page asks
};

struct HttpAnswer {
    int status = 200;
    QByteArray contentType;
    QByteArray body;
    QByteArray allow; // the methods a 405 names
};

class HttpExchange : public QObject {
    Q_OBJECT
public:
    using Responder = std::function<HttpAnswer(const HttpRequest &)>;

    static constexpr int maxRequest = 8 * 1024;
    static constexpr int defaultIdleTimeout = 5000; // ms

    // Reads socket from now on; a client that lets more than queueLimit
    // bytes of answers pile up unread is dropped.
    HttpExchange(QTcpSocket *socket, Responder responder, int idleTimeout, qint64 queueLimit,
                 QObject *parent);

signals:
    // The request at the socket's start asks for an upgrade. Nothing of it
    // has been read; the socket is no longer this exchange's.
    void upgrade(QTcpSocket *socket);

private:
    static int onUrl(http_parser *p, const char *at, size_t length);
    static int onHeaderField(http_parser *p, const char *at, size_t length);
    static int onHeaderValue(http_parser *p, const char *at, size_t length);
    static int onHeadersComplete(http_parser *p);
    static int onMessageComplete(http_parser *p);

    void startRequest();
    void readable();
    void send(const HttpAnswer &answer, bool head, bool keepAlive, bool http10);
    // Answers status with a short text and closes once it is written.
    void refuse(int status);
    void close();

    QPointer<QAbstractSocket> socket_; // no QTcpSocket cast while it is being destroyed
    Responder responder_;
    QTimer *idle_;
    qint64 queueLimit_;

    http_parser parser_;
    qint64 fed_ = 0; // bytes of the current request given to the parser
    QByteArray url_, field_;
    bool inValue_ = false;
    bool origin_ = false, upgrade_ = false;
    bool headersDone_ = false, tooLarge_ = false, complete_ = false, keepAlive_ = false;
    bool closing_ = false;
};

} // namespace qmxsrv
