// SIGTERM, SIGINT and SIGHUP (a service manager's stop, Ctrl-C or a closed
// terminal on a station without a screen) as a Qt signal, so that the stop
// runs in the event loop like any other command and can write its files. A
// second stop signal while the first is being handled ends the program at
// once, as it would have without us.
#pragma once

#include <QObject>

namespace qmxsrv {

class StopSignals : public QObject {
    Q_OBJECT
public:
    // One per process: installs the handlers; the destructor restores the defaults.
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

signals:
    void stopRequested(int signalNumber);

private:
    void readPipe();
};

} // namespace qmxsrv
