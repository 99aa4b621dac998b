// bench_read_channel.cpp - what one QmxReadChannel costs on a board that is
// always ready: the port accesses it makes (the protocol needs 24: one status
// poll per byte, 4 bytes out, reply-ready read and cleared, 7 bytes in) and
// the CPU time. BM_BusAlone makes the same 24 bus calls without the library,
// so the difference of the two times is the library's own share.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "qmxcom32.h"
#include "qmxcom32_host.h"

namespace {

// Takes every byte at once; once a request frame is complete, its reply (a
// channel value) is ready at once.
class InstantBoard {
public:
    static constexpr std::uint16_t kData = 0x310, kStatus = 0x311, kReplyReady = 0x313;

    static unsigned char Read(void *context, unsigned short port)
    {
        auto *board = static_cast<InstantBoard *>(context);
        ++board->accesses;
        switch (port) {
        case kData: return board->reply[board->offered++];
        case kStatus: return board->offered < board->replyLength ? 0x01 : 0x00;
        case kReplyReady: return board->ready;
        default: return 0x00;
        }
    }

    static void Write(void *context, unsigned short port, unsigned char value)
    {
        auto *board = static_cast<InstantBoard *>(context);
        ++board->accesses;
        if (port == kReplyReady) {
            board->ready = 0;
            board->offered = 0;
        } else if (port == kData) {
            if (++board->received == 3) {
                board->expected = 3 + value;
            }
            if (board->received == board->expected) {
                board->received = 0;
                board->ready = 1;
            }
        }
    }

    std::uint64_t accesses = 0;

private:
    const unsigned char reply[7] = {0x00, 0x00, 0x04, 0x00, 0x00, 0xC0, 0x3F};
    const int replyLength = 7;
    int offered = 7;
    int received = 0;
    int expected = -1;
    unsigned char ready = 0;
};

void BM_ReadChannel(benchmark::State &state)
{
    InstantBoard board;
    const QmxPortBus bus = {&board, InstantBoard::Read, InstantBoard::Write};
    QmxHostSetPortBus(&bus);
    QmxCommInit(0, nullptr);
    board.accesses = 0;
    float value = 0.0f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(QmxReadChannel(3, &value));
    }
    state.counters["port_accesses"] =
        benchmark::Counter(static_cast<double>(board.accesses), benchmark::Counter::kAvgIterations);
    QmxHostSetPortBus(nullptr);
}
BENCHMARK(BM_ReadChannel);

// The bus calls of one channel read, in the library's order, made directly
// through the same function pointers the library calls.
void BM_BusAlone(benchmark::State &state)
{
    InstantBoard board;
    const QmxPortBus table = {&board, InstantBoard::Read, InstantBoard::Write};
    const QmxPortBus *volatile bus = &table; // keeps the calls from being inlined
    const unsigned char frame[4] = {0x3A, 0x04, 0x01, 0x03};
    for (auto _ : state) {
        for (unsigned char byte : frame) {
            benchmark::DoNotOptimize(bus->read(bus->context, InstantBoard::kStatus));
            bus->write(bus->context, InstantBoard::kData, byte);
        }
        benchmark::DoNotOptimize(bus->read(bus->context, InstantBoard::kReplyReady));
        bus->write(bus->context, InstantBoard::kReplyReady, 0x00);
        for (int i = 0; i < 7; ++i) {
            benchmark::DoNotOptimize(bus->read(bus->context, InstantBoard::kStatus));
            benchmark::DoNotOptimize(bus->read(bus->context, InstantBoard::kData));
        }
    }
    state.counters["port_accesses"] =
        benchmark::Counter(static_cast<double>(board.accesses), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_BusAlone);

} // namespace
