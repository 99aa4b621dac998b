#include "stopsignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace qmxsrv {

namespace {

constexpr int StopSignalNumbers[] = {SIGTERM, SIGINT, SIGHUP};
int pipeFds[2] = {-1, -1};

void onStopSignal(int signalNumber)
{
    // Only async-signal-safe calls here: the number goes through the pipe,
    // and the next such signal gets the default action.
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    if (write(pipeFds[1], &byte, 1) != 1) {
        // The pipe is full of unread stops: the loop is not running them.
        _exit(128 + signalNumber);
    }
    for (const int s : StopSignalNumbers)
        std::signal(s, SIG_DFL);
    errno = saved;
}

} // namespace

StopSignals::StopSignals(QObject *parent) : QObject(parent), notifier_(nullptr)
{
    if (pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // no stop handling, the defaults stay
    notifier_ = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &StopSignals::readPipe);
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int s : StopSignalNumbers)
        sigaction(s, &action, nullptr);
}

StopSignals::~StopSignals()
{
    for (const int s : StopSignalNumbers)
        std::signal(s, SIG_DFL);
    if (pipeFds[0] >= 0) {
        close(pipeFds[0]);
        close(pipeFds[1]);
        pipeFds[0] = pipeFds[1] = -1;
    }
}

void StopSignals::readPipe()
{
    unsigned char byte = 0;
    while (read(pipeFds[0], &byte, 1) == 1)
        emit stopRequested(byte);
}

} // namespace qmxsrv
