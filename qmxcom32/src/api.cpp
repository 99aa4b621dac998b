// api.cpp - the 38 exported functions. Each one that talks to the board
// puts its data bytes into the request buffer, sends one frame, receives the
// reply into the reply buffer and decodes it. Nothing here looks at a
// result beyond passing it on: the link has reported failures already.
#include "qmxcom32.h"

#include <cstring>

#include "codes.h"
#include "download.h"
#include "link.h"
#include "trace.h"

using namespace qmx;

namespace {

// The board's factory base address: 784 = 0x310.
constexpr std::uint16_t kDefaultBase = 0x310;
constexpr const char *kLibraryVersion = "1.00";
// Channel byte, formula and its NUL must fit one frame's data.
constexpr std::size_t kMaxFormulaLength = kBufferSize - 2;

std::uint8_t Low(std::int32_t value) { return static_cast<std::uint8_t>(value & 0xFF); }
std::uint8_t High(std::int32_t value) { return static_cast<std::uint8_t>((value >> 8) & 0xFF); }

// Floats travel as their IEEE 754 bytes, little-endian.
void PutFloat(std::uint8_t *bytes, const float &value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<std::uint8_t>(bits >> (8 * i));
    }
}

float GetFloat(const std::uint8_t *bytes)
{
    const std::uint32_t bits =
        bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

// One command: fill the request buffer, send, receive. The send's own result
// does not matter: a failure shows again (or is emulated) when receiving.
template <typename Fill> std::int32_t Exchange(std::uint8_t code, int count, Fill fill)
{
    if (!PortsAttached()) {
        return kNoAnswer; // no QmxCommInit yet: there is no port to touch
    }
    fill(requestBuffer);
    SendFrame(code, count, requestBuffer);
    return ReceiveFrame(replyBuffer);
}

// A command whose one data byte is whatever the request buffer holds.
std::int32_t Unfilled(std::uint8_t code)
{
    return Exchange(code, 1, [](std::uint8_t *) {});
}

std::int32_t ForItem(std::uint8_t code, std::int32_t item)
{
    return Exchange(code, 1, [=](std::uint8_t *request) { request[0] = Low(item); });
}

std::int32_t SetValue(std::uint8_t code, std::int32_t item, const float *value)
{
    return Exchange(code, 5, [=](std::uint8_t *request) {
        request[0] = Low(item);
        PutFloat(request + 1, *value);
    });
}

std::int32_t ReadValue(std::uint8_t code, std::int32_t item, float *value)
{
    const std::int32_t result = ForItem(code, item);
    if (result == 0) {
        *value = GetFloat(replyBuffer);
    }
    return result;
}

std::int32_t SetWord(std::uint8_t code, std::int32_t word)
{
    return Exchange(code, 2, [=](std::uint8_t *request) {
        request[0] = Low(word);
        request[1] = High(word);
    });
}

// The one-byte settings come back signed, and are handed out whatever the result.
std::int32_t GetSetting(std::uint8_t code, int count, std::int32_t *setting)
{
    const std::int32_t result = Exchange(code, count, [](std::uint8_t *) {});
    *setting = static_cast<std::int8_t>(replyBuffer[0]);
    return result;
}

} // namespace

