// loader.h - the board's resident loader: after the start-up writes it offers
// its prompt, takes write-block messages into the board's memory and, on the
// start message, starts the image only when the image checks out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qmxboard {

// The board's 1 MiB of real-mode memory (segment x 16 + offset).
class BoardMemory {
public:
    std::uint8_t read(std::uint32_t address) const
    {
        return bytes_.empty() ? 0 : bytes_[address & 0xFFFFF];
    }
    void write(std::uint32_t address, std::uint8_t value)
    {
        if (bytes_.empty())
            bytes_.assign(1u << 20, 0);
        bytes_[address & 0xFFFFF] = value;
    }
    void clear() { bytes_.clear(); }

private:
    std::vector<std::uint8_t> bytes_;
};

class Loader {
public:
    enum class Phase {
        Idle,      // power-on: nothing is listened to
        Held,      // the start-up writes to the status register hold the board in reset
        Released,  // reply-ready register written: the prompt comes at the next status poll
        Listening, // prompt offered: write-block and start messages are taken
    };
    struct Outcome {
        bool started = false;
        std::string version;
    };
    // What the last start message came to, for the board's state.
    struct Record {
        unsigned blocks = 0;
        std::size_t bytes = 0;
        int start = -1;
        std::string result; // "started", or why the image was refused
    };

    explicit Loader(BoardMemory &memory) : memory_(memory) {}

    Phase phase() const { return phase_; }
    void powerOn();
    void hold();
    void releaseIfHeld();
    void listen();
    // A byte written to the data register while listening. Returns true when
    // a start message has been taken; `outcome` says whether the image runs.
    bool take(std::uint8_t byte, Outcome &outcome);
    const Record &record() const { return record_; }

private:
    enum class Step { Command, BlockHeader, BlockData, StartAddress };
    void endBlock();
    Outcome start(std::uint16_t address);

    BoardMemory &memory_;
    Phase phase_ = Phase::Idle;
    Step step_ = Step::Command;
    std::uint8_t header_[5] = {};
    unsigned got_ = 0;   // bytes of the current message part
    unsigned count_ = 0; // data bytes of the current block
    std::uint16_t offset_ = 0, segment_ = 0;
    // The first block fixes where the image starts; the others must follow it.
    bool haveLoad_ = false, contiguous_ = true;
    std::uint16_t loadOffset_ = 0, loadSegment_ = 0, nextOffset_ = 0;
    std::size_t received_ = 0;
    Record record_;
};

} // namespace qmxboard
