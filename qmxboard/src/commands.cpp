// commands.cpp
#include "commands.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qmxboard {
namespace {

const Command kCommands[] = {
    {0x01, "QmxMemory", Shape::Memory, Item::None},
    {0x02, "QmxReadDirect", Shape::Raw, Item::None},
    {0x03, "QmxDefineChannel", Shape::ItemText, Item::Channel},
    {0x04, "QmxReadChannel", Shape::Item, Item::Channel},
    {0x05, "QmxClearAllChannels", Shape::Unused, Item::None},
    {0x06, "QmxClearChannel", Shape::Item, Item::Channel},
    {0x07, "QmxStartScan", Shape::Unused, Item::None},
    {0x08, "QmxStopScan", Shape::Unused, Item::None},
    {0x09, "QmxResetMM", Shape::Unused, Item::None},
    {0x0A, "QmxSetScanTime", Shape::Word, Item::None},
    {0x0B, "QmxReadLvdt", Shape::Item, Item::Probe},
    {0x0C, "QmxReadAnalog", Shape::Item, Item::Input},
    {0x0D, "QmxReadFormula", Shape::Item, Item::Channel},
    {0x15, "QmxSetTfsv", Shape::ItemFloat, Item::Probe},
    {0x16, "QmxReadTfsv", Shape::Item, Item::Probe},
    {0x17, "QmxSetAfsv", Shape::ItemFloat, Item::Input},
    {0x18, "QmxReadAfsv", Shape::Item, Item::Input},
    {0x20, "QmxSetTzero", Shape::ItemFloat, Item::Probe},
    {0x21, "QmxReadTzero", Shape::Item, Item::Probe},
    {0x2A, "QmxSetAzero", Shape::ItemFloat, Item::Input},
    {0x2B, "QmxReadAzero", Shape::Item, Item::Input},
    {0x34, "QmxSetCzero", Shape::ItemFloat, Item::Channel},
    {0x35, "QmxReadCzero", Shape::Item, Item::Channel},
    {0x36, "QmxSetCscale", Shape::ItemFloat, Item::Channel},
    {0x37, "QmxReadCscale", Shape::Item, Item::Channel},
    {0x50, "QmxSetFpIn", Shape::Byte, Item::None},
    {0x51, "QmxSetFpOut", Shape::Byte, Item::None},
    {0x52, "QmxSet_muxTime", Shape::Word, Item::None},
    {0x53, "QmxSetFpPrec", Shape::Byte, Item::None},
    {0x54, "QmxGetFpIn", Shape::Unused, Item::None},
    {0x55, "QmxGetFpOut", Shape::Unused, Item::None},
    {0x57, "QmxGetFpPrec", Shape::Unused2, Item::None},
    {0x5A, "QmxSetAdcAvg", Shape::Word, Item::None},
    {0x5B, "QmxSetRunAvg", Shape::Word, Item::None},
};

std::string hexBytes(const std::uint8_t *data, std::size_t size)
{
    std::string out;
    char buf[4];
    for (std::size_t i = 0; i < size; ++i) {
        std::snprintf(buf, sizeof buf, i ? " %02X" : "%02X", data[i]);
        out += buf;
    }
    return out;
}

unsigned word(const std::uint8_t *p) { return unsigned(p[0]) | unsigned(p[1]) << 8; }

} // namespace

const Command *findCommand(std::uint8_t code)
{
    for (const Command &c : kCommands) {
        if (c.code == code)
            return &c;
    }
    return nullptr;
}

std::size_t dataNeeded(Shape shape)
{
    switch (shape) {
    case Shape::Unused:
    case Shape::Item:
    case Shape::Byte:
    case Shape::Raw: return 1;
    case Shape::ItemFloat: return 5;
    case Shape::ItemText:
    case Shape::Word:
    case Shape::Unused2: return 2;
    case Shape::Memory: return 5;
    }
    return 1;
}

std::string floatText(float value)
{
    char buf[32];
    for (int precision = 1; precision <= 9; ++precision) {
        std::snprintf(buf, sizeof buf, "%.*g", precision, double(value));
        if (std::strtof(buf, nullptr) == value)
            break;
    }
    return buf;
}

std::string describeCall(std::uint8_t code, const std::uint8_t *data, std::size_t size)
{
    const Command *c = findCommand(code);
    if (!c || size < dataNeeded(c->shape)) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "code %02X(", code);
        return buf + hexBytes(data, size) + ")";
    }
    std::string args;
    switch (c->shape) {
    case Shape::Unused:
    case Shape::Unused2: break;
    case Shape::Item: args = std::to_string(data[0]); break;
    case Shape::ItemFloat: {
        float v;
        std::memcpy(&v, data + 1, 4);
        args = std::to_string(data[0]) + ", " + floatText(v);
        break;
    }
    case Shape::ItemText: {
        const char *text = reinterpret_cast<const char *>(data + 1);
        args = std::to_string(data[0]) + ", \"" + std::string(text, strnlen(text, size - 1)) + "\"";
        break;
    }
    case Shape::Word: args = std::to_string(word(data)); break;
    case Shape::Byte: args = std::to_string(data[0]); break;
    case Shape::Raw: args = std::to_string(size) + ", " + hexBytes(data, size); break;
    case Shape::Memory:
        args = std::to_string(word(data + 3)) + ", " + std::to_string(word(data + 1));
        break;
    }
    return std::string(c->call) + "(" + args + ")";
}

} // namespace qmxboard
