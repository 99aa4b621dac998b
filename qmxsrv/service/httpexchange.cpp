#include "service/httpexchange.h"

#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <limits>

#include <sys/socket.h>

namespace qmxsrv {

namespace {

constexpr int refusedCloseWait = 2000;
// Room to see a little past the limit, so that an oversized request is
// known as one; the socket reads no more than this ahead of the parser.
constexpr qint64 readAhead = 2 * HttpExchange::maxRequest;

const char *reason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 413: return "Content Too Large";
    case 431: return "Request Header Fields Too Large";
    default: return "Error";
    }
}

HttpExchange &of(http_parser *p) { return *static_cast<HttpExchange *>(p->data); }

} // namespace

HttpExchange::HttpExchange(QTcpSocket *socket, Responder responder, int idleTimeout,
                           qint64 queueLimit, QObject *parent)
    : QObject(parent), socket_(socket), responder_(std::move(responder)), idle_(new QTimer(this)),
      queueLimit_(queueLimit)
{
    socket->setReadBufferSize(readAhead);
    idle_->setSingleShot(true);
    idle_->setInterval(idleTimeout);
    connect(idle_, &QTimer::timeout, this, [this] {
        if (socket_)
            socket_->abort();
    });
    connect(socket, &QTcpSocket::readyRead, this, &HttpExchange::readable);
    // Also emitted from inside the socket's destructor: no cast of it then.
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
    connect(socket, &QObject::destroyed, this, &QObject::deleteLater);
    startRequest();
    idle_->start();
    // Bytes that came with the connection raise no readyRead of their own.
    if (socket->bytesAvailable() > 0)
        QTimer::singleShot(0, this, &HttpExchange::readable);
}

void HttpExchange::startRequest()
{
    http_parser_init(&parser_, HTTP_REQUEST);
    parser_.data = this;
    fed_ = 0;
    url_.clear();
    field_.clear();
    inValue_ = origin_ = upgrade_ = false;
    headersDone_ = tooLarge_ = complete_ = keepAlive_ = false;
}

int HttpExchange::onUrl(http_parser *p, const char *at, size_t length)
{
    of(p).url_.append(at, qsizetype(length));
    return 0;
}

// Names and values can come in pieces, split wherever a read ended.
int HttpExchange::onHeaderField(http_parser *p, const char *at, size_t length)
{
    HttpExchange &x = of(p);
    if (x.inValue_) {
        x.field_.clear();
        x.inValue_ = false;
    }
    x.field_.append(at, qsizetype(length));
    return 0;
}

int HttpExchange::onHeaderValue(http_parser *p, const char *, size_t)
{
    HttpExchange &x = of(p);
    if (!x.inValue_) {
        x.inValue_ = true;
        const QByteArray name = x.field_.toLower();
        x.origin_ = x.origin_ || name == "origin";
        x.upgrade_ = x.upgrade_ || name == "upgrade";
    }
    return 0;
}

int HttpExchange::onHeadersComplete(http_parser *p)
{
    HttpExchange &x = of(p);
    x.headersDone_ = true;
    const bool declared = p->content_length != std::numeric_limits<std::uint64_t>::max();
    x.tooLarge_ = declared && p->content_length > std::uint64_t(maxRequest);
    if (x.upgrade_ || x.tooLarge_)
        http_parser_pause(p, 1);
    return 0;
}

int HttpExchange::onMessageComplete(http_parser *p)
{
    HttpExchange &x = of(p);
    x.complete_ = true;
    x.keepAlive_ = http_should_keep_alive(p) != 0;
    // Stop here: what follows is the next request, read once this one is answered.
    http_parser_pause(p, 1);
    return 0;
}

