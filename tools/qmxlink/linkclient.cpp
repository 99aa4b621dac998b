#include "linkclient.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkRequest>

#include <cstdio>

namespace {
constexpr int answerWait = 5000; // ms for the connection, and for a request's answer

void printLine(FILE *stream, const QString &line)
{
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stream);
    std::fflush(stream); // a pipe reader sees each update as it comes
}
} // namespace

LinkClient::LinkClient(const Order &order, QObject *parent) : QObject(parent), order_(order)
{
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, [this] {
        failed(NoServer, QStringLiteral("no answer from %1 within %2 s")
                             .arg(order_.url.toString(), QString::number(answerWait / 1000)));
    });
    connect(&socket_, &QWebSocket::connected, this, &LinkClient::sendOrder);
    connect(&socket_, &QWebSocket::textMessageReceived, this, &LinkClient::received);
    connect(&socket_, &QWebSocket::disconnected, this, &LinkClient::lost);
    connect(&socket_, QOverload<QAbstractSocket::SocketError>::of(&QWebSocket::error), this,
            &LinkClient::lost);
}

void LinkClient::start()
{
    deadline_.start(answerWait);
    QNetworkRequest request(order_.url);
    if (!order_.token.isEmpty())
        request.setRawHeader("Authorization", "Bearer " + order_.token);
    socket_.open(request);
}

void LinkClient::sendOrder()
{
    reached_ = true;
    if (!order_.command.isEmpty()) {
        socket_.sendTextMessage(QString::fromUtf8(order_.command));
        return;
    }
    const QString verb = order_.advise ? QStringLiteral("advise") : QStringLiteral("request");
    socket_.sendTextMessage(QString::fromUtf8(
        QJsonDocument(QJsonObject{{verb, order_.item}}).toJson(QJsonDocument::Compact)));
    if (order_.advise)
        deadline_.stop(); // updates come when the values change, however long that takes
}

void LinkClient::received(const QString &message)
{
    if (finished_)
        return;
    const QJsonObject answer = QJsonDocument::fromJson(message.toUtf8()).object();
    if (answer.contains(QLatin1String("error"))) {
        failed(ServerError, QStringLiteral("the server answered: ") +
                                answer.value(QLatin1String("error")).toString());
        return;
    }
    if (!order_.command.isEmpty()) {
        if (!answer.contains(QLatin1String("reply")))
            return; // an item's update, not the reply
        printLine(stdout, message);
        finished_ = true;
        emit done(Done);
        return;
    }
    if (!order_.advise && order_.item == QLatin1String("status") &&
        answer.contains(QLatin1String("status"))) {
        printLine(stdout, message);
        finished_ = true;
        emit done(Done);
        return;
    }
    const QString item = answer.value(QLatin1String("item")).toString();
    if (answer.value(QLatin1String("removed")).toBool()) {
        printLine(stderr, QStringLiteral("qmxlink: item %1 no longer exists").arg(item));
        if (order_.advise && order_.item == item)
            failed(ServerError, QStringLiteral("nothing left to follow"));
        return;
    }
    const QString text = answer.value(QLatin1String("text")).toString();
    if (!order_.advise) {
        if (item != order_.item)
            return;
        printLine(stdout, text);
        finished_ = true;
        emit done(Done);
        return;
    }
    printLine(stdout, item + QLatin1Char('\t') + text);
    if (order_.count > 0 && ++printed_ >= order_.count) {
        finished_ = true;
        emit done(Done);
    }
}

void LinkClient::failed(int exitCode, const QString &why)
{
    if (finished_)
        return;
    finished_ = true;
    printLine(stderr, QStringLiteral("qmxlink: ") + why);
    emit done(exitCode);
}

void LinkClient::lost()
{
    QString why = socket_.closeReason();
    if (why.isEmpty())
        why = socket_.errorString();
    const QString server = order_.url.toString();
    failed(NoServer,
           reached_
               ? QStringLiteral("the gauge server at %1 ended the connection (%2)").arg(server, why)
               : QStringLiteral("no gauge server at %1 (%2)").arg(server, why));
}
