// board.h - the simulated QMX-X1 on the port bus: its three registers, the
// loader while it is cold, the firmware once an image runs, and the faults a
// test can switch on. One mutex guards it all; the port path takes it for a
// few counters and a byte.
#pragma once

#include "firmware.h"
#include "loader.h"
#include "qmxboard.h"
#include "request_frame.h"
#include "signal_model.h"
#include "traffic.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace qmxboard {

struct BoardConfig {
    unsigned base = 0x310;
    bool running = false;
    std::uint64_t seed = 1;
    std::string controlPath;
};

// QMX_SIM_BASE, QMX_SIM_STATE, QMX_SIM_SEED, QMX_SIM_CONTROL.
BoardConfig configFromEnvironment();

class Board {
public:
    explicit Board(const BoardConfig &config);

    std::uint8_t read(std::uint16_t port);
    void write(std::uint16_t port, std::uint8_t value);

    // Everything below expects the caller to hold mutex().
    std::mutex &mutex() { return mutex_; }
    void reset(Start start);
    void setBase(unsigned base) { base_ = std::uint16_t(base); }
    void setClock(std::function<std::int64_t()> clock);
    std::int64_t now() const { return clock_(); }
    SignalModel &model() { return model_; }
    Traffic &traffic() { return traffic_; }
    // Null while the board is cold. advance() first when reading values.
    Firmware *firmware() { return firmware_.get(); }
    void advance();
    BoardState state() const;

    void dieNow() { dead_ = true; }
    void dieAfterBytes(unsigned bytes) { dieAfter_ = bytes; }
    void answerNextWith(std::uint8_t status) { nextStatus_ = status; }
    void delayReplies(unsigned polls) { delayPolls_ = polls; }
    void delayRepliesNs(std::int64_t ns) { delayNs_ = ns; }
    void comeBack();

private:
    bool offering() const { return outPos_ < out_.size(); }
    void moved();
    void frameComplete();
    void publish(std::vector<std::uint8_t> bytes);
    void checkPending(bool replyPoll);
    void startFirmware(const std::string &version);
    void stopFirmware();
    void restartLink();

    std::mutex mutex_;
    std::uint16_t base_;
    std::function<std::int64_t()> clock_;
    SignalModel model_;
    BoardMemory memory_;
    Loader loader_{memory_};
    std::unique_ptr<Firmware> firmware_;
    std::string version_;
    RequestFrame request_;
    Traffic traffic_;

    // What the board offers on the data register, and the reply-ready flag.
    std::vector<std::uint8_t> out_;
    std::size_t outPos_ = 0;
    bool replyReady_ = false;
    // A reply held back by a delay fault.
    std::vector<std::uint8_t> pending_;
    bool hasPending_ = false;
    unsigned pendingPolls_ = 0;
    std::int64_t pendingAtNs_ = 0;

    bool dead_ = false;
    unsigned dieAfter_ = 0; // 0: no countdown
    int nextStatus_ = -1;
    unsigned delayPolls_ = 0;
    std::int64_t delayNs_ = 0;
};

} // namespace qmxboard
