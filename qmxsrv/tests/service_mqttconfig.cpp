// The plant feed's settings from the environment: what is taken, and what
// is refused with a reason (the station then runs without the feed).
#include "service/mqttconfig.h"

#include <gmock/gmock.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>

using namespace qmxsrv;
using ::testing::HasSubstr;

namespace {

TEST(MqttConfig, TakenFromTheEnvironmentOrRefusedWithTheReason)
{
    const std::string passwordFile =
        (std::filesystem::temp_directory_path() / "qmx-mqtt-password-test").string();
    std::ofstream(passwordFile) << "s3cret\r\nsecond line\n";
    struct Case {
        std::map<std::string, std::string> env;
        // taken: host, port, tls, station, user, password; else the reason
        const char *host;
        int port;
        bool tls;
        const char *station, *password, *error;
    } cases[] = {
        {{}, nullptr, 0, false, nullptr, nullptr, nullptr}, // off
        {{{"QMXSRV_MQTT", "mqtt://broker.plant"}},
         "broker.plant",
         1883,
         false,
         "line-3",
         "",
         nullptr},
        {{{"QMXSRV_MQTT", "mqtts://broker:8884/"}, {"QMXSRV_STATION", "Bore 2"}},
         "broker",
         8884,
         true,
         "Bore 2",
         "",
         nullptr},
        {{{"QMXSRV_MQTT", "mqtts://broker"}}, "broker", 8883, true, "line-3", "", nullptr},
        {{{"QMXSRV_MQTT", "mqtt://[::1]:1884"}}, "::1", 1884, false, "line-3", "", nullptr},
        {{{"QMXSRV_MQTT", "mqtt://127.0.0.1:1883"}, {"QMXSRV_MQTT_PASSWORD_FILE", passwordFile}},
         "127.0.0.1",
         1883,
         false,
         "line-3",
         "s3cret",
         nullptr},
        {{{"QMXSRV_MQTT", "tcp://broker:1883"}},
         nullptr,
         0,
         false,
         nullptr,
         nullptr,
         "not mqtt://"},
        {{{"QMXSRV_MQTT", "mqtt://broker:0"}}, nullptr, 0, false, nullptr, nullptr, "1 to 65535"},
        {{{"QMXSRV_MQTT", "mqtt://broker:65536"}},
         nullptr,
         0,
         false,
         nullptr,
         nullptr,
         "1 to 65535"},
        {{{"QMXSRV_MQTT", "mqtt://broker:"}}, nullptr, 0, false, nullptr, nullptr, "1 to 65535"},
        {{{"QMXSRV_MQTT", "mqtt://:1883"}}, nullptr, 0, false, nullptr, nullptr, "no host"},
        {{{"QMXSRV_MQTT", "mqtt://user@broker"}}, nullptr, 0, false, nullptr, nullptr, "no host"},
        {{{"QMXSRV_MQTT", "mqtt://b"}, {"QMXSRV_STATION", "line/3"}},
         nullptr,
         0,
         false,
         nullptr,
         nullptr,
         "not one topic level"},
        {{{"QMXSRV_MQTT", "mqtt://b"}, {"QMXSRV_STATION", "line+"}},
         nullptr,
         0,
         false,
         nullptr,
         nullptr,
         "not one topic level"},
        {{{"QMXSRV_MQTT", "mqtt://b"}, {"QMXSRV_STATION", "#"}},
         nullptr,
         0,
         false,
         nullptr,
         nullptr,
         "not one topic level"},
        {{{"QMXSRV_MQTT", "mqtt://b"}, {"QMXSRV_STATION", "a\tb"}},
         nullptr,
         0,
         false,
         nullptr,
         nullptr,
         "not one topic level"},
        {{{"QMXSRV_MQTT", "mqtt://b"}, {"QMXSRV_MQTT_PASSWORD_FILE", "/no/such/file"}},
         nullptr,
         0,
         false,
         nullptr,
         nullptr,
         "cannot read the password file"},
    };
    for (const Case &c : cases) {
        const auto env = [&](const char *name) -> const char * {
            const auto it = c.env.find(name);
            return it == c.env.end() ? nullptr : it->second.c_str();
        };
        std::string error;
        const std::optional<MqttConfig> got = mqttConfig(env, "line-3", error);
        const std::string what = c.env.empty() ? "(unset)" : c.env.begin()->second;
        if (!c.host) {
            EXPECT_FALSE(got) << what;
            if (c.error)
                EXPECT_THAT(error, HasSubstr(c.error)) << what;
            else
                EXPECT_EQ(error, "") << what;
            continue;
        }
        ASSERT_TRUE(got) << what << ": " << error;
        EXPECT_EQ(std::tie(got->host, got->port, got->tls, got->station, got->password),
                  std::make_tuple(std::string(c.host), c.port, c.tls, std::string(c.station),
                                  std::string(c.password)))
            << what;
        EXPECT_EQ(got->topic("online"), "qmx/" + got->station + "/online");
    }
    std::remove(passwordFile.c_str());
}

} // namespace
