// codes.h - the board's command codes, one per request frame: sent by the library,
// answered by the simulated board.
#pragma once

#include <cstdint>

namespace qmx {

enum Command : std::uint8_t {
    kMemory = 0x01,     // raw memory access, answered with raw bytes
    kReadDirect = 0x02, // raw command with the caller's bytes
    kDefineChannel = 0x03,
    kReadChannel = 0x04,
    kClearAllChannels = 0x05,
    kClearChannel = 0x06,
    kStartScan = 0x07,
    kStopScan = 0x08,
    kResetMaxMin = 0x09,
    kSetScanTime = 0x0A,
    kReadLvdt = 0x0B,
    kReadAnalog = 0x0C,
    kReadFormula = 0x0D,
    kSetTfsv = 0x15,
    kReadTfsv = 0x16,
    kSetAfsv = 0x17,
    kReadAfsv = 0x18,
    kSetTzero = 0x20,
    kReadTzero = 0x21,
    kSetAzero = 0x2A,
    kReadAzero = 0x2B,
    kSetCzero = 0x34,
    kReadCzero = 0x35,
    kSetCscale = 0x36,
    kReadCscale = 0x37,
    kSetFpIn = 0x50,
    kSetFpOut = 0x51,
    kSetMuxTime = 0x52,
    kSetFpPrec = 0x53,
    kGetFpIn = 0x54,
    kGetFpOut = 0x55,
    kGetFpPrec = 0x57,
    kSetAdcAvg = 0x5A,
    kSetRunAvg = 0x5B,
};

} // namespace qmx
