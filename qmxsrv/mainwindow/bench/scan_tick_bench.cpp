// What the scan costs the server, started as the program starts (warm
// simulated board, offscreen): the CPU time of one tick in channel mode with
// 24 and with 255 channels; the time from a tick to the last of 100 advised
// loopback clients having its changes; and the server's resident memory with
// those clients. The board runs in this process, so its emulation counts in
// the tick's CPU time; its clock is moved 400 ms before each tick, as between
// two real ticks. The clients are livevalue_fanout_bench --clients in a child
// process: they print "ready", then "<round> <ns>" when the last of them has
// had the 24 texts of a round (texts " <round>.<item>").
#include "benchserver.h"
#include "core/messageboxes.h"
#include "core/programstate.h"
#include "mainwindow/formmain.h"
#include "mainwindow/program.h"
#include "platform/scriptedfiledialogs.h"
#include "service/bench/benchsupport.h"
#include "service/livevalueservice.h"

#include <qmxboard.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace bench;

constexpr int fanoutItems = 24;
constexpr int fanoutRounds = 200;

void tickCost(qmxboard::Control &board, int channels)
{
    std::int64_t clockNs = 0;
    board.setClock([&clockNs] { return clockNs; });
    Server server(channels);
    for (const bool moving : {true, false}) {
        board.freeze(!moving);
        std::vector<double> cpu;
        for (int tick = 0; tick < 300; ++tick) {
            clockNs += 400'000'000;
            const double start = cpuUs();
            server.window().scanCycle().tick();
            if (tick >= 20) // the first ones show everything afresh
                cpu.push_back(cpuUs() - start);
        }
        std::printf("  %3d channels, values %s: CPU per tick median %.0f us, 95%% %.0f us, "
                    "max %.0f us (target < %d ms)\n",
                    channels, moving ? "changing" : "still   ", percentile(cpu, 0.5),
                    percentile(cpu, 0.95), percentile(cpu, 1.0), channels <= 24 ? 2 : 20);
    }
    board.setClock({});
}

int fanout(qmxboard::Control &board)
{
    board.freeze();
    Server server(fanoutItems);
    const QString url =
        QStringLiteral("ws://127.0.0.1:%1/FormMain").arg(server.window().liveValues().port());
    const Fanout f = timeRounds(QStringLiteral(CLIENTS_PATH), url, fanoutRounds, [&](int round) {
        for (int i = 1; i <= fanoutItems; ++i)
            board.setProbe(i, round + i / 1000.0);
        server.window().scanCycle().tick();
    });
    if (!f.ok)
        return 1;
    std::printf("  tick to the last of 100 advised clients, 24 changed channels: median "
                "%.2f ms, 95%% %.2f ms, max %.2f ms (target < 50 ms)\n",
                percentile(f.ms, 0.5), percentile(f.ms, 0.95), percentile(f.ms, 1.0));
    std::printf("  server resident memory with 100 clients: %.1f MB after connecting, %.1f MB "
                "after %d ticks, peak %.1f MB (target < 100 MB)\n",
                f.idleKb / 1024.0, f.rssKb / 1024.0, fanoutRounds, f.peakKb / 1024.0);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    ::setenv("QMX_PORTS", "sim", 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    qmxboard::Control board;
    board.reset(qmxboard::Start::Running);

    std::printf("scan tick, channel mode, simulated board in process:\n");
    tickCost(board, 24);
    tickCost(board, 255);
    std::printf("live values of a scan:\n");
    return fanout(board);
}
