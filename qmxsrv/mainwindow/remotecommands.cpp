// Commands from other programs, taken by the live-value service from
// conversations that showed the station's token. None of them may wait on
// the operator: what would need an answer is refused with the reason.
#include "mainwindow/formmain.h"

#include "core/device.h"
#include "core/messageboxes.h"
#include "core/programstate.h"
#include "mainwindow/liveprotocol.h"
#include "mainwindow/livevalueservice.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTimer>

namespace qmxsrv {

namespace {

// How often a record that finds a device call in progress looks again, and
// for how long.
constexpr int RetryMs = 50;
constexpr int RetryLimit = 200;

QString replyText(QJsonObject reply)
{
    return QString::fromUtf8(QJsonDocument(reply).toJson(QJsonDocument::Compact));
}

// Where setups that a command may load live: setups/ in the program folder.
inline constexpr char SetupsFolder[] = "setups";

// A setup's name as a command gives it: a .qmx file in that folder, never a
// path out of it.
QString setupNameError(const QString &name)
{
    if (name.isEmpty())
        return QStringLiteral("no setup named");
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
        name.startsWith(QLatin1Char('.')) || name.contains(QChar(0)))
        return QStringLiteral("a setup is named by its file name in setups/, no path");
    if (!name.endsWith(QLatin1String(".qmx"), Qt::CaseInsensitive))
        return QStringLiteral("a setup is a .qmx file");
    return {};
}

} // namespace

void FormMain::runRemoteCommand(const QJsonObject &command,
                                const std::function<void(const QString &)> &reply, int attempt)
{
    const QString name = command.value(QLatin1String("command")).toString();
    QJsonObject answer{{QStringLiteral("reply"), name}};
    const auto fail = [&](const QString &why) {
        answer.insert(QStringLiteral("error"), why);
        reply(replyText(answer));
    };

    if (name == QLatin1String("record")) {
        const QJsonValue serial = command.value(QLatin1String("serial"));
        if (!serial.isUndefined() && !serial.isString())
            return fail(QStringLiteral("serial is text"));
        if (state_.device().callInProgress()) {
            if (attempt >= RetryLimit)
                return fail(QStringLiteral("a device call is still in progress"));
            QTimer::singleShot(RetryMs, this, [this, command, reply, attempt] {
                runRemoteCommand(command, reply, attempt + 1);
            });
            return;
        }
        const ResultsCommands::Recorded r = results_.recordNow(
            serial.isString() ? std::optional(serial.toString().toStdString()) : std::nullopt);
        if (!r.part)
            return fail(QString::fromStdString(r.error));
        answer.insert(QStringLiteral("part"), qint64(*r.part));
        answer.insert(QStringLiteral("verdict"), QString::fromUtf8(verdictText(r.verdict).data()));
        return reply(replyText(answer));
    }
    if (name == QLatin1String("reset-maxmin")) {
        CommandResetMM_Click();
        return reply(replyText(answer));
    }
    // Under an open dialog the setup it edits must not change beneath it.
    if ((name == QLatin1String("view") || name == QLatin1String("load")) &&
        QApplication::activeModalWidget())
        return fail(QStringLiteral("a dialog is open at the station; try again when it is closed"));
    if (name == QLatin1String("view")) {
        const QString view = command.value(QLatin1String("view")).toString();
        if (view == QLatin1String("channels"))
            menus_.ViewChannels->trigger();
        else if (view == QLatin1String("lvdts"))
            menus_.ViewLVDTs->trigger();
        else if (view == QLatin1String("analogs"))
            menus_.ViewAnalogs->trigger();
        else if (view == QLatin1String("group")) {
            const int group = command.value(QLatin1String("group")).toInt(0);
            if (!state_.Groups.contains(std::int16_t(group)))
                return fail(QStringLiteral("no group %1").arg(group));
            state_.view.CurrentGroup = std::int16_t(group);
            showMode(ViewState::ShowGroup);
        } else
            return fail(QStringLiteral("view is channels, lvdts, analogs or group"));
        return reply(replyText(answer));
    }
    if (name == QLatin1String("load")) {
        const QString setup = command.value(QLatin1String("setup")).toString();
        if (const QString why = setupNameError(setup); !why.isEmpty())
            return fail(why);
        const QString path = QDir(QString::fromStdString(state_.settings.AppPath))
                                 .filePath(QLatin1String(SetupsFolder) + QLatin1Char('/') + setup);
        if (!QFileInfo(path).isFile())
            return fail(QStringLiteral("no setup %1 in setups/").arg(setup));
        if (state_.view.SetupModified)
            return fail(
                QStringLiteral("the open setup has unsaved changes; save it at the station"));
        // What File > Open would tell the operator comes back in the reply.
        ScriptedMessageBoxes told;
        state_.redirectBoxes(&told);
        files_.loadNamed(QFile::encodeName(path).toStdString());
        UpdateMainDisplay();
        state_.redirectBoxes(nullptr);
        if (!told.shown.empty())
            return fail(QString::fromStdString(told.shown.front().text));
        answer.insert(QStringLiteral("setup"), path);
        return reply(replyText(answer));
    }
    reply(live::errorMessage(
        QStringLiteral("unknown command \"%1\"; the commands are record, reset-maxmin, view, load")
            .arg(name)));
}

} // namespace qmxsrv
