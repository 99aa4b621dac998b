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
#pragma once

#include "mainwindow/channelreading.h"
#include "mainwindow/httpexchange.h"
#include "mainwindow/linkendpoint.h"
#include "mainwindow/liveprotocol.h"

#include <QByteArray>
#include <QJsonObject>
#include <QObject>
#include <QString>

#include <functional>
#include <utility>
#include <vector>

class QTcpServer;
class QWebSocket;
class QWebSocketServer;

namespace qmxsrv {

class LiveConversation;

class LiveValueService : public QObject {
    Q_OBJECT
public:
    // What a client may leave unread before it is dropped: some ten seconds
    // of every item of 255 channels changing on every tick.
    static constexpr qint64 defaultQueueLimit = 256 * 1024;

    explicit LiveValueService(QObject *parent = nullptr);
    // Closes every connection without reporting them closed: whoever
    // counts them goes with the service.
    ~LiveValueService() override;

    // False with errorString() when the address cannot be bound.
    bool listen(const LinkEndpoint &endpoint);
    QString errorString() const;
    // The port bound (the one the system chose when asked for port 0).
    quint16 port() const;

    // Items 1 to count exist beside item 0; the items above a lowered count
    // go at once (their advised clients are told), new ones start empty.
    void setItemCount(int count);
    int itemCount() const;

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

    // What the status request tells beyond the item count: the board and
    // setup, and the results. Unset, those parts answer null.
    struct Station {
        bool demo = true;
        QString setup;
    };
    struct Results {
        qint64 parts = 0;
        bool recording = false;
    };
    void setStationSource(std::function<Station()> source);
    void setResultsSource(std::function<Results()> source);
    live::Status status() const;

    // Commands ({"command":...}) from conversations whose handshake carried
    // "Authorization: Bearer <token>"; the others are answered
    // {"error":"not authorized"}. No token, no commands. The handler answers
    // through reply, now or later (a reply after the client left is dropped).
    using Reply = std::function<void(const QString &message)>;
    using CommandHandler = std::function<void(const QJsonObject &command, Reply reply)>;
    void setToken(const QByteArray &token);
    void setCommandHandler(CommandHandler handler);

    // Open conversations: connections on the topic that have not ended.
    int conversationCount() const;

    // Applies to conversations opened from now on.
    void setQueueLimit(qint64 bytes);

    // Connections held at once, handshakes under way included: one peer
    // opening sockets without end must not use up the program's files.
    static constexpr int defaultConnectionLimit = 256;
    // Connections past the limit are closed as soon as they are accepted.
    void setConnectionLimit(int connections);

    // Plain HTTP GETs on the same address: each must arrive whole within
    // this many ms of the connection's opening or the previous answer.
    void setHttpIdleTimeout(int ms);
    // The answer to a GET: /FormMain, /FormMain/<item>, /FormMain/<item>.json.
    HttpAnswer httpAnswer(const HttpRequest &request) const;

signals:
    // One per conversation, opened before closed, each exactly once.
    void conversationOpened();
    void conversationClosed();

public:
    // The item as it is sent.
    QString answer(int item) const;

private:
    struct Item {
        QString text;
        ChannelReading reading;
        std::vector<LiveConversation *> advisers;
    };

    void acceptConnections();
    void refuse(QWebSocket *socket);
    void handle(LiveConversation *conversation, const QString &message);
    void advise(LiveConversation *conversation, int item);
    void unadvise(LiveConversation *conversation, int item);
    void end(LiveConversation *conversation);

    QTcpServer *listener_;
    QWebSocketServer *server_; // does the handshakes of what listener_ accepts
    std::vector<Item> items_;  // items_[0] is item "0"
    std::vector<LiveConversation *> conversations_;
    qint64 queueLimit_ = defaultQueueLimit;
    int connectionLimit_ = defaultConnectionLimit;
    int connections_ = 0; // accepted sockets not yet destroyed
    int httpIdleTimeout_ = HttpExchange::defaultIdleTimeout;
    std::function<Station()> station_;
    std::function<Results()> results_;
    QByteArray token_;
    bool keepChanges_ = false;
    std::vector<ItemChange> changes_;
    CommandHandler commands_;
};

} // namespace qmxsrv
