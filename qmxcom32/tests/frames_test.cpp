// frames_test.cpp - every function's request frame byte for byte, the
// decoding of its reply, and what demonstration mode answers in its place.
#include <functional>
#include <sstream>

#include "library_fixture.h"

namespace {

// What the emulation leaves at the start of a reply buffer that held 256
// bytes AA; kAllZero: 256 bytes 00; kNoExchange: the call has no emulation.
const char *const kNoExchange = nullptr, *const kAllZero = "all 00";
const char *const kZeroFloat = "00 00 00 00", *const kZeroSetting = "00 00";

struct FunctionCase {
    const char *call;
    std::function<std::string()> run;  // makes the call; gives the result and what it handed out
    const char *request;               // bytes written to the data register
    const char *reply = "00 00 01 00"; // the board's reply frame
    const char *outcome = "0";
    const char *emulated = "";
    const char *demoOutcome = "0";
};

// The result and what the call handed out.
template <typename Out> std::string Outcome(std::int32_t result, const Out &out)
{
    std::ostringstream text;
    text << result << " " << out;
    return text.str();
}

// Each call runs before its out-values are looked at; out-values start from
// a value the call must overwrite.
#define RESULT(call) #call, [] { return std::to_string(call); }
#define TEXT(fn)                                                                                   \
#fn, [] { char t[64]; const std::int32_t r = fn(t); return Outcome(r, t); }
#define GET(fn)                                                                                    \
#fn, \
    [] { std::int32_t s = -99; const std::int32_t r = fn(&s); return Outcome(r, s); }
#define READ(fn, item)                                                                             \
#fn "(" #item ")", \
    [] { float v = -99.0f; const std::int32_t r = fn(item, &v); return Outcome(r, v); }
#define SET(fn, item, value)                                                                       \
#fn "(" #item ", " #value ")", \
    [] { const float v = value; return std::to_string(fn(item, &v)); }
#define RAW(call, count)                                                                           \
#call, \
    [] { unsigned char *p = nullptr; const std::int32_t r = call; \
         return Outcome(r, Hex(Bytes(p, p + count))); }

const unsigned char kRaw[] = {0x01, 0x02, 0x03};

// In this order: each request shows what the ones before left in the request
// buffer, starting with the image block of the download (01 08 0F ...).
const FunctionCase kFunctions[] = {
    {TEXT(QmxDLL), "", "", "0 1.00", kNoExchange},
    {TEXT(QmxFirmware), "", "", "0 QMX 2.01", kNoExchange},
    {"QmxMsgBox(1)",
     [] {
         QmxMsgBox(1);
         return std::string();
     },
     "", "", "", kNoExchange},
    {RESULT(QmxStartScan()), "3A 07 01 01"},
    {RESULT(QmxClearChannel(7)), "3A 06 01 07"},
    {RESULT(QmxStartScan()), "3A 07 01 07"},
    {RESULT(QmxStopScan()), "3A 08 01 07"},
    {RESULT(QmxResetMM()), "3A 09 01 07"},
    {RESULT(QmxClearAllChannels()), "3A 05 01 07"},
    {RESULT(QmxSetScanTime(500)), "3A 0A 02 F4 01"},
    {RESULT(QmxSetAdcAvg(4)), "3A 5A 02 04 00"},
    {RESULT(QmxSetRunAvg(0x10001)), "3A 5B 02 01 00"},
    {RESULT(QmxSet_muxTime(0x1234)), "3A 52 02 34 12"},
    {RESULT(QmxSetFpPrec(-1)), "3A 53 01 FF"},
    {GET(QmxGetFpPrec), "3A 57 02 FF 12", "00 00 02 FE 00", "0 -2", kZeroSetting, "0 0"},
    {RESULT(QmxSetFpIn(0x105)), "3A 50 01 05"},
    {GET(QmxGetFpIn), "3A 54 01 05", "00 00 01 80", "0 -128", kZeroSetting, "0 0"},
    {RESULT(QmxSetFpOut(0x7F)), "3A 51 01 7F"},
    {GET(QmxGetFpOut), "3A 55 01 7F", "00 00 01 7F", "0 127", kZeroSetting, "0 0"},
    {RESULT(QmxDefineChannel(3, "T1")), "3A 03 04 03 54 31 00"},
    {RESULT(QmxDefineChannel(3, "")), "3A 06 01 03"},
    {"QmxReadFormula(3)",
     [] {
         unsigned char *p = nullptr;
         const std::int32_t r = QmxReadFormula(3, &p);
         return Outcome(r, p ? reinterpret_cast<char *>(p) : "(none)");
     },
     "3A 0D 01 03", "00 00 06 43 31 2B 54 32 00", "0 C1+T2", "54 31 00", "0 T1"},
    {READ(QmxReadChannel, 3), "3A 04 01 03", "00 00 04 00 00 C0 3F", "0 1.5", kZeroFloat, "0 0"},
    {SET(QmxSetCzero, 2, 1.0f), "3A 34 05 02 00 00 80 3F"},
    {READ(QmxReadCzero, 2), "3A 35 01 02", "00 00 04 00 00 80 BE", "0 -0.25", kZeroFloat, "0 0"},
    {SET(QmxSetCscale, 0x102, 2.0f), "3A 36 05 02 00 00 00 40"},
    {READ(QmxReadCscale, 0x1FF), "3A 37 01 FF", "00 00 04 00 00 20 41", "0 10", kZeroFloat, "0 0"},
    {READ(QmxReadLvdt, 1), "3A 0B 01 01", "00 00 04 CD CC 4C 3E", "0 0.2", kZeroFloat, "0 0"},
    {SET(QmxSetTfsv, 1, 0.5f), "3A 15 05 01 00 00 00 3F"},
    {READ(QmxReadTfsv, 1), "3A 16 01 01", "00 00 04 00 00 00 3F", "0 0.5", kZeroFloat, "0 0"},
    {SET(QmxSetTzero, 2, -1.5f), "3A 20 05 02 00 00 C0 BF"},
    {READ(QmxReadTzero, 2), "3A 21 01 02", "00 00 04 00 00 C0 BF", "0 -1.5", kZeroFloat, "0 0"},
    {READ(QmxReadAnalog, 4), "3A 0C 01 04", "00 00 04 00 00 80 40", "0 4", kZeroFloat, "0 0"},
    {SET(QmxSetAfsv, 4, 10.0f), "3A 17 05 04 00 00 20 41"},
    {READ(QmxReadAfsv, 4), "3A 18 01 04", "00 00 04 00 00 20 41", "0 10", kZeroFloat, "0 0"},
    {SET(QmxSetAzero, 4, 0.25f), "3A 2A 05 04 00 00 80 3E"},
    {READ(QmxReadAzero, 4), "3A 2B 01 04", "00 00 04 00 00 80 3E", "0 0.25", kZeroFloat, "0 0"},
    {RAW(QmxReadDirect(3, kRaw, &p), 2), "3A 02 03 01 02 03", "00 00 02 AB CD", "0 AB CD", kAllZero,
     "0 00 00"},
    {RAW(QmxMemory(0x1234, 0x5678, &p), 3), "3A 01 05 00 78 56 34 12", "00 00 03 11 22 33",
     "0 11 22 33", kAllZero, "0 00 00 00"},
    {RESULT(QmxCommInit(0, "/nonexistent/Rdx44k.bin")), "3A 55 01 00", "00 00 01 00", "0",
     kNoExchange},
};

TEST_F(LibraryTest, EveryFunctionSendsItsFrameAndDecodesItsReply)
{
    Download("QMX 2.01");
    for (const FunctionCase &function : kFunctions) {
        SCOPED_TRACE(function.call);
        board.Forget();
        if (*function.reply != '\0')
            board.QueueReply(Hex(function.reply));
        EXPECT_EQ(function.run(), function.outcome);
        EXPECT_EQ(Hex(board.Sent()), function.request);
        EXPECT_TRUE(board.messages.empty());
    }
}

TEST_F(LibraryTest, DemonstrationModeAnswersEveryFunctionWithoutThePorts)
{
    for (const FunctionCase &function : kFunctions) {
        if (function.emulated == kNoExchange)
            continue;
        SCOPED_TRACE(function.call);
        EnterDemo();
        EXPECT_EQ(function.run(), function.demoOutcome);
        const Bytes start = function.emulated == kAllZero ? Bytes(256, 0) : Hex(function.emulated);
        EXPECT_EQ(Hex(Bytes(replyBuffer, replyBuffer + 256)),
                  Hex(start + Bytes(256 - start.size(), 0xAA)));
        EXPECT_EQ(replyBuffer[256], 0x00);
        EXPECT_TRUE(board.accesses.empty());
        EXPECT_TRUE(board.messages.empty());
    }
}

} // namespace
