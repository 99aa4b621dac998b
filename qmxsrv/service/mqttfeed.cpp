#include "service/mqttfeed.h"

#include "quality/masteringstore.h"
#include "service/liveprotocol.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaObject>
#include <QPointer>

#include <mosquitto.h>

#include <cmath>
#include <cstdio>
#include <mutex>
#include <pthread.h>

namespace qmxsrv {

namespace {

constexpr int KeepAliveSeconds = 10;
constexpr std::size_t PartsInFlight = 20;

void libraryOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

QJsonValue number(const std::optional<double> &v)
{
    return v && std::isfinite(*v) ? QJsonValue(*v) : QJsonValue(QJsonValue::Null);
}

QJsonValue number(double v) { return number(std::optional<double>(v)); }

QString text(const std::string &s) { return QString::fromStdString(s); }

} // namespace

QByteArray MqttFeed::partMessage(const std::string &station, const PartRow &part)
{
    QJsonArray measurements;
    for (const MeasurementRow &m : part.measurements)
        measurements.append(
            QJsonObject{{"channel", m.channel},
                        {"description", text(m.description)},
                        {"value", number(m.value)},
                        {"text", text(m.text)},
                        {"units", text(m.units)},
                        {"lo_tol", number(m.loTol)},
                        {"lo_appr", number(m.loAppr)},
                        {"hi_appr", number(m.hiAppr)},
                        {"hi_tol", number(m.hiTol)},
                        {"verdict", QString::fromUtf8(verdictText(m.verdict).data())}});
    QJsonArray masteringDue;
    for (int channel : channelListOf(part.masteringDue))
        masteringDue.append(channel);
    return QJsonDocument(
               QJsonObject{{"station", text(station)},
                           {"part", qint64(part.id)},
                           {"recorded_utc", text(part.recordedUtc)},
                           {"utc_offset_min", part.utcOffsetMin},
                           {"setup", text(part.setup)},
                           {"serial", text(part.serial)},
                           {"verdict", QString::fromUtf8(verdictText(part.verdict).data())},
                           {"operator", text(part.operatorName)},
                           {"mastering_due", masteringDue},
                           {"measurements", measurements}})
        .toJson(QJsonDocument::Compact);
}

MqttFeed::MqttFeed(MqttConfig config, Parts parts, QObject *parent)
    : QObject(parent), config_(std::move(config)), parts_(std::move(parts))
{
    libraryOnce();
    const std::string id = "qmxsrv-" + config_.station;
    client_ = mosquitto_new(id.c_str(), true, this);
    if (!client_) {
        reason_ = QStringLiteral("the MQTT client could not be made");
        return;
    }
    mosquitto_int_option(client_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    // Small messages that should go at once, not wait for an earlier one's
    // acknowledgement (Nagle's algorithm against a delayed ACK: 40 ms a part).
    mosquitto_int_option(client_, MOSQ_OPT_TCP_NODELAY, 1);
    // The library's thread calls these; the work is handed to this thread.
    mosquitto_connect_callback_set(client_, [](mosquitto *, void *self, int rc) {
        QMetaObject::invokeMethod(
            static_cast<MqttFeed *>(self),
            [self, rc] { static_cast<MqttFeed *>(self)->connected(rc); }, Qt::QueuedConnection);
    });
    mosquitto_disconnect_callback_set(client_, [](mosquitto *, void *self, int rc) {
        QMetaObject::invokeMethod(
            static_cast<MqttFeed *>(self),
            [self, rc] { static_cast<MqttFeed *>(self)->disconnected(rc); }, Qt::QueuedConnection);
    });
    mosquitto_publish_callback_set(client_, [](mosquitto *, void *self, int mid) {
        // Every channel message ends here too, hundreds a tick: only while a
        // part waits for its acknowledgement is the main thread bothered.
        if (static_cast<MqttFeed *>(self)->partsUnacknowledged_ == 0)
            return;
        QMetaObject::invokeMethod(
            static_cast<MqttFeed *>(self),
            [self, mid] { static_cast<MqttFeed *>(self)->acknowledged(mid); },
            Qt::QueuedConnection);
    });
    // A connection that fails before the broker answers (a certificate not
    // trusted, say) has no callback of its own; the library's error log
    // tells why.
    mosquitto_log_callback_set(client_, [](mosquitto *, void *self, int level, const char *line) {
        if (level != MOSQ_LOG_ERR)
            return;
        QMetaObject::invokeMethod(
            static_cast<MqttFeed *>(self),
            [self, why = QString::fromUtf8(line)] { static_cast<MqttFeed *>(self)->failed(why); },
            Qt::QueuedConnection);
    });
    const std::string will = config_.topic("online");
    mosquitto_will_set(client_, will.c_str(), 1, "0", 1, true);
    if (!config_.user.empty())
        mosquitto_username_pw_set(client_, config_.user.c_str(),
                                  config_.password.empty() ? nullptr : config_.password.c_str());
    if (config_.tls)
        mosquitto_tls_set(client_, config_.caFile.empty() ? nullptr : config_.caFile.c_str(),
                          config_.caFile.empty() ? "/etc/ssl/certs" : nullptr, nullptr, nullptr,
                          nullptr);
    mosquitto_reconnect_delay_set(client_, 1, 60, true);
    mosquitto_connect_async(client_, config_.host.c_str(), config_.port, KeepAliveSeconds);
    mosquitto_loop_start(client_);
    composer_ = std::thread([this] { composeChannels(); });
}

MqttFeed::~MqttFeed()
{
    if (!client_)
        return;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    composer_.join();
    if (state_ == State::Connected) {
        publish("online", "0", 1, true);
        mosquitto_disconnect(client_);
    }
    mosquitto_loop_stop(client_, state_ != State::Connected);
    mosquitto_destroy(client_);
}

QString MqttFeed::stateText() const
{
    const QString broker =
        QStringLiteral("%1:%2").arg(text(config_.host), QString::number(config_.port));
    switch (state_) {
    case State::Connected: return QStringLiteral("MQTT: connected to ") + broker;
    case State::Connecting: return QStringLiteral("MQTT: connecting to ") + broker;
    case State::Reconnecting: break;
    }
    return QStringLiteral("MQTT: reconnecting to ") + broker +
           (reason_.isEmpty() ? QString() : QStringLiteral(" (") + reason_ + QLatin1Char(')'));
}

void MqttFeed::publish(const std::string &leaf, const QByteArray &payload, int qos, bool retain,
                       int *mid)
{
    const std::string topic = config_.topic(leaf);
    mosquitto_publish(client_, mid, topic.c_str(), int(payload.size()), payload.constData(), qos,
                      retain);
}

QByteArray MqttFeed::channelMessage(const ItemChange &change, qint64 utcMs,
                                    const ChannelNames *names)
{
    QJsonObject m = live::channelObject(change.item, change.text, change.reading);
    if (names) {
        m.insert(QStringLiteral("description"), text(names->description));
        m.insert(QStringLiteral("units"), text(names->units));
    }
    m.insert(QStringLiteral("time"),
             QDateTime::fromMSecsSinceEpoch(utcMs, Qt::UTC).toString(Qt::ISODateWithMs));
    return QJsonDocument(m).toJson(QJsonDocument::Compact);
}

void MqttFeed::publishChannels(std::vector<ItemChange> changes, qint64 utcMs)
{
    if (!client_ || state_ != State::Connected || changes.empty())
        return;
    bool wake = false;
    {
        std::lock_guard lock(mutex_);
        wake = pendingTicks_.empty(); // else the composer has yet to come back for it
        pendingTicks_.push_back({utcMs, std::move(changes)});
    }
    if (wake)
        wake_.notify_one();
}

void MqttFeed::composeChannels()
{
    pthread_setname_np(pthread_self(), ComposerName); // for top -H and the bench
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !pendingTicks_.empty(); });
        if (stopping_)
            return;
        const std::vector<Tick> taken = std::exchange(pendingTicks_, {});
        const std::shared_ptr<const std::map<int, ChannelNames>> names = names_;
        lock.unlock();
        // When behind, the latest of each channel: the topic keeps only that.
        std::map<int, std::pair<const ItemChange *, qint64>> latest;
        for (const Tick &tick : taken) {
            for (const ItemChange &change : tick.changes)
                latest[change.item] = {&change, tick.utcMs};
        }
        for (const auto &[channel, change] : latest) {
            if (!connected_)
                break; // gone meanwhile: the broker keeps the last ones it had
            const ChannelNames *n = nullptr;
            if (names) {
                const auto it = names->find(channel);
                n = it == names->end() ? nullptr : &it->second;
            }
            publish("channel/" + std::to_string(channel),
                    channelMessage(*change.first, change.second, n), 0, true);
        }
        lock.lock();
    }
}

