// bench_board - the simulated board through the device library (QMX_PORTS=sim):
// a cold QmxCommInit that downloads a 64 KiB image, and a QmxReadChannel round
// trip. Prints its figures; targets: cold start under 50 ms, a read under 5 us.
#include "firmware_image.h"
#include "qmxboard.h"
#include "qmxcom32.h"
#include "qmxcom32_host.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The probe of a cold board waits out the library's reply time-out; a clock
// that moves a second per look makes that wait a few polls, so the figure is
// the download's.
long TickingClock(void *)
{
    static long now = 0;
    return ++now;
}

void Quiet(void *, const char *text) { std::fprintf(stderr, "library says: %s\n", text); }

double since(Clock::time_point t0)
{
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

} // namespace

int main()
{
    setenv("QMX_PORTS", "sim", 1);
    QmxHostSetClock(TickingClock, nullptr);
    QmxHostSetMessageHandler(Quiet, nullptr);

    qmxboard::image::Options options;
    options.size = 65536;
    std::vector<std::uint8_t> file = qmxboard::image::buildFile(options);
    std::string path = "/tmp/qmxboard-bench-" + std::to_string(getpid()) + ".bin";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char *>(file.data()), file.size());

    qmxboard::Control board;
    const int kColdRuns = 15;
    std::vector<double> times;
    std::uint64_t accesses = 0;
    for (int i = 0; i < kColdRuns; ++i) {
        board.reset(qmxboard::Start::Cold);
        Clock::time_point t0 = Clock::now();
        int32_t result = QmxCommInit(0, path.c_str());
        times.push_back(since(t0));
        accesses = board.portCounts().total();
        if (result != 0 || !board.state().firmwareRunning) {
            std::fprintf(stderr, "cold start failed: %d, %s\n", result,
                         board.state().loaderResult.c_str());
            return 1;
        }
    }
    std::remove(path.c_str());
    std::sort(times.begin(), times.end());
    std::printf("cold QmxCommInit, 64 KiB image: median %.2f ms (best %.2f, worst %.2f, %d runs), "
                "%llu port accesses (target: under 50 ms)\n",
                times[kColdRuns / 2] * 1e3, times.front() * 1e3, times.back() * 1e3, kColdRuns,
                static_cast<unsigned long long>(accesses));

    board.reset(qmxboard::Start::Running);
    board.freeze();
    board.setProbe(1, 1.0);
    board.setProbe(2, 3.0);
    QmxCommInit(0, "unused");
    if (QmxDefineChannel(1, "(T1+T2)/2") != 0)
        return 1;
    float value = 0;
    for (int i = 0; i < 10000; ++i)
        QmxReadChannel(1, &value);
    const int kReads = 300000;
    board.clearTraffic();
    Clock::time_point t0 = Clock::now();
    for (int i = 0; i < kReads; ++i)
        QmxReadChannel(1, &value);
    double seconds = since(t0);
    std::printf("QmxReadChannel round trip: %.0f ns (%d reads, %.1f port accesses each, value %g) "
                "(target: under 5000 ns)\n",
                seconds / kReads * 1e9, kReads, double(board.portCounts().total()) / kReads,
                double(value));
    return 0;
}
