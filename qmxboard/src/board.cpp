// board.cpp
#include "board.h"

#include <chrono>
#include <cstdlib>
#include <cstring>

namespace qmxboard {
namespace {

std::int64_t steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

constexpr std::uint8_t kPrompt = 0x2A; // '*'
constexpr std::uint8_t kLead = 0x3A;   // replies open like requests

} // namespace

BoardConfig configFromEnvironment()
{
    BoardConfig c;
    if (const char *v = std::getenv("QMX_SIM_BASE")) {
        char *end = nullptr;
        unsigned long base = std::strtoul(v, &end, 0);
        if (end != v && *end == '\0' && base <= 0xFFFF)
            c.base = unsigned(base);
    }
    if (const char *v = std::getenv("QMX_SIM_STATE"))
        c.running = std::strcmp(v, "running") == 0;
    if (const char *v = std::getenv("QMX_SIM_SEED"))
        c.seed = std::strtoull(v, nullptr, 0);
    if (const char *v = std::getenv("QMX_SIM_CONTROL"))
        c.controlPath = v;
    return c;
}

Board::Board(const BoardConfig &config)
    : base_(std::uint16_t(config.base)), clock_(steadyNs), model_(config.seed)
{
    reset(config.running ? Start::Running : Start::Cold);
}

void Board::setClock(std::function<std::int64_t()> clock)
{
    clock_ = clock ? std::move(clock) : steadyNs;
}

void Board::reset(Start start)
{
    stopFirmware();
    memory_.clear();
    loader_.powerOn();
    traffic_.clear();
    model_.resetPositions();
    comeBack();
    if (start == Start::Running)
        startFirmware("");
}

// The firmware stops; nothing half-sent or half-received is left on the link.
void Board::stopFirmware()
{
    firmware_.reset();
    version_.clear();
    restartLink();
}

void Board::restartLink()
{
    out_.clear();
    outPos_ = 0;
    replyReady_ = false;
    hasPending_ = false;
    request_.restart();
}

void Board::comeBack()
{
    if (dead_)
        restartLink(); // back from the dead, nothing half-sent is left
    dead_ = false;
    dieAfter_ = 0;
    nextStatus_ = -1;
    delayPolls_ = 0;
    delayNs_ = 0;
}

void Board::startFirmware(const std::string &version)
{
    firmware_ = std::make_unique<Firmware>(model_, memory_, now());
    version_ = version;
    request_.restart();
}

void Board::advance()
{
    if (firmware_)
        firmware_->advance(now());
}

std::uint8_t Board::read(std::uint16_t port)
{
    int offset = std::uint16_t(port - base_);
    traffic_.read(offset);
    if (dead_)
        return 0;
    switch (offset) {
    case 0: {
        if (!offering())
            return 0;
        std::uint8_t b = out_[outPos_++];
        moved();
        return b;
    }
    case 1:
        if (loader_.phase() == Loader::Phase::Released) {
            // Self-test done: the loader announces itself.
            loader_.listen();
            publish({kPrompt});
            replyReady_ = false;
        }
        checkPending(false);
        return offering() ? 1 : 0;
    case 3: checkPending(true); return replyReady_ ? 1 : 0;
    }
    return 0;
}

void Board::write(std::uint16_t port, std::uint8_t value)
{
    int offset = std::uint16_t(port - base_);
    traffic_.write(offset);
    if (dead_)
        return;
    switch (offset) {
    case 0:
        if (offering())
            return; // an acknowledge of the byte on offer, not data
        moved();    // a board dying with this byte still takes it
        if (firmware_) {
            if (request_.take(value))
                frameComplete();
        } else if (loader_.phase() == Loader::Phase::Listening) {
            Loader::Outcome outcome;
            if (loader_.take(value, outcome) && outcome.started)
                startFirmware(outcome.version);
        }
        return;
    case 1:
        // The start-up writes hold the board in reset: the firmware stops.
        if (loader_.phase() != Loader::Phase::Held) {
            stopFirmware();
            loader_.hold();
        }
        return;
    case 3:
        if (value == 0) {
            replyReady_ = false;
            loader_.releaseIfHeld();
        }
        return;
    }
}

void Board::moved()
{
    if (dieAfter_ && --dieAfter_ == 0)
        dead_ = true;
}

void Board::frameComplete()
{
    std::int64_t t = now();
    firmware_->advance(t);
    Frame frame;
    frame.code = request_.code();
    frame.request = request_.data();
    Reply reply;
    if (nextStatus_ >= 0) {
        reply.status = std::uint8_t(nextStatus_);
        nextStatus_ = -1;
    } else {
        reply = firmware_->execute(frame.code, frame.request, t);
    }
    // A count of 0 would announce 256 bytes: a reply without data carries one 00.
    if (reply.data.empty())
        reply.data.push_back(0);
    std::vector<std::uint8_t> bytes{kLead, reply.status, std::uint8_t(reply.data.size())};
    bytes.insert(bytes.end(), reply.data.begin(), reply.data.end());
    frame.status = reply.status;
    frame.reply = std::move(reply.data);
    traffic_.record(std::move(frame));
    if (delayPolls_ || delayNs_) {
        pending_ = std::move(bytes);
        hasPending_ = true;
        pendingPolls_ = delayPolls_;
        pendingAtNs_ = t + delayNs_;
        return;
    }
    publish(std::move(bytes));
}

void Board::publish(std::vector<std::uint8_t> bytes)
{
    out_ = std::move(bytes);
    outPos_ = 0;
    replyReady_ = true;
}

void Board::checkPending(bool replyPoll)
{
    if (!hasPending_)
        return;
    if (replyPoll && pendingPolls_)
        --pendingPolls_;
    if (pendingPolls_ || (delayNs_ && now() < pendingAtNs_))
        return;
    hasPending_ = false;
    publish(std::move(pending_));
}

BoardState Board::state() const
{
    BoardState s;
    s.baseAddress = base_;
    s.firmwareRunning = firmware_ != nullptr;
    s.firmwareVersion = version_;
    s.loaderResult = loader_.record().result;
    s.loaderBlocks = loader_.record().blocks;
    s.dead = dead_;
    s.frozen = model_.frozen();
    s.seed = model_.seed();
    for (int n = 1; n <= kProbes; ++n)
        s.probes.push_back({model_.position(probeItem(n)), 0.0f, kProbeUnitScale});
    for (int n = 1; n <= kInputs; ++n)
        s.inputs.push_back({model_.position(inputItem(n)), 0.0f, kInputUnitScale});
    s.channels.resize(kChannels);
    if (!firmware_)
        return s;
    const Firmware &f = *firmware_;
    s.scanRunning = f.scan().running();
    s.scanPeriod = f.scan().period();
    s.adcAverage = f.scan().adcAverage();
    s.runAverage = f.scan().runAverage();
    s.scans = f.scan().scans();
    s.muxTime = f.muxTime();
    s.fpIn = f.fpIn();
    s.fpOut = f.fpOut();
    s.fpPrec = f.fpPrec();
    s.formulaTableUsed = f.channels().tableUsed();
    s.formulaMemoryUsed = f.channels().memoryUsed();
    for (int n = 1; n <= kProbes; ++n) {
        s.probes[n - 1].zero = f.probeCalibration(n).zero;
        s.probes[n - 1].fullScale = f.probeCalibration(n).fullScale;
    }
    for (int n = 1; n <= kInputs; ++n) {
        s.inputs[n - 1].zero = f.inputCalibration(n).zero;
        s.inputs[n - 1].fullScale = f.inputCalibration(n).fullScale;
    }
    static const char *const kinds[] = {"MAX", "MIN", "TIR"};
    for (int n = 1; n <= kChannels; ++n) {
        const ChannelTable::Channel &c = f.channels().at(n);
        ChannelState &cs = s.channels[n - 1];
        cs.formula = c.text;
        cs.zero = c.zero;
        cs.scale = c.scale;
        if (!c.formula)
            continue;
        for (const MemoryValue &m : c.formula->memories())
            cs.memories.push_back({kinds[int(m.op) - int(Op::Max)], m.held, m.high, m.low});
    }
    return s;
}

} // namespace qmxboard
