// The network half of the live-value service, on a thread of its own: the
// listener, the WebSocket conversations and the HTTP exchanges, each with
// its own copy of the items. A board that answers slowly holds up the scan,
// which runs on the station's thread; it must never hold up a client that
// only reads values.
//
// The station's thread hands the server what changed through LiveShared
// (under its mutex) and wakes it; the server takes the changes before it
// answers anything, so an answer always includes every change made before
// the request arrived. Commands go the other way, through the command sink.
#pragma once

#include "service/channelreading.h"
#include "service/httpexchange.h"
#include "service/linkendpoint.h"
#include "service/liveprotocol.h"

#include <QByteArray>
#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

class QTcpServer;
class QWebSocket;
class QWebSocketServer;

namespace qmxsrv {

class LiveConversation;

// One change from the station: a new item count (count >= 0), or an item's
// text and reading.
struct LiveUpdate {
    int count = -1;
    int item = 0;
    QString text;
    ChannelReading reading;
    QString alarm; // not empty: a message for those that advised "alarms"
};

// What both threads share. The settings are read when a connection opens.
struct LiveShared {
    std::mutex mutex;
    std::vector<LiveUpdate> updates; // in order; taken whole by the server
    bool wakePending = false;        // a wake for them is on its way
    live::Status status;             // all but the item count
    QString openAlarms;              // {"alarms":[...]}: the open ones
    QByteArray token;

    std::atomic<qint64> queueLimit{256 * 1024};
    std::atomic<int> connectionLimit{256};
    std::atomic<int> httpIdleTimeout{HttpExchange::defaultIdleTimeout};
};

class LiveServer : public QObject {
    Q_OBJECT
public:
    explicit LiveServer(LiveShared &shared, QObject *parent = nullptr);
    // Every conversation is closed with "going away" (1001), the frame
    // handed to the system before the sockets go, so a client can tell a
    // stop from a crash. Nothing is reported closed.
    ~LiveServer() override;

    bool listen(const LinkEndpoint &endpoint);
    QString errorString() const;
    quint16 port() const;

    // The station's changes since the last time, taken now.
    void takeUpdates();

    // Commands from authorized conversations go here (on the server's
    // thread); the answer comes back through deliver, now or later.
    using CommandSink = std::function<void(const QJsonObject &, QPointer<LiveConversation>)>;
    void setCommandSink(CommandSink sink) { sink_ = std::move(sink); }
    void deliver(const QPointer<LiveConversation> &to, const QString &message);

signals:
    void conversationOpened();
    void conversationClosed();

private:
    struct Item {
        QString text;
        ChannelReading reading;
        std::vector<LiveConversation *> advisers;
    };

    void acceptTcp();
    void acceptConnections();
    void refuse(QWebSocket *socket);
    void handle(LiveConversation *conversation, const QString &message);
    void advise(LiveConversation *conversation, int item);
    void unadvise(LiveConversation *conversation, int item);
    void end(LiveConversation *conversation);
    void setItemCount(int count);
    void setItemText(int item, const QString &text, const ChannelReading &reading);
    QString answer(int item) const;
    int itemCount() const { return int(items_.size()) - 1; }
    live::Status status();
    HttpAnswer httpAnswer(const HttpRequest &request);

    LiveShared &shared_;
    QTcpServer *listener_;
    QWebSocketServer *server_; // does the handshakes of what listener_ accepts
    std::vector<Item> items_;  // items_[0] is item "0"
    std::vector<LiveConversation *> conversations_;
    std::vector<LiveConversation *> alarmAdvisers_;
    int connections_ = 0; // accepted sockets not yet destroyed
    // The TCP sockets under handshake by their peer, for the conversation
    // the WebSocket server makes of each (it does not tell which).
    std::map<QString, qintptr> upgrading_;
    CommandSink sink_;
};

} // namespace qmxsrv
