#include "service/mqttconfig.h"

#include <fstream>

namespace qmxsrv {

namespace {

std::string variable(const std::function<const char *(const char *)> &env, const char *name)
{
    const char *value = env(name);
    return value ? value : "";
}

// One topic level: no wildcard, no separator, nothing a subscriber could
// not type.
bool usableStation(const std::string &name)
{
    if (name.empty())
        return false;
    for (unsigned char c : name)
        if (c == '+' || c == '#' || c == '/' || c < 0x20 || c == 0x7f)
            return false;
    return true;
}

} // namespace

std::optional<MqttConfig> mqttConfig(const std::function<const char *(const char *)> &env,
                                     const std::string &hostName, std::string &error)
{
    const std::string url = variable(env, "QMXSRV_MQTT");
    if (url.empty())
        return std::nullopt;
    MqttConfig c;
    const auto refuse = [&](const std::string &why) {
        error = "QMXSRV_MQTT=" + url + ": " + why + "; the station runs without the plant's feed";
        return std::nullopt;
    };
    std::string rest;
    if (url.rfind("mqtt://", 0) == 0) {
        rest = url.substr(7);
    } else if (url.rfind("mqtts://", 0) == 0) {
        rest = url.substr(8);
        c.tls = true;
        c.port = 8883;
    } else {
        return refuse("not mqtt://host:port or mqtts://host:port");
    }
    if (!rest.empty() && rest.back() == '/')
        rest.pop_back();
    const std::size_t colon = rest.rfind(':');
    const bool bracketed = !rest.empty() && rest.front() == '[';
    if (colon != std::string::npos && (!bracketed || rest[colon - 1] == ']')) {
        const std::string port = rest.substr(colon + 1);
        rest.resize(colon);
        if (port.empty() || port.size() > 5 ||
            port.find_first_not_of("0123456789") != std::string::npos || std::stoi(port) < 1 ||
            std::stoi(port) > 65535)
            return refuse("the port must be 1 to 65535");
        c.port = std::stoi(port);
    }
    if (bracketed && rest.size() > 2 && rest.back() == ']')
        rest = rest.substr(1, rest.size() - 2);
    if (rest.empty() || rest.find_first_of("/@?# ") != std::string::npos)
        return refuse("no host name");
    c.host = rest;
    c.caFile = variable(env, "QMXSRV_MQTT_CA");
    c.user = variable(env, "QMXSRV_MQTT_USER");
    if (const std::string file = variable(env, "QMXSRV_MQTT_PASSWORD_FILE"); !file.empty()) {
        std::ifstream in(file);
        if (!in || !std::getline(in, c.password))
            return refuse("cannot read the password file " + file);
        if (!c.password.empty() && c.password.back() == '\r')
            c.password.pop_back();
    }
    c.station = variable(env, "QMXSRV_STATION");
    if (c.station.empty())
        c.station = hostName;
    if (!usableStation(c.station))
        return refuse("the station name \"" + c.station +
                      "\" is not one topic level (no + # / or control characters)");
    return c;
}

} // namespace qmxsrv
