#include "service/liveprotocol.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace qmxsrv::live {

namespace {

QString compact(const QJsonObject &object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

Parsed failed(const QString &error) { return {std::nullopt, error}; }

} // namespace

Parsed parseClientMessage(const QString &text)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        return failed(QStringLiteral("not a JSON object"));
    const QJsonObject object = document.object();
    if (object.size() != 1)
        return failed(QStringLiteral("a message carries one of request, advise, unadvise"));
    const QString verbName = object.begin().key();
    Verb verb;
    if (verbName == QLatin1String("request"))
        verb = Verb::Request;
    else if (verbName == QLatin1String("advise"))
        verb = Verb::Advise;
    else if (verbName == QLatin1String("unadvise"))
        verb = Verb::Unadvise;
    else
        return failed(
            QStringLiteral("unknown verb \"%1\"; use request, advise or unadvise").arg(verbName));
    const QJsonValue item = object.begin().value();
    if (!item.isString())
        return failed(QStringLiteral("the item is a string such as \"3\""));
    if (verb == Verb::Request && item.toString() == allItems)
        return failed(QStringLiteral("request names one item"));
    return {ClientMessage{verb, item.toString()}, QString()};
}

int itemNumber(const QString &name)
{
    if (name.isEmpty() || name.size() > 5 || (name.size() > 1 && name.front() == QLatin1Char('0')))
        return -1;
    int number = 0;
    for (const QChar c : name) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        number = number * 10 + (c.unicode() - '0');
    }
    return number;
}

QString itemMessage(int item, const QString &text)
{
    return compact(
        {{QStringLiteral("item"), QString::number(item)}, {QStringLiteral("text"), text}});
}

QJsonObject channelObject(int item, const QString &text, const ChannelReading &reading)
{
    const std::string_view verdict = verdictText(reading.verdict);
    return {{QStringLiteral("item"), QString::number(item)},
            {QStringLiteral("text"), text},
            {QStringLiteral("value"),
             reading.value ? QJsonValue(*reading.value) : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("verdict"),
             QString::fromLatin1(verdict.data(), qsizetype(verdict.size()))}};
}

QString channelMessage(int item, const QString &text, const ChannelReading &reading)
{
    return compact(channelObject(item, text, reading));
}

QString removedMessage(int item)
{
    return compact(
        {{QStringLiteral("item"), QString::number(item)}, {QStringLiteral("removed"), true}});
}

QString errorMessage(const QString &error) { return compact({{QStringLiteral("error"), error}}); }

QByteArray jsonString(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

QString statusMessage(const Status &status)
{
    const auto orNull = [](const auto &value) {
        return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
    };
    QJsonValue board(QJsonValue::Null);
    if (status.demo)
        board = *status.demo ? QStringLiteral("demo") : QStringLiteral("running");
    return compact({{QStringLiteral("status"),
                     QJsonObject{{QStringLiteral("alarms"), orNull(status.alarms)},
                                 {QStringLiteral("board"), board},
                                 {QStringLiteral("setup"), orNull(status.setup)},
                                 {QStringLiteral("channels"), status.channels},
                                 {QStringLiteral("parts"), orNull(status.parts)},
                                 {QStringLiteral("recording"), orNull(status.recording)}}}});
}

} // namespace qmxsrv::live
