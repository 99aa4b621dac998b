// channel_table.h - the board's channels: formula, zero offset and scaling of
// each, with the formula table and formula memory they share.
#pragma once

#include "formula.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace qmxboard {

// Probe and input readings as the formulas see them (calibrated).
class Readings {
public:
    virtual ~Readings() = default;
    virtual double probe(int n) = 0;
    virtual double input(int n) = 0;
};

class ChannelTable {
public:
    struct Channel {
        std::string text; // as the PC sent it; empty: no formula
        std::unique_ptr<Formula> formula;
        float zero = 0.0f;
        float scale = 1.0f;
    };

    // n must be 1..kChannels (the caller answers 10 otherwise).
    Status define(int n, std::string_view text);
    void clear(int n);
    void clearAll();

    // formula value x scaling + zero offset; a channel without a formula
    // reads its zero offset.
    float value(int n, Readings &readings);
    // One scan: every channel with memories evaluates and its memories take the value.
    void scan(Readings &readings);
    void resetMemories();

    Channel &at(int n) { return channels_[n - 1]; }
    const Channel &at(int n) const { return channels_[n - 1]; }
    std::size_t tableUsed() const { return tableUsed_; }
    std::size_t memoryUsed() const { return memoryUsed_; }

private:
    class Evaluation;
    bool reaches(int from, int target) const;
    double compute(int n, Readings &readings, bool scan);
    void nextPass();

    std::array<Channel, kChannels> channels_;
    std::size_t tableUsed_ = 0;
    std::size_t memoryUsed_ = 0;
    // Channel values computed during one evaluation, so shared references cost once.
    std::array<std::uint32_t, kChannels> memoPass_{};
    std::array<double, kChannels> memoValue_{};
    std::uint32_t pass_ = 0;
};

} // namespace qmxboard
