// qmxboard.h - control of the simulated QMX-X1 board, for tests and demos.
//
// The process has one board (the one libqmxboard.so answers on the port bus
// with). Tests link libqmxboard.so and reach it through a Control; the device
// library's dlopen of the same file finds the same board. Every call is safe
// against the board's port traffic and its control socket.
#ifndef QMXBOARD_H
#define QMXBOARD_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qmxboard {

enum class Start { Cold, Running };

// One command frame the running firmware decoded, and its reply.
struct Frame {
    std::uint8_t code = 0;
    std::vector<std::uint8_t> request; // data bytes, after the count
    std::uint8_t status = 0;
    std::vector<std::uint8_t> reply; // data bytes, after the count
    // The frame as the library call that sends it, e.g. "QmxSetCzero(3, 0)",
    // "QmxDefineChannel(3, \"T1\")", "QmxSetScanTime(500)". Floats are written
    // in their shortest exact form; an empty formula arrives as QmxClearChannel.
    std::string call() const;
};

// Port accesses since the last clearTraffic(), by register.
struct PortCounts {
    std::uint64_t dataReads = 0, dataWrites = 0;     // base + 0
    std::uint64_t statusReads = 0, statusWrites = 0; // base + 1
    std::uint64_t replyReads = 0, replyWrites = 0;   // base + 3
    std::uint64_t otherReads = 0, otherWrites = 0;   // ports the board does not decode
    std::uint64_t total() const;
};

struct ItemState {
    double position = 0; // raw position (where the part puts the probe)
    float zero = 0;
    float fullScale = 0;
};

struct MemoryState {
    std::string kind;  // "MAX", "MIN" or "TIR"
    bool held = false; // has taken a value since the last reset
    double high = 0, low = 0;
};

struct ChannelState {
    std::string formula; // empty: none
    float zero = 0;
    float scale = 1;
    std::vector<MemoryState> memories; // in the order they stand in the formula
};

struct BoardState {
    unsigned baseAddress = 0x310;
    bool firmwareRunning = false;
    std::string firmwareVersion; // from the last image started; "" when started warm
    std::string loaderResult;    // "started", why the last image was refused, or ""
    unsigned loaderBlocks = 0;   // write-block messages since the last prompt
    bool dead = false;
    bool frozen = false;
    std::uint64_t seed = 0;
    // The rest is the firmware's and holds power-on values while it does not run.
    bool scanRunning = false;
    unsigned scanPeriod = 0, adcAverage = 0, runAverage = 0, muxTime = 0;
    unsigned fpIn = 0, fpOut = 0, fpPrec = 0;
    std::uint64_t scans = 0;
    std::size_t formulaTableUsed = 0, formulaMemoryUsed = 0;
    std::vector<ChannelState> channels; // [0] is channel 1
    std::vector<ItemState> probes;      // [0] is T1
    std::vector<ItemState> inputs;      // [0] is A1
};

// A handle on the process's board; any number of them may exist.
class Control {
public:
    // Everything back to power-on: firmware (cold or running), loader, faults,
    // signal model (positions 0, moving), traffic record. The base address,
    // seed, clock and control socket stay as they are.
    void reset(Start start = Start::Cold);
    void setBaseAddress(unsigned base);

    // Signal model.
    void setProbe(int n, double position); // T1 .. T64
    void setInput(int n, double position); // A1 .. A16
    void freeze(bool frozen = true);       // frozen: every reading is exactly its position
    void setSeed(std::uint64_t seed);
    // The board's monotonic clock in nanoseconds (scan, motion, reply delays);
    // an empty function restores the steady clock.
    void setClock(std::function<std::int64_t()> nanoseconds);

    BoardState state() const;
    // What the board would answer for the item now; false when no firmware runs
    // or the number is out of range.
    bool probeReading(int n, float &value) const;
    bool inputReading(int n, float &value) const;
    bool channelValue(int n, float &value) const;

    // Traffic.
    PortCounts portCounts() const;
    std::vector<Frame> frames() const;
    std::vector<std::string> calls() const; // frames()[i].call()
    // Whether these calls were received in this order (others may come between).
    bool receivedInOrder(const std::vector<std::string> &calls) const;
    void clearTraffic();

    // Faults.
    void dieNow();                            // ports read 00, writes are ignored
    void dieAfterBytes(unsigned bytes);       // after that many more data-register bytes
    void answerNextWith(std::uint8_t status); // the next command is refused with it
    void delayReplies(unsigned polls);        // each reply shows after that many reply-ready polls
    void delayRepliesSeconds(double seconds);
    void comeBack(); // all faults cleared; a dead board answers again

    // The control socket (also started by QMX_SIM_CONTROL=PATH).
    bool listen(const std::string &path, std::string *error = nullptr);
    void stopListening();
    // One control-socket command line, answered in process: "ok ..." or "error: ...".
    std::string command(const std::string &line);
};

} // namespace qmxboard

#endif
