// One client of the live-value service: one DDE conversation.
#pragma once

#include <QObject>
#include <QString>

#include <vector>

class QWebSocket;

namespace qmxsrv {

class LiveConversation : public QObject {
    Q_OBJECT
public:
    // Takes the open socket over. A client that leaves more than queueLimit
    // bytes unread (what waits in the server and what the system holds for
    // it unacknowledged) is closed as a policy violation (1008) with the
    // reason, and dropped if it does not take the close, so it can never
    // hold up the server or fill its memory.
    // descriptor: of the TCP socket beneath, -1 when unknown.
    LiveConversation(QWebSocket *socket, qintptr descriptor, qint64 queueLimit, QObject *parent);

    // Queues message for the client. Never re-enters the service: a client
    // dropped here reports finished later, from the event loop.
    void send(const QString &message);
    // Asks the system what it still holds for the client (a system call, so
    // once per batch of sends rather than per message) and applies the limit.
    void checkQueue();
    // The station stops: "going away" (1001), the frame handed to the
    // system at once, for there is no event loop after this.
    void goAway();

    bool advised(int item) const;
    void setAdvised(int item, bool on);
    // The items that exist: flags above count go.
    void setItemCount(int count);
    // Set by advise "*": items that appear later are advised too.
    bool followsNewItems = false;
    // The handshake showed the station's token: commands are taken.
    bool authorized = false;

    // How long a client that was told to go may take to close.
    static constexpr int closeWait = 2000; // ms

signals:
    void received(qmxsrv::LiveConversation *conversation, const QString &message);
    void binaryReceived(qmxsrv::LiveConversation *conversation);
    // Exactly once, however the connection ended.
    void finished(qmxsrv::LiveConversation *conversation);

private:
    void finish();
    qint64 unread() const;
    void tooMuchUnread();

    QWebSocket *socket_;
    qintptr descriptor_ = -1; // of the TCP socket beneath, for the system's queue
    qint64 queueLimit_;
    qint64 systemQueued_ = 0; // as last asked
    bool open_ = true;        // may still be sent to
    bool finished_ = false;   // finished has been emitted
    std::vector<bool> advised_;
};

} // namespace qmxsrv