extern "C" {

int32_t QmxCommInit(int32_t baseAddress, const char *firmwareFile)
{
    std::uint16_t base = static_cast<std::uint16_t>(baseAddress);
    if (base == 0) {
        base = kDefaultBase;
    }
    trace::Configure();
    AttachPorts(base);
    // Probe quietly: a board still waiting for its firmware is no reason
    // for a message or for demonstration mode.
    const bool messageBoxes = MessageBoxes();
    SetMessageBoxes(false);
    std::int32_t scratch;
    const std::int32_t probe = GetSetting(kGetFpOut, 1, &scratch);
    SetMessageBoxes(messageBoxes);
    if (probe == 0) {
        return 0;
    }
    return DownloadFirmware(firmwareFile);
}

void QmxMsgBox(int32_t enable) { SetMessageBoxes(enable != 0); }

int32_t QmxFirmware(char *buffer)
{
    std::strcpy(buffer, FirmwareText());
    return 0;
}

int32_t QmxDLL(char *buffer)
{
    std::strcpy(buffer, kLibraryVersion);
    return 0;
}

int32_t QmxStartScan(void) { return Unfilled(kStartScan); }
int32_t QmxStopScan(void) { return Unfilled(kStopScan); }
int32_t QmxSetScanTime(int32_t period) { return SetWord(kSetScanTime, period); }
int32_t QmxSetAdcAvg(int32_t samples) { return SetWord(kSetAdcAvg, samples); }
int32_t QmxSetRunAvg(int32_t samples) { return SetWord(kSetRunAvg, samples); }
int32_t QmxSet_muxTime(int32_t time) { return SetWord(kSetMuxTime, time); }
int32_t QmxResetMM(void) { return Unfilled(kResetMaxMin); }

int32_t QmxDefineChannel(int32_t channelNo, const char *formula)
{
    if (formula == nullptr) {
        return kNoAnswer;
    }
    const std::size_t length = strnlen(formula, kMaxFormulaLength + 1);
    if (length > kMaxFormulaLength) {
        return kNoAnswer; // would not fit the frame: refused, nothing sent
    }
    if (length == 0) {
        return ForItem(kClearChannel, channelNo);
    }
    return Exchange(kDefineChannel, static_cast<int>(length) + 2, [=](std::uint8_t *request) {
        request[0] = Low(channelNo);
        std::memcpy(request + 1, formula, length + 1);
    });
}

int32_t QmxReadFormula(int32_t channelNo, unsigned char **text)
{
    const std::int32_t result = ForItem(kReadFormula, channelNo);
    if (result == 0) {
        *text = replyBuffer;
    }
    return result;
}

int32_t QmxReadChannel(int32_t channelNo, float *value)
{
    return ReadValue(kReadChannel, channelNo, value);
}
int32_t QmxClearAllChannels(void) { return Unfilled(kClearAllChannels); }
int32_t QmxClearChannel(int32_t channelNo) { return ForItem(kClearChannel, channelNo); }
int32_t QmxSetCzero(int32_t channelNo, const float *value)
{
    return SetValue(kSetCzero, channelNo, value);
}
int32_t QmxReadCzero(int32_t channelNo, float *value)
{
    return ReadValue(kReadCzero, channelNo, value);
}
int32_t QmxSetCscale(int32_t channelNo, const float *value)
{
    return SetValue(kSetCscale, channelNo, value);
}
int32_t QmxReadCscale(int32_t channelNo, float *value)
{
    return ReadValue(kReadCscale, channelNo, value);
}

int32_t QmxReadLvdt(int32_t lvdtNo, float *value) { return ReadValue(kReadLvdt, lvdtNo, value); }
int32_t QmxSetTfsv(int32_t lvdtNo, const float *value) { return SetValue(kSetTfsv, lvdtNo, value); }
int32_t QmxReadTfsv(int32_t lvdtNo, float *value) { return ReadValue(kReadTfsv, lvdtNo, value); }
int32_t QmxSetTzero(int32_t lvdtNo, const float *value)
{
    return SetValue(kSetTzero, lvdtNo, value);
}
int32_t QmxReadTzero(int32_t lvdtNo, float *value) { return ReadValue(kReadTzero, lvdtNo, value); }

int32_t QmxReadAnalog(int32_t inputNo, float *value)
{
    return ReadValue(kReadAnalog, inputNo, value);
}
int32_t QmxSetAfsv(int32_t inputNo, const float *value)
{
    return SetValue(kSetAfsv, inputNo, value);
}
int32_t QmxReadAfsv(int32_t inputNo, float *value) { return ReadValue(kReadAfsv, inputNo, value); }
int32_t QmxSetAzero(int32_t inputNo, const float *value)
{
    return SetValue(kSetAzero, inputNo, value);
}
int32_t QmxReadAzero(int32_t inputNo, float *value)
{
    return ReadValue(kReadAzero, inputNo, value);
}

int32_t QmxSetFpIn(int32_t setting) { return ForItem(kSetFpIn, setting); }
int32_t QmxSetFpOut(int32_t setting) { return ForItem(kSetFpOut, setting); }
int32_t QmxSetFpPrec(int32_t setting) { return ForItem(kSetFpPrec, setting); }
int32_t QmxGetFpIn(int32_t *setting) { return GetSetting(kGetFpIn, 1, setting); }
int32_t QmxGetFpOut(int32_t *setting) { return GetSetting(kGetFpOut, 1, setting); }
int32_t QmxGetFpPrec(int32_t *setting) { return GetSetting(kGetFpPrec, 2, setting); }

int32_t QmxReadDirect(int32_t count, const unsigned char *data, unsigned char **reply)
{
    std::int32_t result = kNoAnswer; // a count that cannot be framed sends nothing
    if (count >= 1 && count <= kBufferSize) {
        result = Exchange(kReadDirect, count, [=](std::uint8_t *request) {
            std::memcpy(request, data, static_cast<std::size_t>(count));
        });
    }
    *reply = replyBuffer;
    return result;
}

int32_t QmxMemory(int32_t word1, int32_t word2, unsigned char **reply)
{
    *reply = replyBuffer;
    return Exchange(kMemory, 5, [=](std::uint8_t *request) {
        const std::uint8_t data[5] = {0x00, Low(word2), High(word2), Low(word1), High(word1)};
        std::memcpy(request, data, 5);
    });
}

} // extern "C"
