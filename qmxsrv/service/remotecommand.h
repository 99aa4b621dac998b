// The commands other programs send to the station ({"command":...}), read
// and checked before anything at the station is touched: a command that
// comes through here is well formed, and a refusal names what is wrong in
// words that never carry the client's text back through a placeholder.
#pragma once

#include "quality/controlplan.h"

#include <QJsonObject>
#include <QString>

#include <cstdint>
#include <optional>
#include <utility>

namespace qmxsrv::remote {

enum class Kind { Record, ResetMaxMin, View, Load, Reconnect, Operator, Plan };

struct Command {
    Kind kind = Kind::Record;
    QString command;               // as sent, for the reply
    std::optional<QString> serial; // record: the part's serial, cleaned
    QString view;                  // view: channels, lvdts, analogs or group
    int group = 0;                 // view group: the group's number
    QString setup;                 // load: a .qmx file name in setups/
    QString name;                  // operator: who is working ("" for nobody)
    // plan: the control plan of a channel of the open setup (its setup set by
    // the station), or its removal; fixed limits from subgroups fix.
    spc::ControlPlan plan;
    bool removePlan = false;
    std::optional<std::pair<std::int64_t, std::int64_t>> fix;
};

struct Parsed {
    std::optional<Command> command;
    QString error;
};

// The longest serial or operator name a command may give, in characters.
inline constexpr int MaxSerial = 40;

Parsed parseCommand(const QJsonObject &object);

// Where setups that a command may load live: setups/ in the program folder.
inline constexpr char SetupsFolder[] = "setups";

// The file a load names, resolved: a regular file inside setups (links
// followed, and refused when they lead out of it), or an error.
struct SetupFile {
    QString path;
    QString error;
};
SetupFile resolveSetup(const QString &setupsFolder, const QString &name);

// Whether the file starts with a setup file's version line ("[QMXSRV
// Version ...]"); a file that does not is no setup, whatever its name.
bool startsAsSetupFile(const QString &path);

} // namespace qmxsrv::remote