void MqttFeed::publishSetup(const QByteArray &json, std::map<int, ChannelNames> names)
{
    {
        std::lock_guard lock(mutex_);
        names_ = std::make_shared<const std::map<int, ChannelNames>>(std::move(names));
    }
    if (json == setup_)
        return;
    setup_ = json;
    if (client_ && state_ == State::Connected)
        publish("setup", json, 1, true);
}

void MqttFeed::partsWaiting()
{
    if (!client_ || state_ != State::Connected)
        return;
    if (parts_.waiting)
        for (std::int64_t id : parts_.waiting(PartsInFlight + sent_.size())) {
            if (sent_.size() >= PartsInFlight)
                break;
            if (sent_.count({true, id}))
                continue;
            const std::optional<PartRow> part = parts_.load(id);
            if (!part) { // gone from the store: nothing to send
                parts_.published(id);
                continue;
            }
            send({true, id}, "part", partMessage(config_.station, *part));
        }
    if (!parts_.messages || sent_.size() >= PartsInFlight)
        return;
    for (Parts::Message &m : parts_.messages(PartsInFlight + sent_.size())) {
        if (sent_.size() >= PartsInFlight)
            break;
        if (sent_.count({false, m.id}))
            continue;
        m.payload.insert(QStringLiteral("station"), text(config_.station));
        send({false, m.id}, m.leaf, QJsonDocument(m.payload).toJson(QJsonDocument::Compact));
    }
}

