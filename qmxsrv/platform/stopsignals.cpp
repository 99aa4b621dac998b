#include "stopsignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace qmxsrv {

namespace {

constexpr int StopSignalNumbers[] = {SIGTERM, SIGINT, SIGHUP};
int pipeFds[2] = {-1, -1};

void onStopSignal(int signalNumber)
{
    // Only async-signal-safe calls here. The handler runs once: it hands on
    // the number and gives the next such signal its default action, so the
    // pipe never holds more than a byte or two.
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = write(pipeFds[1], &byte, 1);
    for (const int s : StopSignalNumbers)
        std::signal(s, SIG_DFL);
    errno = saved;
}

} // namespace

StopSignals::StopSignals(QObject *parent) : QObject(parent)
{
    if (pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // no stop handling, the defaults stay
    auto *notifier = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &StopSignals::readPipe);
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
