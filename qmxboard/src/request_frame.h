// request_frame.h - gathers the bytes of a command frame: ':' code count data.
#pragma once

#include <cstdint>
#include <vector>

namespace qmxboard {

class RequestFrame {
public:
    void restart() { step_ = Step::Colon; }
    // True when the byte completed a frame; code() and data() then hold it.
    bool take(std::uint8_t byte)
    {
        switch (step_) {
        case Step::Colon:
            if (byte == 0x3A)
                step_ = Step::Code; // anything else before a frame is noise
            return false;
        case Step::Code:
            code_ = byte;
            step_ = Step::Count;
            return false;
        case Step::Count:
            expected_ = byte ? byte : 256; // like replies, a count of 0 carries 256 bytes
            data_.clear();
            step_ = Step::Data;
            return false;
        case Step::Data:
            data_.push_back(byte);
            if (data_.size() < expected_)
                return false;
            step_ = Step::Colon;
            return true;
        }
        return false;
    }
    std::uint8_t code() const { return code_; }
    const std::vector<std::uint8_t> &data() const { return data_; }

private:
    enum class Step { Colon, Code, Count, Data };
    Step step_ = Step::Colon;
    std::uint8_t code_ = 0;
    std::size_t expected_ = 0;
    std::vector<std::uint8_t> data_;
};

} // namespace qmxboard
