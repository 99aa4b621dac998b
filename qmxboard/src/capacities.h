// capacities.h - what the board holds, and the statuses it answers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qmxboard {

// Channel numbers travel as one byte; 0 is no channel.
constexpr int kChannels = 255;
constexpr int kProbes = 64;
constexpr int kInputs = 16;
// Compiled formula elements (operands and operations) of all channels together.
constexpr std::size_t kFormulaTable = 16384;
// Formula texts, each with its NUL, of all channels together.
constexpr std::size_t kFormulaMemory = 32768;
// Parentheses, function calls and unary minus nested deeper than this are refused.
constexpr int kMaxNesting = 16;

// Reply statuses. 11 is our protocol-level refusal: the link has no text for it.
enum Status : std::uint8_t {
    kOk = 0,
    kBadChannel = 10,
    kBadCommand = 11,
    kUnbalanced = 12,
    kMissingOperand = 13,
    kTableFull = 14,
    kBadProbe = 15,
    kMissingOperator = 16,
    kBadNumber = 17,
    kBadSymbol = 18,
    kTooComplex = 19,
    kCircular = 20,
    kMemoryFull = 21,
    kBadFunction = 22,
    kBadSet = 23,
};

} // namespace qmxboard