void MqttFeed::send(const Sent &what, const std::string &leaf, const QByteArray &payload)
{
    int mid = 0;
    ++partsUnacknowledged_; // before: the acknowledgement may come at once
    publish(leaf, payload, 1, false, &mid);
    inFlight_[mid] = what;
    partsUnacknowledged_ = int(inFlight_.size());
    sent_.insert(what);
}

void MqttFeed::connected(int rc)
{
    if (rc != 0) {
        const QString why = QString::fromUtf8(mosquitto_connack_string(rc));
        if (why != reason_) // once, not at every try
            std::fprintf(stderr, "QMXSRV: the MQTT broker %s:%d refused the station: %s\n",
                         config_.host.c_str(), config_.port, qPrintable(why));
        reason_ = why;
        state_ = State::Reconnecting;
        emit stateChanged();
        return;
    }
    state_ = State::Connected;
    connected_ = true;
    reason_.clear();
    publish("online", "1", 1, true);
    if (!setup_.isEmpty())
        publish("setup", setup_, 1, true);
    // What was handed over before the connection went is sent again here.
    inFlight_.clear();
    sent_.clear();
    partsUnacknowledged_ = 0;
    partsWaiting();
    emit stateChanged();
}

void MqttFeed::disconnected(int rc)
{
    if (rc == 0)
        return; // our own leaving
    // After a refused CONNACK the library drops the connection: the broker's
    // reason (a wrong password, say) is the one to show, not the drop's.
    if (rc == MOSQ_ERR_CONN_REFUSED && state_ == State::Reconnecting && !reason_.isEmpty())
        return;
    state_ = State::Reconnecting;
    connected_ = false;
    reason_ = QString::fromUtf8(mosquitto_strerror(rc));
    emit stateChanged();
}

void MqttFeed::failed(const QString &why)
{
    if (state_ == State::Connected || why == reason_)
        return;
    std::fprintf(stderr, "QMXSRV: the MQTT broker %s:%d: %s\n", config_.host.c_str(), config_.port,
                 qPrintable(why));
    reason_ = why;
    state_ = State::Reconnecting;
    emit stateChanged();
}

void MqttFeed::acknowledged(int mid)
{
    const auto it = inFlight_.find(mid);
    if (it == inFlight_.end())
        return;
    const Sent what = it->second;
    inFlight_.erase(it);
    partsUnacknowledged_ = int(inFlight_.size());
    sent_.erase(what);
    if (what.part)
        parts_.published(what.id);
    else if (parts_.messagePublished)
        parts_.messagePublished(what.id);
    partsWaiting();
}

} // namespace qmxsrv
