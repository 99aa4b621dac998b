#include "service/alarmmessage.h"

#include "quality/spcstore.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace qmxsrv::live {

namespace {

QString text(const std::string &s) { return QString::fromStdString(s); }

QJsonValue number(const std::optional<double> &v)
{
    return v ? QJsonValue(*v) : QJsonValue(QJsonValue::Null);
}

} // namespace

QJsonObject alarmObject(const spc::Alarm &a, bool answered)
{
    QJsonArray rules;
    for (const std::string &name : a.ruleNames())
        rules.append(text(name));
    QJsonObject o{{"alarm", qint64(a.id)},
                  {"state", answered ? "answered" : "raised"},
                  {"setup", text(a.setup)},
                  {"channel", a.channel},
                  {"description", text(a.description)},
                  {"chart", text(a.chart)},
                  {"subgroup", qint64(a.subgroup)},
                  {"first_part", qint64(a.firstPart)},
                  {"last_part", qint64(a.lastPart)},
                  {"flags", text(a.flags)},
                  {"rules", rules},
                  {"mean", number(a.figure(a.mean))},
                  {"spread", number(a.figure(a.spread))},
                  {"centre", number(a.figure(a.centre))},
                  {"lcl", number(a.figure(a.lcl))},
                  {"ucl", number(a.figure(a.ucl))},
                  {"raised_utc", text(a.raisedUtc)},
                  {"raised_operator", text(a.raisedOperator)}};
    if (answered) {
        o.insert("answered_utc", text(a.answeredUtc));
        o.insert("operator", text(a.operatorName));
        o.insert("cause", text(a.cause));
        o.insert("action", text(a.action));
        o.insert("comment", text(a.comment));
    }
    return o;
}

QString alarmMessage(const QJsonObject &alarm)
{
    return QString::fromUtf8(
        QJsonDocument(QJsonObject{{"alarm", alarm}}).toJson(QJsonDocument::Compact));
}

} // namespace qmxsrv::live
