// The live-value service: what other programs read the gauge through, in
// place of DDE. A WebSocket server on the topic path /FormMain with one text
// item per channel ("1", "2", ...) and item "0", which reads "DDE".
//
// The main window keeps the item count equal to the channel count and sets
// each channel's item to the text of its LabelChan; it keeps DDELinkCount
// from conversationOpened and conversationClosed. Clients request an item
// once or advise it (a hot link): every changed text is then pushed to them.
// A channel's item carries its reading too: the value read and its verdict.
// A plain HTTP GET on the same address reads the items too, for programs
// that cannot open a WebSocket (a spreadsheet's web function, curl).
// The protocol is described in the README.
//
// This object lives on the station's thread, which also waits for the
// board; the connections are served by a LiveServer on a thread of its own,
// from the last values handed over, so no client waits for the board.
// Commands are run on the station's thread, in their turn.
#pragma once

#include "service/channelreading.h"
#include "service/linkendpoint.h"
#include "service/liveprotocol.h"
#include "service/liveserver.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QThread>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace qmxsrv {

class LiveValueService : public QObject {
    Q_OBJECT
public:
    // What a client may leave unread before it is dropped: some ten seconds
    // of every item of 255 channels changing on every tick.
    static constexpr qint64 defaultQueueLimit = 256 * 1024;

    explicit LiveValueService(QObject *parent = nullptr);
    // Closes every connection with "going away" without reporting them
    // closed: whoever counts them goes with the service.
    ~LiveValueService() override;

    // False with errorString() when the address cannot be bound.
    bool listen(const LinkEndpoint &endpoint);
    QString errorString() const { return errorString_; }
    // The port bound (the one the system chose when asked for port 0).
    quint16 port() const { return port_; }

    // Items 1 to count exist beside item 0; the items above a lowered count
    // go at once (their advised clients are told), new ones start empty.
    void setItemCount(int count);
    int itemCount() const { return int(items_.size()) - 1; }

    // Cheap for an unchanged text; a changed text or verdict is pushed to
    // the clients advised on the item (a value alone that moves within the
    // text's last digit is not: the stream stays as it was before readings).
    // Item 0 and items that do not exist are refused.
    bool setItemText(int item, const QString &text, const ChannelReading &reading = {});
    QString itemText(int item) const;
    // Keeps the changes of text or verdict, for takeChanges (a list rather
    // than a signal each: a tick changes hundreds). In the order they came;
    // an item changed twice is there twice.
    void keepChanges() { keepChanges_ = true; }
    std::vector<ItemChange> takeChanges() { return std::exchange(changes_, {}); }
    ChannelReading itemReading(int item) const;
    // The item as it is sent.
    QString answer(int item) const;

    // What the status request tells beyond the item count: the board and
    // setup, and the results; as last told, null until then.
    struct Station {
        bool demo = true;
        QString setup;
    };
    struct Results {
        std::optional<qint64> parts;
        bool recording = false;
    };
    void setStation(const Station &station);
    void setResults(const Results &results);
    // SPC alarms: one raised or answered goes to the conversations that
    // advised "alarms"; a request of "alarms" answers the newest open ones,
    // the status counts them all.
    void publishAlarm(const QJsonObject &alarm);
    void setOpenAlarms(const QJsonArray &newest, qint64 count);
    live::Status status() const;

    // Commands ({"command":...}) from conversations whose handshake carried
    // "Authorization: Bearer <token>"; the others are answered
    // {"error":"not authorized"}. No token, no commands. The handler runs on
    // this object's thread and answers through reply, now or later (a reply
    // after the client left is dropped).
    using Reply = std::function<void(const QString &message)>;
    using CommandHandler = std::function<void(const QJsonObject &command, Reply reply)>;
    void setToken(const QByteArray &token);
    void setCommandHandler(CommandHandler handler) { commands_ = std::move(handler); }

    // Open conversations: connections on the topic that have not ended, as
    // conversationOpened and conversationClosed have told them.
    int conversationCount() const { return conversations_; }

    // Applies to conversations opened from now on.
    void setQueueLimit(qint64 bytes) { shared_.queueLimit = bytes; }

    // Connections held at once, handshakes under way included: one peer
    // opening sockets without end must not use up the program's files.
    static constexpr int defaultConnectionLimit = 256;
    // Connections past the limit are closed as soon as they are accepted.
    void setConnectionLimit(int connections) { shared_.connectionLimit = connections; }

    // Plain HTTP GETs on the same address: each must arrive whole within
    // this many ms of the connection's opening or the previous answer.
    void setHttpIdleTimeout(int ms) { shared_.httpIdleTimeout = ms; }

signals:
    // One per conversation, opened before closed, each exactly once.
    void conversationOpened();
    void conversationClosed();

private:
    struct Item {
        QString text;
        ChannelReading reading;
    };

    void hand(LiveUpdate update);
    void runCommand(const QJsonObject &command, const QPointer<LiveConversation> &from);

    mutable LiveShared shared_; // status() reads it under its mutex
    QThread thread_;
    LiveServer *server_; // on thread_
    QString errorString_;
    quint16 port_ = 0;
    std::vector<Item> items_; // items_[0] is item "0"; as handed to the server
    int conversations_ = 0;
    bool keepChanges_ = false;
    std::vector<ItemChange> changes_;
    CommandHandler commands_;
};

} // namespace qmxsrv
