// What the benches of the plant's feed share: a mosquitto of the bench's
// own on a loopback port, a libmosquitto subscriber on its own thread that
// stamps each message on the clock the recording side reads, and a started
// server with its feed on that broker.
#pragma once

#include "benchserver.h"
#include "service/bench/benchsupport.h"
#include "service/mqttfeed.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <mosquitto.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unistd.h>
#include <vector>

namespace bench {

class Broker {
public:
    Broker()
    {
        {
            QTcpServer probe;
            probe.listen(QHostAddress::LocalHost, 0);
            port = probe.serverPort();
        }
        const std::string conf = folder.filePath(QStringLiteral("mosquitto.conf")).toStdString();
        // No cap on a subscriber's queue: a loss the soak counts is the feed's.
        // Without TCP_NODELAY on the broker's side, a message now and then
        // waits 40 ms for the subscriber's delayed ACK.
        std::ofstream(conf) << "listener " << port << " 127.0.0.1\nallow_anonymous true\n"
                            << "max_queued_messages 0\nset_tcp_nodelay true\n";
        process.start(QStringLiteral(MOSQUITTO_PATH), {"-c", QString::fromStdString(conf)});
        up = process.waitForStarted() && waitUntil(
                                             [this] {
                                                 QTcpSocket s;
                                                 s.connectToHost(QHostAddress::LocalHost, port);
                                                 return s.waitForConnected(100);
                                             },
                                             10000);
    }
    ~Broker()
    {
        process.terminate();
        process.waitForFinished(5000);
    }
    QString url() const { return QStringLiteral("mqtt://127.0.0.1:%1").arg(port); }

    QTemporaryDir folder;
    quint16 port = 0;
    QProcess process;
    bool up = false;
};

class Subscriber {
public:
    struct Message {
        std::string topic;
        QByteArray payload;
        qint64 ns;
    };

    Subscriber(quint16 port, std::string topic) : topic_(std::move(topic))
    {
        mosquitto_lib_init();
        client_ = mosquitto_new(nullptr, true, this);
        mosquitto_connect_callback_set(client_, [](mosquitto *m, void *self, int rc) {
            if (rc == 0)
                mosquitto_subscribe(m, nullptr, static_cast<Subscriber *>(self)->topic_.c_str(), 1);
        });
        mosquitto_subscribe_callback_set(client_,
                                         [](mosquitto *, void *self, int, int, const int *) {
                                             static_cast<Subscriber *>(self)->subscribed = true;
                                         });
        mosquitto_message_callback_set(client_, [](mosquitto *, void *self,
                                                   const mosquitto_message *m) {
            auto *s = static_cast<Subscriber *>(self);
            const qint64 ns = nowNs();
            std::lock_guard lock(s->mutex_);
            s->messages_.push_back(
                {m->topic, QByteArray(static_cast<const char *>(m->payload), m->payloadlen), ns});
        });
        mosquitto_int_option(client_, MOSQ_OPT_TCP_NODELAY, 1);
        mosquitto_connect(client_, "127.0.0.1", port, 30);
        mosquitto_loop_start(client_);
    }
    ~Subscriber()
    {
        mosquitto_disconnect(client_);
        mosquitto_loop_stop(client_, true);
        mosquitto_destroy(client_);
    }
    // The messages that came since the last take.
    std::vector<Message> take()
    {
        std::lock_guard lock(mutex_);
        return std::exchange(messages_, {});
    }

    std::atomic<bool> subscribed{false};

private:
    std::string topic_;
    mosquitto *client_ = nullptr;
    std::mutex mutex_;
    std::vector<Message> messages_;
};

// A server of the bench's own with its feed on the broker (or off).
inline std::unique_ptr<Server> serverOn(const Broker *broker, int channels)
{
    if (broker) {
        ::setenv("QMXSRV_MQTT", broker->url().toUtf8().constData(), 1);
        ::setenv("QMXSRV_STATION", "bench", 1);
    }
    auto server = std::make_unique<Server>(channels);
    ::unsetenv("QMXSRV_MQTT");
    ::unsetenv("QMXSRV_STATION");
    if (broker &&
        !waitUntil(
            [&] { return server->window().feed()->state() == qmxsrv::MqttFeed::State::Connected; },
            10000)) {
        std::fprintf(stderr, "the feed did not connect\n");
        return nullptr;
    }
    return server;
}

} // namespace bench
