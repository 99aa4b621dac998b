#include "service/livevalueservice.h"

#include "service/alarmmessage.h"
#include "service/liveconversation.h"

#include <QJsonDocument>

#include <QPointer>

#include <algorithm>

namespace qmxsrv {

namespace {
constexpr int maxItems = 32767; // channel counts are 16-bit
} // namespace

LiveValueService::LiveValueService(QObject *parent)
    : QObject(parent), server_(new LiveServer(shared_)), items_(1)
{
    items_[0].text = QStringLiteral("DDE");
    shared_.queueLimit = defaultQueueLimit;
    shared_.connectionLimit = defaultConnectionLimit;
    thread_.setObjectName(QStringLiteral("qmx live"));
    server_->moveToThread(&thread_);
    // Counted here, as they are told here: the count and the signals agree.
    connect(server_, &LiveServer::conversationOpened, this, [this] {
        ++conversations_;
        emit conversationOpened();
    });
    connect(server_, &LiveServer::conversationClosed, this, [this] {
        --conversations_;
        emit conversationClosed();
    });
    server_->setCommandSink([this](const QJsonObject &command, QPointer<LiveConversation> from) {
        // Dropped with this object when it has gone meanwhile.
        QMetaObject::invokeMethod(
            this, [this, command, from] { runCommand(command, from); }, Qt::QueuedConnection);
    });
    thread_.start();
}

LiveValueService::~LiveValueService()
{
    server_->disconnect(this);
    QMetaObject::invokeMethod(
        server_, [server = server_] { delete server; }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

bool LiveValueService::listen(const LinkEndpoint &endpoint)
{
    bool listening = false;
    QMetaObject::invokeMethod(
        server_,
        [&] {
            listening = server_->listen(endpoint);
            errorString_ = server_->errorString();
            port_ = server_->port();
        },
        Qt::BlockingQueuedConnection);
    return listening;
}

void LiveValueService::runCommand(const QJsonObject &command,
                                  const QPointer<LiveConversation> &from)
{
    QPointer<LiveValueService> self(this);
    const Reply reply = [self, from](const QString &message) {
        if (!self)
            return;
        QMetaObject::invokeMethod(
            self->server_,
            [server = self->server_, from, message] { server->deliver(from, message); },
            Qt::QueuedConnection);
    };
    if (!commands_)
        return reply(live::errorMessage(QStringLiteral("no commands are taken here")));
    commands_(command, reply);
}

void LiveValueService::hand(LiveUpdate update)
{
    bool wake = false;
    {
        const std::lock_guard<std::mutex> lock(shared_.mutex);
        if (update.count >= 0 || update.item > 0 || !update.alarm.isEmpty())
            shared_.updates.push_back(std::move(update));
        wake = !std::exchange(shared_.wakePending, true);
    }
    if (wake)
        QMetaObject::invokeMethod(
            server_, [server = server_] { server->takeUpdates(); }, Qt::QueuedConnection);
}

void LiveValueService::setItemCount(int count)
{
    count = std::clamp(count, 0, maxItems);
    if (count == itemCount())
        return;
    items_.resize(std::size_t(count) + 1);
    hand({count, 0, {}, {}, {}});
}

bool LiveValueService::setItemText(int item, const QString &text, const ChannelReading &reading)
{
    if (item < 1 || item > itemCount())
        return false;
    Item &it = items_[std::size_t(item)];
    const bool pushed = it.text != text || it.reading.verdict != reading.verdict;
    const bool changed = pushed || it.reading != reading;
    it.text = text;
    it.reading = reading;
    if (changed)
        hand({-1, item, text, reading, {}});
    if (pushed && keepChanges_) {
        if (changes_.empty())
            changes_.reserve(items_.size());
        changes_.push_back({item, text, reading});
    }
    return true;
}

QString LiveValueService::itemText(int item) const
{
    return item >= 0 && item <= itemCount() ? items_[std::size_t(item)].text : QString();
}

ChannelReading LiveValueService::itemReading(int item) const
{
    return item >= 1 && item <= itemCount() ? items_[std::size_t(item)].reading : ChannelReading();
}

QString LiveValueService::answer(int item) const
{
    if (item < 0 || item > itemCount())
        return {};
    const Item &it = items_[std::size_t(item)];
    return item == 0 ? live::itemMessage(item, it.text)
                     : live::channelMessage(item, it.text, it.reading);
}

void LiveValueService::setStation(const Station &station)
{
    const std::lock_guard<std::mutex> lock(shared_.mutex);
    shared_.status.demo = station.demo;
    shared_.status.setup = station.setup;
}

void LiveValueService::setResults(const Results &results)
{
    const std::lock_guard<std::mutex> lock(shared_.mutex);
    shared_.status.parts = results.parts;
    shared_.status.recording = results.recording;
}

void LiveValueService::publishAlarm(const QJsonObject &alarm)
{
    LiveUpdate update;
    update.alarm = live::alarmMessage(alarm);
    hand(std::move(update));
}

void LiveValueService::setOpenAlarms(const QJsonArray &newest, qint64 count)
{
    const std::lock_guard<std::mutex> lock(shared_.mutex);
    shared_.status.alarms = count;
    shared_.openAlarms =
        QString::fromUtf8(QJsonDocument(QJsonObject{{QStringLiteral("alarms"), newest}})
                              .toJson(QJsonDocument::Compact));
}

live::Status LiveValueService::status() const
{
    live::Status s;
    {
        const std::lock_guard<std::mutex> lock(shared_.mutex);
        s = shared_.status;
    }
    s.channels = itemCount();
    return s;
}

void LiveValueService::setToken(const QByteArray &token)
{
    const std::lock_guard<std::mutex> lock(shared_.mutex);
    shared_.token = token;
}

} // namespace qmxsrv
