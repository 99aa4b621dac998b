// loader.cpp
#include "loader.h"

#include "firmware_image.h"

namespace qmxboard {

void Loader::powerOn()
{
    phase_ = Phase::Idle;
    record_ = Record();
}

void Loader::hold()
{
    phase_ = Phase::Held;
    step_ = Step::Command;
    got_ = 0;
    haveLoad_ = false;
    contiguous_ = true;
    received_ = 0;
}

void Loader::releaseIfHeld()
{
    if (phase_ == Phase::Held)
        phase_ = Phase::Released;
}

void Loader::listen()
{
    phase_ = Phase::Listening;
    record_ = Record();
}

bool Loader::take(std::uint8_t byte, Outcome &outcome)
{
    switch (step_) {
    case Step::Command:
        if (byte == 'W')
            step_ = Step::BlockHeader;
        else if (byte == 'G')
            step_ = Step::StartAddress;
        got_ = 0; // anything else is not a message and is ignored
        return false;
    case Step::BlockHeader:
        header_[got_++] = byte;
        if (got_ == 5) {
            count_ = header_[0] ? header_[0] : 256;
            offset_ = std::uint16_t(header_[1] | header_[2] << 8);
            segment_ = std::uint16_t(header_[3] | header_[4] << 8);
            if (!haveLoad_) {
                haveLoad_ = true;
                loadOffset_ = nextOffset_ = offset_;
                loadSegment_ = segment_;
            }
            if (segment_ != loadSegment_ || offset_ != nextOffset_)
                contiguous_ = false;
            step_ = Step::BlockData;
            got_ = 0;
        }
        return false;
    case Step::BlockData:
        memory_.write(std::uint32_t(segment_) * 16 + std::uint16_t(offset_ + got_), byte);
        if (++got_ == count_)
            endBlock();
        return false;
    case Step::StartAddress:
        header_[got_++] = byte;
        if (got_ < 2)
            return false;
        step_ = Step::Command;
        outcome = start(std::uint16_t(header_[0] << 8 | header_[1]));
        return true;
    }
    return false;
}

void Loader::endBlock()
{
    received_ += count_;
    nextOffset_ = std::uint16_t(offset_ + count_);
    ++record_.blocks;
    record_.bytes += count_;
    step_ = Step::Command;
    got_ = 0;
}

Loader::Outcome Loader::start(std::uint16_t address)
{
    record_.start = address;
    Outcome out;
    if (!haveLoad_) {
        record_.result = "no image loaded";
    } else if (!contiguous_) {
        record_.result = "blocks do not follow one another";
    } else {
        std::uint32_t base = std::uint32_t(loadSegment_) * 16;
        auto byte = [&](std::size_t i) {
            return memory_.read(base + std::uint16_t(loadOffset_ + i));
        };
        image::Verdict v = image::check(byte, received_, loadOffset_, address);
        record_.result = v.ok ? "started" : v.fault;
        out.started = v.ok;
        out.version = v.version;
    }
    if (!out.started)
        phase_ = Phase::Idle; // a refused image leaves the board cold
    return out;
}

} // namespace qmxboard
