// commands.cpp
#include "commands.h"

#include <codes.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qmxboard {
namespace {

const Command kCommands[] = {
    {qmx::kMemory, "QmxMemory", Shape::Memory, Item::None},
    {qmx::kReadDirect, "QmxReadDirect", Shape::Raw, Item::None},
    {qmx::kDefineChannel, "QmxDefineChannel", Shape::ItemText, Item::Channel},
    {qmx::kReadChannel, "QmxReadChannel", Shape::Item, Item::Channel},
    {qmx::kClearAllChannels, "QmxClearAllChannels", Shape::Unused, Item::None},
    {qmx::kClearChannel, "QmxClearChannel", Shape::Item, Item::Channel},
    {qmx::kStartScan, "QmxStartScan", Shape::Unused, Item::None},
    {qmx::kStopScan, "QmxStopScan", Shape::Unused, Item::None},
    {qmx::kResetMaxMin, "QmxResetMM", Shape::Unused, Item::None},
    {qmx::kSetScanTime, "QmxSetScanTime", Shape::Word, Item::None},
    {qmx::kReadLvdt, "QmxReadLvdt", Shape::Item, Item::Probe},
    {qmx::kReadAnalog, "QmxReadAnalog", Shape::Item, Item::Input},
    {qmx::kReadFormula, "QmxReadFormula", Shape::Item, Item::Channel},
    {qmx::kSetTfsv, "QmxSetTfsv", Shape::ItemFloat, Item::Probe},
    {qmx::kReadTfsv, "QmxReadTfsv", Shape::Item, Item::Probe},
    {qmx::kSetAfsv, "QmxSetAfsv", Shape::ItemFloat, Item::Input},
    {qmx::kReadAfsv, "QmxReadAfsv", Shape::Item, Item::Input},
    {qmx::kSetTzero, "QmxSetTzero", Shape::ItemFloat, Item::Probe},
    {qmx::kReadTzero, "QmxReadTzero", Shape::Item, Item::Probe},
    {qmx::kSetAzero, "QmxSetAzero", Shape::ItemFloat, Item::Input},
    {qmx::kReadAzero, "QmxReadAzero", Shape::Item, Item::Input},
    {qmx::kSetCzero, "QmxSetCzero", Shape::ItemFloat, Item::Channel},
    {qmx::kReadCzero, "QmxReadCzero", Shape::Item, Item::Channel},
    {qmx::kSetCscale, "QmxSetCscale", Shape::ItemFloat, Item::Channel},
    {qmx::kReadCscale, "QmxReadCscale", Shape::Item, Item::Channel},
    {qmx::kSetFpIn, "QmxSetFpIn", Shape::Byte, Item::None},
    {qmx::kSetFpOut, "QmxSetFpOut", Shape::Byte, Item::None},
    {qmx::kSetMuxTime, "QmxSet_muxTime", Shape::Word, Item::None},
    {qmx::kSetFpPrec, "QmxSetFpPrec", Shape::Byte, Item::None},
    {qmx::kGetFpIn, "QmxGetFpIn", Shape::Unused, Item::None},
    {qmx::kGetFpOut, "QmxGetFpOut", Shape::Unused, Item::None},
    {qmx::kGetFpPrec, "QmxGetFpPrec", Shape::Unused2, Item::None},
    {qmx::kSetAdcAvg, "QmxSetAdcAvg", Shape::Word, Item::None},
    {qmx::kSetRunAvg, "QmxSetRunAvg", Shape::Word, Item::None},
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
