// commands.h - the command codes the firmware answers: name, what the request
// carries and which item number it addresses. One table serves the firmware's
// dispatch (how many data bytes it needs, which number range applies) and the
// traffic record (a frame written as the library call that sends it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qmxboard {

enum class Shape : std::uint8_t {
    Unused,    // one byte the command does not look at
    Item,      // item number
    ItemFloat, // item number, 4 bytes of float
    ItemText,  // item number, text, NUL
    Word,      // 16 bits, low byte first
    Byte,      // one byte setting
    Unused2,   // two bytes the command does not look at
    Raw,       // the caller's bytes
    Memory,    // 00, offset low, high, segment low, high
};

enum class Item : std::uint8_t { None, Channel, Probe, Input };

struct Command {
    std::uint8_t code;
    const char *call; // the library function that sends it
    Shape shape;
    Item item;
};

// nullptr for a code the firmware does not know.
const Command *findCommand(std::uint8_t code);
// Data bytes the firmware needs before it can act on a command of this shape.
std::size_t dataNeeded(Shape shape);
// "QmxSetCzero(3, 0)", "QmxDefineChannel(3, \"T1\")"; unknown codes as "code 3F(...)".
std::string describeCall(std::uint8_t code, const std::uint8_t *data, std::size_t size);
// The shortest text that reads back as the same float.
std::string floatText(float value);

} // namespace qmxboard
