// An SPC alarm as the station's other programs read it: in the live-value
// service ({"alarm":{...}} to those that advised "alarms") and in the plant
// feed (qmx/<station>/alarm), once raised and once answered.
#pragma once

#include "quality/spcstore.h"

#include <QJsonObject>
#include <QString>

namespace qmxsrv::live {

// state "raised" carries the alarm as it was raised; "answered" the answer
// too (who, when, cause, action, comment).
QJsonObject alarmObject(const spc::Alarm &alarm, bool answered);
QString alarmMessage(const QJsonObject &alarm); // {"alarm":{...}}

} // namespace qmxsrv::live
