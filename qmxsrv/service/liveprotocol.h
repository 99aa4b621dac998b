// The live-value protocol's messages: what a client may send and what the
// server answers. Every message is one JSON object in one text frame.
#pragma once

#include "service/channelreading.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>

namespace qmxsrv::live {

// The one topic, the path of the request URL: ws://127.0.0.1:4747/FormMain
inline const QString topicPath = QStringLiteral("/FormMain");
// advise and unadvise take it for every item.
inline const QString allItems = QStringLiteral("*");
// {"request":"status"} asks for the station's status instead of an item.
inline const QString statusRequest = QStringLiteral("status");
// {"advise":"alarms"}: every SPC alarm raised or answered from now on, as
// {"alarm":{...}}; {"request":"alarms"} the open ones, {"alarms":[...]}.
inline const QString alarmsItem = QStringLiteral("alarms");

enum class Verb { Request, Advise, Unadvise };

struct ClientMessage {
    Verb verb;
    QString item; // an item name as sent, or "*" with advise and unadvise
};

// {"request":"3"}, {"advise":"3"|"*"}, {"unadvise":"3"|"*"}; a message
// carries exactly one verb. On failure the error text to answer with.
struct Parsed {
    std::optional<ClientMessage> message;
    QString error;
};
Parsed parseClientMessage(const QString &text);

// The number an item name stands for: "0", "1", ... written the one way
// (no sign, blanks or leading zeros); -1 for anything else.
int itemNumber(const QString &name);

QString itemMessage(int item, const QString &text); // {"item":"0","text":"DDE"}
// A channel's item: {"item":"3","text":" 0.01230","value":0.0123,"verdict":"good"},
// "value" null without a number.
QString channelMessage(int item, const QString &text, const ChannelReading &reading);
// Its fields, for messages that add to them.
QJsonObject channelObject(int item, const QString &text, const ChannelReading &reading);
QString removedMessage(int item);           // {"item":"25","removed":true}
QString errorMessage(const QString &error); // {"error":"..."}
QByteArray jsonString(const QString &text); // "..." with JSON's escapes

// What {"request":"status"} answers; a part that nobody told the service
// of is null.
struct Status {
    std::optional<bool> demo; // the board in demonstration mode
    std::optional<QString> setup;
    int channels = 0;
    std::optional<qint64> parts;
    std::optional<bool> recording;
    std::optional<qint64> alarms; // open SPC alarms
};
// {"status":{"alarms":0,"board":"running"|"demo","channels":24,"parts":17,"recording":true,
// "setup":"..."}}
QString statusMessage(const Status &status);

} // namespace qmxsrv::live
