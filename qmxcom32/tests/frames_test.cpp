// frames_test.cpp - every function's request frame byte for byte, the
// decoding of its reply, and what demonstration mode answers in its place.
#include <cstdio>
#include <functional>

#include "library_fixture.h"

namespace {

// What the emulation leaves in a reply buffer that held 256 bytes AA.
enum class Emulated { kNoExchange, kUnchanged, kZeroFloat, kFormulaT1, kZeroSetting, kAllZero };

struct FunctionCase {
    const char *call;
    std::function<std::string()> run;  // makes the call; gives the result and what it handed out
    const char *request;               // bytes written to the data register
    const char *reply;                 // the board's reply frame
    const char *outcome;
    Emulated emulated;
    const char *demoOutcome;
};

std::string Outcome(std::int32_t result) { return std::to_string(result); }
std::string Outcome(std::int32_t result, const char *text) {
    return std::to_string(result) + " " + text;
}
std::string Outcome(std::int32_t result, float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return Outcome(result, text);
}
std::string Outcome(std::int32_t result, const unsigned char *reply, int count) {
    return Outcome(result, Hex(Bytes(reply, reply + count)).c_str());
}

// Float reads start from a value they must overwrite.
template <typename Read>
std::function<std::string()> ReadFloat(Read read, std::int32_t item) {
    return [=] {
        float value = -99.0f;
        const std::int32_t result = read(item, &value);
        return Outcome(result, value);
    };
}

template <typename Set>
std::function<std::string()> SetFloat(Set set, std::int32_t item, float value) {
    return [=] { return Outcome(set(item, &value)); };
}

template <typename Get>
std::function<std::string()> GetSetting(Get get) {
    return [=] {
        std::int32_t setting = -99;
        const std::int32_t result = get(&setting);
        return Outcome(result, std::to_string(setting).c_str());
    };
}

// In this order: each request shows what the ones before left in the request
// buffer, starting with the image block of the download (01 08 0F ...).
const FunctionCase kFunctions[] = {
    {"QmxDLL", [] { char text[64]; return Outcome(QmxDLL(text), text); },
     "", "", "0 1.00", Emulated::kNoExchange, ""},
    {"QmxFirmware", [] { char text[64]; return Outcome(QmxFirmware(text), text); },
     "", "", "0 QMX 2.01", Emulated::kNoExchange, ""},
    {"QmxMsgBox(1)", [] { QmxMsgBox(1); return std::string(); },
     "", "", "", Emulated::kNoExchange, ""},
    {"QmxStartScan", [] { return Outcome(QmxStartScan()); },
     "3A 07 01 01", "00 00 01 00", "0", Emulated::kUnchanged, "0"},
    {"QmxClearChannel(7)", [] { return Outcome(QmxClearChannel(7)); },
     "3A 06 01 07", "00 00 01 00", "0", Emulated::kUnchanged, "0"},
    {"QmxStartScan", [] { return Outcome(QmxStartScan()); },
     "3A 07 01 07", "00 00 01 00", "0", Emulated::kUnchanged, "0"},
    {"QmxStopScan", [] { return Outcome(QmxStopScan()); },
     "3A 08 01 07", "00 00 01 00", "0", Emulated::kUnchanged, "0"},
    {"QmxResetMM", [] { return Outcome(QmxResetMM()); },
     "3A 09 01 07", "00 00 01 00", "0", Emulated::kUnchanged, "0"},
    {"QmxClearAllChannels", [] { return Outcome(QmxClearAllChannels()); },
     "3A 05 01 07", "00 00 01 00", "0", Emulated::kUnchanged, "0"},
    {"QmxSetScanTime(500)", [] { return Outcome(QmxSetScanTime(500)); },
     "3A 0A 02 F4 01", "00 00 01 00", "0", Emulated::kUnchanged, "0"},
    {"QmxSetAdcAvg(4)", [] { return Outcome(QmxSetAdcAvg(4)); },
     "3A 5A 02 04 00", "00 00 01 00", "0", Emulated::kUnchanged, "0"},
    {"QmxSetRunAvg(0x10001)", [] { return Outcome(QmxSetRunAvg(0x10001)); },
     "3A 5B 02 01 00", "00 00 01 00", "0", Emulated::kUnchanged, "0"},
    {"QmxSet_muxTime(0x1234)", [] { return Outcome(QmxSet_muxTime(0x1234)); },
     "3A 52 02 34 12", "00 00 01 00", "0", Emulated::kUnchanged, "0"},
    {"QmxSetFpPrec(-1)", [] { return Outcome(QmxSetFpPrec(-1)); },
     "3A 53 01 FF", "00 00 01 00", "0", Emulated::kUnchanged, "0"},
    {"QmxGetFpPrec", GetSetting(QmxGetFpPrec),
     "3A 57 02 FF 12", "00 00 02 FE 00", "0 -2", Emulated::kZeroSetting, "0 0"},
    {"QmxSetFpIn(0x105)", [] { return Outcome(QmxSetFpIn(0x105)); },
     "3A 50 01 05", "00 00 01 00", "0", Emulated::kUnchanged, "0"},
    {"QmxGetFpIn", GetSetting(QmxGetFpIn),
     "3A 54 01 05", "00 00 01 80", "0 -128", Emulated::kZeroSetting, "0 0"},
    {"QmxSetFpOut(0x7F)", [] { return Outcome(QmxSetFpOut(0x7F)); },
     "3A 51 01 7F", "00 00 01 00", "0", Emulated::kUnchanged, "0"},
    {"QmxGetFpOut", GetSetting(QmxGetFpOut),
     "3A 55 01 7F", "00 00 01 7F", "0 127", Emulated::kZeroSetting, "0 0"},
    {"QmxDefineChannel(3, \"T1\")", [] { return Outcome(QmxDefineChannel(3, "T1")); },
     "3A 03 04 03 54 31 00", "00 00 01 00", "0", Emulated::kUnchanged, "0"},
    {"QmxDefineChannel(3, \"\")", [] { return Outcome(QmxDefineChannel(3, "")); },
     "3A 06 01 03", "00 00 01 00", "0", Emulated::kUnchanged, "0"},
    {"QmxReadFormula(3)",
     [] {
         unsigned char *text = nullptr;
         const std::int32_t result = QmxReadFormula(3, &text);
         return Outcome(result, text != nullptr ? reinterpret_cast<char *>(text) : "(not set)");
     },
     "3A 0D 01 03", "00 00 06 43 31 2B 54 32 00", "0 C1+T2", Emulated::kFormulaT1, "0 T1"},
    {"QmxReadChannel(3)", ReadFloat(QmxReadChannel, 3),
     "3A 04 01 03", "00 00 04 00 00 C0 3F", "0 1.5", Emulated::kZeroFloat, "0 0"},
    {"QmxSetCzero(2, 1.0)", SetFloat(QmxSetCzero, 2, 1.0f),
     "3A 34 05 02 00 00 80 3F", "00 00 01 00", "0", Emulated::kUnchanged, "0"},
    {"QmxReadCzero(2)", ReadFloat(QmxReadCzero, 2),
     "3A 35 01 02", "00 00 04 00 00 80 BE", "0 -0.25", Emulated::kZeroFloat, "0 0"},
    {"QmxSetCscale(0x102, 2.0)", SetFloat(QmxSetCscale, 0x102, 2.0f),
     "3A 36 05 02 00 00 00 40", "00 00 01 00", "0", Emulated::kUnchanged, "0"},
    {"QmxReadCscale(0x1FF)", ReadFloat(QmxReadCscale, 0x1FF),
     "3A 37 01 FF", "00 00 04 00 00 20 41", "0 10", Emulated::kZeroFloat, "0 0"},
    {"QmxReadLvdt(1)", ReadFloat(QmxReadLvdt, 1),
     "3A 0B 01 01", "00 00 04 CD CC 4C 3E", "0 0.2", Emulated::kZeroFloat, "0 0"},
    {"QmxSetTfsv(1, 0.5)", SetFloat(QmxSetTfsv, 1, 0.5f),
     "3A 15 05 01 00 00 00 3F", "00 00 01 00", "0", Emulated::kUnchanged, "0"},
    {"QmxReadTfsv(1)", ReadFloat(QmxReadTfsv, 1),
     "3A 16 01 01", "00 00 04 00 00 00 3F", "0 0.5", Emulated::kZeroFloat, "0 0"},
    {"QmxSetTzero(2, -1.5)", SetFloat(QmxSetTzero, 2, -1.5f),
     "3A 20 05 02 00 00 C0 BF", "00 00 01 00", "0", Emulated::kUnchanged, "0"},
    {"QmxReadTzero(2)", ReadFloat(QmxReadTzero, 2),
     "3A 21 01 02", "00 00 04 00 00 C0 BF", "0 -1.5", Emulated::kZeroFloat, "0 0"},
    {"QmxReadAnalog(4)", ReadFloat(QmxReadAnalog, 4),
     "3A 0C 01 04", "00 00 04 00 00 80 40", "0 4", Emulated::kZeroFloat, "0 0"},
    {"QmxSetAfsv(4, 10.0)", SetFloat(QmxSetAfsv, 4, 10.0f),
     "3A 17 05 04 00 00 20 41", "00 00 01 00", "0", Emulated::kUnchanged, "0"},
    {"QmxReadAfsv(4)", ReadFloat(QmxReadAfsv, 4),
     "3A 18 01 04", "00 00 04 00 00 20 41", "0 10", Emulated::kZeroFloat, "0 0"},
    {"QmxSetAzero(4, 0.25)", SetFloat(QmxSetAzero, 4, 0.25f),
     "3A 2A 05 04 00 00 80 3E", "00 00 01 00", "0", Emulated::kUnchanged, "0"},
    {"QmxReadAzero(4)", ReadFloat(QmxReadAzero, 4),
     "3A 2B 01 04", "00 00 04 00 00 80 3E", "0 0.25", Emulated::kZeroFloat, "0 0"},
    {"QmxReadDirect(3, 01 02 03)",
     [] {
         const unsigned char data[] = {0x01, 0x02, 0x03};
         unsigned char *reply = nullptr;
         const std::int32_t result = QmxReadDirect(3, data, &reply);
         return Outcome(result, reply, 2);
     },
     "3A 02 03 01 02 03", "00 00 02 AB CD", "0 AB CD", Emulated::kAllZero, "0 00 00"},
    {"QmxMemory(0x1234, 0x5678)",
     [] {
         unsigned char *reply = nullptr;
         const std::int32_t result = QmxMemory(0x1234, 0x5678, &reply);
         return Outcome(result, reply, 3);
     },
     "3A 01 05 00 78 56 34 12", "00 00 03 11 22 33", "0 11 22 33", Emulated::kAllZero,
     "0 00 00 00"},
    {"QmxCommInit(0, missing file)",
     [] { return Outcome(QmxCommInit(0, "/nonexistent/Rdx44k.bin")); },
     "3A 55 01 00", "00 00 01 00", "0", Emulated::kNoExchange, ""},
};

Bytes EmulatedBuffer(Emulated emulated) {
    Bytes buffer(256, 0xAA);
    switch (emulated) {
    case Emulated::kNoExchange: case Emulated::kUnchanged: break;
    case Emulated::kZeroFloat: std::fill_n(buffer.begin(), 4, 0x00); break;
    case Emulated::kFormulaT1: std::copy_n("T1", 3, buffer.begin()); break;
    case Emulated::kZeroSetting: std::fill_n(buffer.begin(), 2, 0x00); break;
    case Emulated::kAllZero: std::fill(buffer.begin(), buffer.end(), 0x00); break;
    }
    return buffer;
}

TEST_F(LibraryTest, EveryFunctionSendsItsFrameAndDecodesItsReply) {
    Download("QMX 2.01");
    for (const FunctionCase &function : kFunctions) {
        SCOPED_TRACE(function.call);
        board.Forget();
        if (*function.reply != '\0') {
            board.QueueReply(Hex(function.reply));
        }
        EXPECT_EQ(function.run(), function.outcome);
        EXPECT_TRUE(SameBytes(Hex(function.request), board.Sent()));
        EXPECT_TRUE(board.messages.empty());
    }
}

TEST_F(LibraryTest, DemonstrationModeAnswersEveryFunctionWithoutThePorts) {
    for (const FunctionCase &function : kFunctions) {
        if (function.emulated == Emulated::kNoExchange) {
            continue;
        }
        SCOPED_TRACE(function.call);
        EnterDemo();
        EXPECT_EQ(function.run(), function.demoOutcome);
        EXPECT_TRUE(SameBytes(EmulatedBuffer(function.emulated), Bytes(replyBuffer, replyBuffer + 256)));
        EXPECT_EQ(replyBuffer[256], 0x00);
        EXPECT_TRUE(board.accesses.empty());
        EXPECT_TRUE(board.messages.empty());
    }
}

}  // namespace
