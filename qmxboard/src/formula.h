// formula.h - the board's channel formulas: compiled once when a channel is
// defined, evaluated on every read and on every scan (for the memories).
#pragma once

#include "capacities.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace qmxboard {

enum class Op : std::uint8_t {
    Number,
    Probe,
    Input,
    Channel,
    Neg,
    Add,
    Sub,
    Mul,
    Div,
    Greater,
    Least, // one step of GOR / LOR: the greater / lesser of two
    Max,
    Min,
    Tir, // dynamic memories over the value beneath them
};

// One compiled element; a formula is a postfix sequence of them.
struct Element {
    Op op = Op::Number;
    std::uint16_t index = 0; // probe, input or channel number
    double value = 0;        // the number; the upper memory of MAX and TIR
    double low = 0;          // the lower memory of MIN and TIR
    bool held = false;       // the memory has taken a value since its reset
};

// Where operands come from when a formula is evaluated.
class Operands {
public:
    virtual ~Operands() = default;
    virtual double probe(int n) = 0;
    virtual double input(int n) = 0;
    virtual double channel(int n) = 0;
};

// What a MAX, MIN or TIR element holds, for the board's state.
struct MemoryValue {
    Op op;
    bool held;
    double high;
    double low;
};

class Formula {
public:
    // kOk and the compiled formula, or the status that names the fault.
    static Status compile(std::string_view text, Formula &out);

    // scan: the memories take the value (once per scan); otherwise they are
    // only looked at, together with the present value.
    double evaluate(Operands &operands, bool scan);
    void resetMemories();

    std::size_t size() const { return code_.size(); }
    bool hasMemories() const { return hasMemories_; }
    const std::vector<int> &channels() const { return channels_; }
    std::vector<MemoryValue> memories() const;

private:
    std::vector<Element> code_;
    std::vector<int> channels_; // channel numbers referred to, for the loop test
    bool hasMemories_ = false;
};

} // namespace qmxboard
