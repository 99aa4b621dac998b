#include "service/remotecommand.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonValue>

#include <algorithm>
#include <cmath>

namespace qmxsrv::remote {

namespace {

bool hasControlCharacter(const QString &text)
{
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.category() == QChar::Other_Control; });
}

const QString commandList = QStringLiteral("record, reset-maxmin, view, load, reconnect, operator");

QString setupNameError(const QString &name)
{
    if (name.isEmpty())
        return QStringLiteral("no setup named");
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
        name.startsWith(QLatin1Char('.')) || hasControlCharacter(name))
        return QStringLiteral("a setup is named by its file name in setups/, no path");
    if (!name.endsWith(QLatin1String(".qmx"), Qt::CaseInsensitive))
        return QStringLiteral("a setup is a .qmx file");
    return {};
}

Parsed refused(const QString &why) { return {std::nullopt, why}; }

// A serial or a name as a person types it: text, no control characters,
// blanks at the ends dropped, at most MaxSerial characters.
std::optional<QString> typedText(const QJsonValue &value, const char *what, QString &error)
{
    if (!value.isString()) {
        error = QString::fromLatin1(what) + QStringLiteral(" is text");
        return std::nullopt;
    }
    if (hasControlCharacter(value.toString())) {
        error = QStringLiteral("a ") + QString::fromLatin1(what) +
                QStringLiteral(" holds no control characters");
        return std::nullopt;
    }
    const QString text = value.toString().simplified();
    if (text.size() > MaxSerial) {
        error = QStringLiteral("a ") + QString::fromLatin1(what) +
                QStringLiteral(" has at most %1 characters").arg(MaxSerial);
        return std::nullopt;
    }
    return text;
}

Parsed record(Command c, const QJsonObject &o)
{
    const QJsonValue serial = o.value(QLatin1String("serial"));
    if (!serial.isUndefined()) {
        QString error;
        c.serial = typedText(serial, "serial", error);
        if (!c.serial)
            return refused(error);
    }
    return {c, {}};
}

Parsed view(Command c, const QJsonObject &o)
{
    c.view = o.value(QLatin1String("view")).toString();
    if (c.view == QLatin1String("group")) {
        // Only a JSON number that is whole: "1", 2.5 or none name no group.
        const QJsonValue group = o.value(QLatin1String("group"));
        const double n = group.toDouble(0.5);
        if (!group.isDouble() || n != std::floor(n) || std::fabs(n) > 1e9)
            return refused(QStringLiteral("group is a whole number"));
        c.group = int(n);
    } else if (c.view != QLatin1String("channels") && c.view != QLatin1String("lvdts") &&
               c.view != QLatin1String("analogs")) {
        return refused(QStringLiteral("view is channels, lvdts, analogs or group"));
    }
    return {c, {}};
}

Parsed load(Command c, const QJsonObject &o)
{
    const QJsonValue setup = o.value(QLatin1String("setup"));
    if (!setup.isUndefined() && !setup.isString())
        return refused(QStringLiteral("setup is text"));
    c.setup = setup.toString();
    if (const QString why = setupNameError(c.setup); !why.isEmpty())
        return refused(why);
    return {c, {}};
}

Parsed operatorName(Command c, const QJsonObject &o)
{
    QString error;
    const std::optional<QString> name = typedText(o.value(QLatin1String("name")), "name", error);
    if (!name)
        return refused(error);
    c.name = *name;
    return {c, {}};
}

// A JSON number that is whole, within lo..hi.
std::optional<std::int64_t> whole(const QJsonValue &v, double lo, double hi)
{
    const double n = v.toDouble(0.5);
    if (!v.isDouble() || n != std::floor(n) || n < lo || n > hi)
        return std::nullopt;
    return std::int64_t(n);
}

