// Where the station publishes for the plant: read from the environment at
// start. Off unless QMXSRV_MQTT is set; a setting that cannot be used is
// refused with a message, and the station runs without the feed.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace qmxsrv {

struct MqttConfig {
    std::string host;
    int port = 1883;
    bool tls = false;     // mqtts://
    std::string caFile;   // QMXSRV_MQTT_CA; empty: the system's CA store
    std::string user;     // QMXSRV_MQTT_USER
    std::string password; // first line of QMXSRV_MQTT_PASSWORD_FILE
    std::string station;  // QMXSRV_STATION, else the host name
    std::string topic(const std::string &leaf) const { return "qmx/" + station + "/" + leaf; }
};

// env looks a variable up (null or empty: unset). Nothing and no error when
// QMXSRV_MQTT is unset; nothing with the reason in error when it cannot be
// used: not mqtt://host[:port] or mqtts://host[:port], a port outside 1 to
// 65535, a station name that is empty or holds + # / or a control
// character (it is one level of every topic), an unreadable password file.
std::optional<MqttConfig> mqttConfig(const std::function<const char *(const char *)> &env,
                                     const std::string &hostName, std::string &error);

} // namespace qmxsrv
