// What the main window's benchmarks share: the monotonic clock both sides of
// a fan-out read, percentiles, a process's memory, waiting with the event
// loop running, and reading the client process's lines meanwhile.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <unistd.h>
#include <vector>

namespace bench {

inline qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// CPU time of the calling thread in µs: what a tick costs, whatever else runs.
inline double cpuUs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e6 + double(t.tv_nsec) / 1e3;
}

inline double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(p * double(values.size())))];
}

// A field of /proc/<pid>/status in kB ("VmRSS:", "VmHWM:"), of this process
// when pid is 0; -1 when unknown.
inline long residentKb(const char *field, qint64 pid = 0)
{
    QFile status(pid ? QStringLiteral("/proc/%1/status").arg(pid)
                     : QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(std::strlen(field))).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// Runs the event loop until done() or ms have passed; whether done().
inline bool waitUntil(const std::function<bool()> &done, int ms)
{
    const qint64 end = nowNs() + qint64(ms) * 1'000'000;
    while (!done()) {
        if (nowNs() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        ::usleep(1000);
    }
    return true;
}

// The child's next line, the server's event loop running meanwhile; empty
// when the child has ended.
inline QByteArray nextLine(QProcess &child)
{
    while (!child.canReadLine()) {
        if (child.state() == QProcess::NotRunning)
            return {};
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return child.readLine().trimmed();
}

struct Fanout {
    bool ok = false;
    std::vector<double> ms; // per round: from the change to the last client having it
    long idleKb = 0, rssKb = 0, peakKb = 0; // after connecting, after the rounds, peak
};

// Starts `clients --clients url` (they print "ready", then "<round> <ns>"
// when the last of them has had a round's texts), then runs each round's
// change and waits for the clients to report it.
inline Fanout timeRounds(const QString &clients, const QString &url, int rounds,
                         const std::function<void(int round)> &change)
{
    Fanout result;
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(clients, {QStringLiteral("--clients"), url});
    if (!child.waitForStarted() || nextLine(child) != "ready") {
        std::fprintf(stderr, "the clients did not come up\n");
        return result;
    }
    result.idleKb = residentKb("VmRSS:");
    for (int round = 1; round <= rounds; ++round) {
        const qint64 start = nowNs();
        change(round);
        const QList<QByteArray> answer = nextLine(child).split(' ');
        if (answer.size() != 2 || answer[0].toInt() != round) {
            std::fprintf(stderr, "round %d: the clients fell out\n", round);
            return result;
        }
        result.ms.push_back(double(answer[1].toLongLong() - start) / 1e6);
    }
    result.rssKb = residentKb("VmRSS:");
    result.peakKb = residentKb("VmHWM:");
    child.kill();
    child.waitForFinished();
    result.ok = true;
    return result;
}

} // namespace bench
