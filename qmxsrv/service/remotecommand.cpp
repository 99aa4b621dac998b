#include "service/remotecommand.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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