void HttpExchange::readable()
{
    static const http_parser_settings settings = [] {
        http_parser_settings s{};
        s.on_url = &HttpExchange::onUrl;
        s.on_header_field = &HttpExchange::onHeaderField;
        s.on_header_value = &HttpExchange::onHeaderValue;
        s.on_headers_complete = &HttpExchange::onHeadersComplete;
        s.on_message_complete = &HttpExchange::onMessageComplete;
        return s;
    }();
    if (closing_) { // what a refused client still sends is read and dropped
        if (socket_)
            socket_->skip(socket_->bytesAvailable());
        return;
    }
    while (socket_ && !closing_) {
        const qint64 available = socket_->bytesAvailable();
        if (available <= fed_)
            return;
        const QByteArray data = socket_->peek(available);
        qint64 chunk = data.size() - fed_;
        // Headers are given no more than one byte past the limit, so that
        // too long a header section is told from too long a body.
        if (!headersDone_)
            chunk = std::min(chunk, maxRequest + 1 - fed_);
        fed_ += qint64(
            http_parser_execute(&parser_, &settings, data.constData() + fed_, std::size_t(chunk)));
        if (upgrade_ && headersDone_) {
            idle_->stop();
            disconnect(socket_, nullptr, this, nullptr);
            auto *socket = static_cast<QTcpSocket *>(socket_.data());
            socket_ = nullptr;
            disconnect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            socket->setReadBufferSize(0);
            emit upgrade(socket);
            deleteLater();
            return;
        }
        const http_errno error = HTTP_PARSER_ERRNO(&parser_);
        if (tooLarge_ || fed_ > maxRequest)
            return refuse(headersDone_ ? 413 : 431);
        if (error != HPE_OK && error != HPE_PAUSED)
            return refuse(400);
        if (!complete_)
            continue;

        HttpRequest request;
        request.method = http_method_str(http_method(parser_.method));
        request.origin = origin_;
        http_parser_url url;
        http_parser_url_init(&url);
        if (http_parser_parse_url(url_.constData(), std::size_t(url_.size()), 0, &url) != 0)
            return refuse(400);
        if (url.field_set & (1 << UF_PATH))
            request.path = url_.mid(url.field_data[UF_PATH].off, url.field_data[UF_PATH].len);
        const bool http10 = parser_.http_major == 1 && parser_.http_minor == 0;
        const bool keepAlive = keepAlive_;
        socket_->skip(fed_);
        send(responder_(request), request.method == "HEAD", keepAlive, http10);
        if (!keepAlive) {
            close();
            return;
        }
        startRequest();
        idle_->start();
    }
}

void HttpExchange::send(const HttpAnswer &answer, bool head, bool keepAlive, bool http10)
{
    QByteArray out = "HTTP/1.1 " + QByteArray::number(answer.status) + ' ' + reason(answer.status) +
                     "\r\nContent-Type: " + answer.contentType +
                     "\r\nContent-Length: " + QByteArray::number(answer.body.size()) +
                     "\r\nCache-Control: no-store\r\n";
    if (!answer.allow.isEmpty())
        out += "Allow: " + answer.allow + "\r\n";
    if (!keepAlive)
        out += "Connection: close\r\n";
    else if (http10)
        out += "Connection: keep-alive\r\n";
    out += "\r\n";
    if (!head)
        out += answer.body;
    socket_->write(out);
    // Requests sent without reading the answers must not fill memory.
    if (socket_->bytesToWrite() > queueLimit_)
        socket_->abort();
}

void HttpExchange::refuse(int status)
{
    const QByteArray text = reason(status);
    send({status, "text/plain; charset=utf-8", text + '\n', {}}, false, false, false);
    close();
}

void HttpExchange::close()
{
    if (!socket_)
        return;
    closing_ = true;
    idle_->stop();
    socket_->skip(socket_->bytesAvailable());
    // Closing outright with unread bytes from the client would reset the
    // connection and could destroy the answer on its way: end our side once
    // the answer is out, drop what still comes, and let the client close.
    const auto endOurSide = [this] {
        if (socket_ && socket_->bytesToWrite() == 0)
            ::shutdown(int(socket_->socketDescriptor()), SHUT_WR);
    };
    connect(socket_, &QTcpSocket::bytesWritten, this, endOurSide);
    socket_->flush();
    endOurSide();
    QTimer::singleShot(refusedCloseWait, socket_, &QTcpSocket::abort);
}

} // namespace qmxsrv
