// traffic.h - what crossed the bus: port accesses by register and the frames
// the firmware decoded, kept for tests.
#pragma once

#include "qmxboard.h"

#include <deque>

namespace qmxboard {

class Traffic {
public:
    // A long demo must not grow without end: the oldest frames go. Tests
    // look at a few hundred (a 255-channel setup load is some 1,600), while a
    // station scanning 64 channels sends 160 a second at about 130 bytes
    // each: 100,000 of them held 13 MB of a server on this board.
    static constexpr std::size_t kMaxFrames = 10000;

    // Register offsets from the base: 0, 1, 3; anything else counts as other.
    void read(int offset) { ++slot(offset, true); }
    void write(int offset) { ++slot(offset, false); }
    void record(Frame frame)
    {
        if (frames_.size() == kMaxFrames)
            frames_.pop_front();
        frames_.push_back(std::move(frame));
    }
    void clear()
    {
        counts_ = PortCounts();
        frames_.clear();
    }
    const PortCounts &counts() const { return counts_; }
    const std::deque<Frame> &frames() const { return frames_; }

private:
    std::uint64_t &slot(int offset, bool read)
    {
        switch (offset) {
        case 0: return read ? counts_.dataReads : counts_.dataWrites;
        case 1: return read ? counts_.statusReads : counts_.statusWrites;
        case 3: return read ? counts_.replyReads : counts_.replyWrites;
        default: return read ? counts_.otherReads : counts_.otherWrites;
        }
    }
    PortCounts counts_;
    std::deque<Frame> frames_;
};

} // namespace qmxboard
