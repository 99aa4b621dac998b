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
    // Takes the open socket over. A client that lets more than queueLimit
    // bytes pile up unsent is dropped, so it can never hold up the scan.
    LiveConversation(QWebSocket *socket, qint64 queueLimit, QObject *parent);

    // Queues message for the client. Never re-enters the service: a client
    // dropped here reports finished later, from the event loop.
    void send(const QString &message);

    bool advised(int item) const;
    void setAdvised(int item, bool on);
    // The items that exist: flags above count go.
    void setItemCount(int count);
    // Set by advise "*": items that appear later are advised too.
    bool followsNewItems = false;
    // The handshake showed the station's token: commands are taken.
    bool authorized = false;

signals:
    void received(qmxsrv::LiveConversation *conversation, const QString &message);
    void binaryReceived(qmxsrv::LiveConversation *conversation);
    // Exactly once, however the connection ended.
    void finished(qmxsrv::LiveConversation *conversation);

private:
    void finish();

    QWebSocket *socket_;
    qint64 queueLimit_;
    bool open_ = true;      // may still be sent to
    bool finished_ = false; // finished has been emitted
    std::vector<bool> advised_;
};

} // namespace qmxsrv
