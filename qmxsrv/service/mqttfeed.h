// The plant's feed: the station publishes to an MQTT broker under
// qmx/<station>/ (online with its last will, every channel's live value,
// the setup, every recorded part). The library's network loop runs on its
// own thread; nothing here waits on the network, and the library reconnects
// by itself (1 s doubling to 60 s). A part waits in the results store until
// the broker has acknowledged it, so none is lost while the broker is away,
// also over a restart; a consumer drops duplicates by (station, part).
#pragma once

#include "quality/resultsstore.h"
#include "service/channelreading.h"
#include "service/mqttconfig.h"

#include <QByteArray>
#include <QJsonObject>
#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

struct mosquitto;

namespace qmxsrv {

class MqttFeed : public QObject {
    Q_OBJECT
public:
    enum class State { Connecting, Connected, Reconnecting };
    // The name of the thread that makes the channels' messages.
    static constexpr const char *ComposerName = "qmx feed";

    // Where the parts to publish come from: the results store.
    struct Parts {
        std::function<std::vector<std::int64_t>(std::size_t limit)> waiting;
        std::function<std::optional<PartRow>(std::int64_t part)> load;
        std::function<void(std::int64_t part)> published;
        // The store's outbox: what else is to be published at QoS 1 and kept
        // until the broker acknowledged it (an alarm, a mastering), oldest
        // first; leaf is the topic's last level, payload the message
        // without the station, which the feed adds.
        struct Message {
            std::int64_t id = 0;
            std::string leaf;
            QJsonObject payload;
        };
        std::function<std::vector<Message>(std::size_t limit)> messages;
        std::function<void(std::int64_t message)> messagePublished;
    };

    MqttFeed(MqttConfig config, Parts parts, QObject *parent = nullptr);
    // Says "offline" (online 0) and leaves the broker cleanly.
    ~MqttFeed() override;

    State state() const { return state_; }
    // "MQTT: connected to host:port", "MQTT: reconnecting (reason)", ...
    QString stateText() const;
    const MqttConfig &config() const { return config_; }

    // What a channel's message says of it besides its value.
    struct ChannelNames {
        std::string description, units;
    };

    // Retained, QoS 0, at most once a scan: the channels a tick changed, at
    // utcMs (ms since 1970). Their messages are made and handed to the
    // library on the feed's own thread, so the scan pays for nothing but the
    // handover; a channel that changes again before that thread came to it
    // goes out once, as it is then.
    void publishChannels(std::vector<ItemChange> changes, qint64 utcMs);
    // Retained: published when it differs from the last one. names: the
    // channels in the setup, for their messages.
    void publishSetup(const QByteArray &json, std::map<int, ChannelNames> names);
    // The message of a channel as the feed publishes it.
    static QByteArray channelMessage(const ItemChange &change, qint64 utcMs,
                                     const ChannelNames *names);
    // A part was recorded, or a message queued: what waits goes out.
    void partsWaiting();

    // The message of a part as the feed publishes it.
    static QByteArray partMessage(const std::string &station, const PartRow &part);

signals:
    void stateChanged();

private:
    void connected(int rc);
    void disconnected(int rc);
    void failed(const QString &why);
    void acknowledged(int mid);
    void publish(const std::string &leaf, const QByteArray &payload, int qos, bool retain,
                 int *mid = nullptr);
    void composeChannels();

    MqttConfig config_;
    Parts parts_;
    mosquitto *client_ = nullptr;
    State state_ = State::Connecting;
    QString reason_;
    QByteArray setup_; // the last setup published
    // What was handed to the library and not yet acknowledged: a part or an
    // outbox message, by the library's message id.
    struct Sent {
        bool part = true;
        std::int64_t id = 0;
        bool operator<(const Sent &o) const { return part != o.part ? part : id < o.id; }
    };
    void send(const Sent &what, const std::string &leaf, const QByteArray &payload);
    std::map<int, Sent> inFlight_;
    std::set<Sent> sent_;
    std::atomic<int> partsUnacknowledged_{0}; // inFlight_'s size, for the library's thread

    // The channel composer's: what waits for it, under mutex_.
    std::mutex mutex_;
    std::condition_variable wake_;
    struct Tick {
        qint64 utcMs;
        std::vector<ItemChange> changes;
    };
    std::vector<Tick> pendingTicks_; // oldest first
    std::shared_ptr<const std::map<int, ChannelNames>> names_;
    bool stopping_ = false;
    std::atomic<bool> connected_{false}; // for the composer: state_ is this thread's
    std::thread composer_;
};

} // namespace qmxsrv
