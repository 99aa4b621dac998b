// The plant's feed: the station publishes to an MQTT broker under
// qmx/<station>/ (online with its last will, every channel's live value,
// the setup, every recorded part). The library's network loop runs on its
// own thread; nothing here waits on the network, and the library reconnects
// by itself (1 s doubling to 60 s). A part waits in the results store until
// the broker has acknowledged it, so none is lost while the broker is away,
// also over a restart; a consumer drops duplicates by (station, part).
#pragma once

#include "core/mqttconfig.h"
#include "core/resultsstore.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <vector>

struct mosquitto;

namespace qmxsrv {

class MqttFeed : public QObject {
    Q_OBJECT
public:
    enum class State { Connecting, Connected, Reconnecting };

    // Where the parts to publish come from: the results store.
    struct Parts {
        std::function<std::vector<std::int64_t>(std::size_t limit)> waiting;
        std::function<std::optional<PartRow>(std::int64_t part)> load;
        std::function<void(std::int64_t part)> published;
    };

    MqttFeed(MqttConfig config, Parts parts, QObject *parent = nullptr);
    // Says "offline" (online 0) and leaves the broker cleanly.
    ~MqttFeed() override;

    State state() const { return state_; }
    // "MQTT: connected to host:port", "MQTT: reconnecting (reason)", ...
    QString stateText() const;
    const MqttConfig &config() const { return config_; }

    // Retained, QoS 0: the channel's message (at most once a scan: callers
    // hand over what changed in the tick).
    void publishChannel(int channel, const QByteArray &json);
    // Retained: published when it differs from the last one.
    void publishSetup(const QByteArray &json);
    // A part was recorded: what waits goes out.
    void partsWaiting();

    // The message of a part as the feed publishes it.
    static QByteArray partMessage(const std::string &station, const PartRow &part);

signals:
    void stateChanged();

private:
    void connected(int rc);
    void disconnected(int rc);
    void acknowledged(int mid);
    void publish(const std::string &leaf, const QByteArray &payload, int qos, bool retain,
                 int *mid = nullptr);

    MqttConfig config_;
    Parts parts_;
    mosquitto *client_ = nullptr;
    State state_ = State::Connecting;
    QString reason_;
    QByteArray setup_;                     // the last setup published
    std::map<int, std::int64_t> inFlight_; // message id -> part
    std::set<std::int64_t> sent_;          // parts handed to the library, not yet acknowledged
};

} // namespace qmxsrv