Parsed plan(Command c, const QJsonObject &o)
{
    spc::ControlPlan &p = c.plan;
    const auto channel = whole(o.value(QLatin1String("channel")), 1, 32767);
    if (!channel)
        return refused(QStringLiteral("channel is a whole number from 1"));
    p.channel = int(*channel);
    const QJsonValue remove = o.value(QLatin1String("remove"));
    if (!remove.isUndefined() && !remove.isBool())
        return refused(QStringLiteral("remove is true or false"));
    c.removePlan = remove.toBool(false);
    if (c.removePlan)
        return {c, {}};
    const auto n = whole(o.value(QLatin1String("subgroup")), 1, 25);
    if (!n)
        return refused(QStringLiteral("subgroup is a whole number from 1 to 25"));
    p.subgroupSize = int(*n);
    for (const auto &[key, field] : {std::pair{"use_s", &p.useS}, std::pair{"hold", &p.hold}}) {
        const QJsonValue v = o.value(QLatin1String(key));
        if (!v.isUndefined() && !v.isBool())
            return refused(QString::fromLatin1(key) + QStringLiteral(" is true or false"));
        *field = v.toBool(false);
    }
    const QJsonValue rules = o.value(QLatin1String("rules"));
    const auto set = spc::ruleSetOf(rules.toString(QStringLiteral("none")).toStdString());
    if ((!rules.isUndefined() && !rules.isString()) || !set)
        return refused(QStringLiteral("rules is none, we or nelson"));
    p.rules = *set;
    p.tests = spc::allTests(p.rules);
    if (const QJsonValue tests = o.value(QLatin1String("tests")); !tests.isUndefined()) {
        const int count = int(std::log2(double(p.tests) + 1));
        std::uint32_t chosen = 0;
        const QString why =
            QStringLiteral("tests is a list of the rules' test numbers, 1 to %1").arg(count);
        if (!tests.isArray())
            return refused(why);
        for (const QJsonValue &t : tests.toArray()) {
            const auto k = whole(t, 1, count);
            if (!k)
                return refused(why);
            chosen |= std::uint32_t{1} << (*k - 1);
        }
        p.tests = chosen;
    }
    const QJsonValue limits = o.value(QLatin1String("limits"));
    if (limits.isUndefined() || limits == QJsonValue(QStringLiteral("computed"))) {
        p.limits = spc::LimitsMode::Computed;
    } else if (limits.isObject() && limits.toObject().contains(QLatin1String("fix"))) {
        const QJsonArray range = limits.toObject().value(QLatin1String("fix")).toArray();
        const auto first = whole(range.at(0), 1, 1e15), last = whole(range.at(1), 1, 1e15);
        if (range.size() != 2 || !first || !last || *last < *first)
            return refused(QStringLiteral("fix names the first and last subgroup: [first,last]"));
        p.limits = spc::LimitsMode::Fixed;
        c.fix = std::pair(*first, *last);
    } else if (limits.isObject()) {
        const QJsonValue centre = limits.toObject().value(QLatin1String("centre"));
        const QJsonValue sigma = limits.toObject().value(QLatin1String("sigma"));
        if (!centre.isDouble() || !sigma.isDouble())
            return refused(QStringLiteral("limits are \"computed\", {\"fix\":[first,last]} "
                                          "or {\"centre\":x,\"sigma\":s}"));
        p.limits = spc::LimitsMode::Typed;
        p.centre = centre.toDouble();
        p.sigma = sigma.toDouble();
    } else {
        return refused(QStringLiteral("limits are \"computed\", {\"fix\":[first,last]} or "
                                      "{\"centre\":x,\"sigma\":s}"));
    }
    if (p.limits != spc::LimitsMode::Fixed)
        if (const std::string why = spc::planError(p); !why.empty())
            return refused(QString::fromStdString(why));
    return {c, {}};
}

Parsed plain(Command c, const QJsonObject &) { return {c, {}}; }

struct Entry {
    const char *name;
    Kind kind;
    Parsed (*parse)(Command, const QJsonObject &);
};

const Entry commands[] = {
    {"record", Kind::Record, record},
    {"reset-maxmin", Kind::ResetMaxMin, plain},
    {"view", Kind::View, view},
    {"load", Kind::Load, load},
    {"reconnect", Kind::Reconnect, plain},
    {"operator", Kind::Operator, operatorName},
    {"plan", Kind::Plan, plan},
};

} // namespace

Parsed parseCommand(const QJsonObject &object)
{
    const QString name = object.value(QLatin1String("command")).toString();
    for (const Entry &e : commands) {
        if (name == QLatin1String(e.name)) {
            Command c;
            c.kind = e.kind;
            c.command = name;
            return e.parse(c, object);
        }
    }
    // The name goes in last and alone: nothing in it is taken for a placeholder.
    return refused(
        QStringLiteral("unknown command \"%1\"; the commands are %2").arg(name, commandList));
}

SetupFile resolveSetup(const QString &setupsFolder, const QString &name)
{
    const QString folder = QFileInfo(setupsFolder).canonicalFilePath();
    const QFileInfo given(setupsFolder + QLatin1Char('/') + name);
    const QString path = given.canonicalFilePath(); // empty when it leads nowhere
    if (folder.isEmpty() || path.isEmpty())
        return {{}, QStringLiteral("no setup %1 in setups/").arg(name)};
    if (!path.startsWith(folder + QLatin1Char('/')) || !QFileInfo(path).isFile())
        return {{}, QStringLiteral("%1 is not a file in setups/").arg(name)};
    return {path, {}};
}

bool startsAsSetupFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray first = file.readLine(256).trimmed();
    return first.startsWith("[QMXSRV Version") && first.endsWith(']');
}

} // namespace qmxsrv::remote
