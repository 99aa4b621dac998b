// One run of qmxlink: connects to the gauge server's live-value service,
// asks for one item or advises items, prints what comes back.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <QWebSocket>

class LinkClient : public QObject {
    Q_OBJECT
public:
    enum ExitCode { Done = 0, ServerError = 1, Usage = 2, NoServer = 3 };

    struct Order {
        QUrl url;
        bool advise = false; // request otherwise
        QString item;
        long count = 0;     // advise: stop after this many lines; 0 runs until interrupted
        QByteArray command; // a command's JSON: sent instead, its reply printed
        QByteArray token;   // shown in the handshake (Authorization: Bearer)
    };

    explicit LinkClient(const Order &order, QObject *parent = nullptr);
    void start();

signals:
    void done(int exitCode);

private:
    void sendOrder();
    void received(const QString &message);
    void failed(int exitCode, const QString &why);
    void lost();

    Order order_;
    QWebSocket socket_;
    QTimer deadline_;
    long printed_ = 0;
    bool reached_ = false; // the handshake went through
    bool finished_ = false;
};
