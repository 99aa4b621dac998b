// Commands from other programs, taken by the live-value service from
// conversations that showed the station's token. None of them may wait on
// the operator: what would need an answer is refused with the reason, and
// what a box would tell comes back in the reply.
#include "mainwindow/formmain.h"

#include "core/device.h"
#include "core/messageboxes.h"
#include "core/programstate.h"
#include "core/setupoperations.h"
#include "platform/qttext.h"
#include "service/liveprotocol.h"
#include "service/livevalueservice.h"
#include "service/remotecommand.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTimer>

namespace qmxsrv {

namespace {

// How often a command that finds a device call in progress looks again, and
// for how long.
constexpr int RetryMs = 50;
constexpr int RetryLimit = 200;

QString replyText(const QJsonObject &reply)
{
    return QString::fromUtf8(QJsonDocument(reply).toJson(QJsonDocument::Compact));
}

// The device library's own messages reach the boxes without a title; the
// program's carry its title.
bool fromLibrary(const ScriptedMessageBoxes::Shown &box) { return box.title.empty(); }

} // namespace

std::vector<ScriptedMessageBoxes::Shown>
FormMain::withoutOperator(const std::function<void()> &action)
{
    ScriptedMessageBoxes told;
    state_.redirectBoxes(&told);
    action();
    state_.redirectBoxes(nullptr);
    return told.shown;
}

void FormMain::reconnectBoard()
{
    StartDevice(state_);
    // A board that restarted has forgotten its formulas; one that did not
    // takes them again. Either way each channel's acceptance is known anew.
    for (int i = 1; i <= state_.Channels.Count(); ++i) {
        channel &c = state_.Channels.Item(i);
        if (!c.Formula().empty())
            c.setFormula(c.Formula());
    }
    UpdateMainDisplay();
}

void FormMain::runRemoteCommand(const QJsonObject &object,
                                const std::function<void(const QString &)> &reply, int attempt)
{
    const remote::Parsed parsed = remote::parseCommand(object);
    if (!parsed.command && !object.value(QLatin1String("command")).isString())
        return reply(live::errorMessage(parsed.error));
    QJsonObject answer{{QStringLiteral("reply"), object.value(QLatin1String("command"))}};
    const auto fail = [&](const QString &why) {
        answer.insert(QStringLiteral("error"), why);
        reply(replyText(answer));
    };
    if (!parsed.command) {
        // An unknown command has no reply of its own to carry the error.
        if (parsed.error.startsWith(QLatin1String("unknown command")))
            return reply(live::errorMessage(parsed.error));
        return fail(parsed.error);
    }
    const remote::Command &c = *parsed.command;

    // The library is not re-entrant: these wait for a call in progress to end.
    if ((c.kind == remote::Kind::Record || c.kind == remote::Kind::Reconnect) &&
        state_.device().callInProgress()) {
        if (attempt >= RetryLimit)
            return fail(QStringLiteral("a device call is still in progress"));
        QTimer::singleShot(RetryMs, this, [this, object, reply, attempt] {
            runRemoteCommand(object, reply, attempt + 1);
        });
        return;
    }
    // Under an open dialog the setup and board it edits must not change beneath it.
    if ((c.kind == remote::Kind::View || c.kind == remote::Kind::Load ||
         c.kind == remote::Kind::Reconnect || c.kind == remote::Kind::Plan) &&
        QApplication::activeModalWidget())
        return fail(QStringLiteral("a dialog is open at the station; try again when it is closed"));

    // A part recorded between a study's readings would be measured with the
    // study's part on the gauge.
    if (c.kind == remote::Kind::Record && studies_.takesRecord())
        return fail(QStringLiteral("a gauge study is running at the station; parts are recorded "
                                   "again when its window is closed"));

    switch (c.kind) {
    case remote::Kind::Record: {
        const ResultsCommands::Recorded r =
            results_.recordNow(c.serial ? std::optional(storedText(*c.serial)) : std::nullopt);
        if (!r.part)
            return fail(QString::fromStdString(r.error));
        answer.insert(QStringLiteral("part"), qint64(*r.part));
        answer.insert(QStringLiteral("verdict"), QString::fromUtf8(verdictText(r.verdict).data()));
        return reply(replyText(answer));
    }
    case remote::Kind::ResetMaxMin: CommandResetMM_Click(); return reply(replyText(answer));
    case remote::Kind::View:
        if (c.view == QLatin1String("channels"))
            menus_.ViewChannels->trigger();
        else if (c.view == QLatin1String("lvdts"))
            menus_.ViewLVDTs->trigger();
        else if (c.view == QLatin1String("analogs"))
            menus_.ViewAnalogs->trigger();
        else if (!state_.Groups.contains(std::int16_t(c.group)) || c.group < 1)
            return fail(QStringLiteral("no group %1").arg(c.group));
        else {
            state_.view.CurrentGroup = std::int16_t(c.group);
            showMode(ViewState::ShowGroup);
        }
        return reply(replyText(answer));
    case remote::Kind::Load: return remoteLoad(c.setup, answer, reply);
    case remote::Kind::Plan: {
        const std::string why =
            c.removePlan ? spc_->removePlan(c.plan.channel) : spc_->setPlan(c.plan, c.fix);
        if (!why.empty())
            return fail(QString::fromStdString(why));
        answer.insert(QStringLiteral("channel"), c.plan.channel);
        for (const spc::ControlPlan &p : spc_->plans())
            if (p.channel == c.plan.channel) {
                answer.insert(QStringLiteral("since_subgroup"), qint64(p.sinceSubgroup));
                if (p.centre)
                    answer.insert(QStringLiteral("centre"), *p.centre);
                if (p.sigma)
                    answer.insert(QStringLiteral("sigma"), *p.sigma);
            }
        return reply(replyText(answer));
    }
    case remote::Kind::Operator: {
        if (const std::string why = results_.setOperator(storedText(c.name)); !why.empty())
            return fail(QString::fromStdString(why));
        answer.insert(QStringLiteral("name"), c.name);
        return reply(replyText(answer));
    }
    case remote::Kind::Reconnect: {
        const auto told = withoutOperator([this] { reconnectBoard(); });
        const bool demo = state_.device().QmxHostDemoMode() != 0;
        answer.insert(QStringLiteral("board"), demo ? QStringLiteral("demo") : "running");
        if (!told.empty())
            return fail(QString::fromStdString(told.front().text));
        return reply(replyText(answer));
    }
    }
}

void FormMain::remoteLoad(const QString &setup, QJsonObject answer,
                          const std::function<void(const QString &)> &reply)
{
    const auto fail = [&](const QString &why) {
        answer.insert(QStringLiteral("error"), why);
        reply(replyText(answer));
    };
    const remote::SetupFile file = remote::resolveSetup(
        QDir(QString::fromStdString(state_.settings.AppPath)).filePath(remote::SetupsFolder),
        setup);
    if (!file.error.isEmpty())
        return fail(file.error);
    if (!remote::startsAsSetupFile(file.path))
        return fail(QStringLiteral("%1 is not a setup file: its first line is no "
                                   "[QMXSRV Version ...] line")
                        .arg(setup));
    if (state_.view.SetupModified)
        return fail(QStringLiteral("the open setup has unsaved changes; save it at the station"));

    // What File > Open would tell the operator comes back in the reply; the
    // loader's own messages without the file's text, which the client may
    // not be allowed to read.
    std::vector<SetupLoadProblem> problems;
    const QString path =
        QDir(QString::fromStdString(state_.settings.AppPath))
            .filePath(QLatin1String(remote::SetupsFolder) + QLatin1Char('/') + setup);
    const auto told = withoutOperator([&] {
        files_.loadNamed(QFile::encodeName(path).toStdString(), &problems);
        UpdateMainDisplay();
    });
    if (!problems.empty()) {
        const SetupLoadProblem &p = problems.front();
        QString where = setup;
        if (p.line > 0)
            where += QStringLiteral(", line ") + QString::number(p.line);
        return fail(where + QStringLiteral(": ") + QString::fromStdString(p.what));
    }
    for (const ScriptedMessageBoxes::Shown &box : told)
        if (fromLibrary(box))
            return fail(QString::fromStdString(box.text));
    QStringList unmeasured;
    for (int i = 1; i <= state_.Channels.Count(); ++i) {
        const channel &ch = state_.Channels.Item(i);
        if (!ch.Formula().empty() && !ch.measures())
            unmeasured << QString::number(i);
    }
    if (!unmeasured.isEmpty())
        return fail(QStringLiteral("the board did not take the formula of channel ") +
                    unmeasured.join(QStringLiteral(", ")));
    answer.insert(QStringLiteral("setup"), path);
    reply(replyText(answer));
}

} // namespace qmxsrv
