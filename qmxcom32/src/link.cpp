// link.cpp - the byte handshake, the frames, the link error report and the
// emulation that stands in for the board in demonstration mode.
#include "link.h"

#include <cstdio>
#include <cstring>

#include "codes.h"
#include "host.h"
#include "trace.h"

namespace qmx {

std::uint8_t requestBuffer[kBufferSize];
std::uint8_t replyBuffer[kBufferSize + 1];

namespace {

// The handshake has no clock of its own: a byte that has not moved after
// this many status polls is taken as lost (the board's firmware is paced for it).
constexpr int kHandshakePolls = 30000;
// The board raises reply-ready well within this; the clock counts whole
// seconds, so the wait lasts between 2 and 3 seconds.
constexpr long kReplyWaitSeconds = 3;
constexpr std::uint8_t kFrameStart = 0x3A; // ':' opens every request frame
constexpr std::uint8_t kBit0 = 0x01;       // status: a byte waits for the PC / the board is busy;
                                           // reply-ready: a reply is ready
// Offsets of the registers from the base address.
constexpr std::uint16_t kDataOffset = 0, kStatusOffset = 1, kReplyReadyOffset = 3;
constexpr const char *kDeadBoardText = "QMX-X1 not communicating -- Entering DEMO mode";

Registers ports{};
bool attached = false;
bool demoMode = false;
bool messageBoxes = true;
// Code of the last frame "sent" in demonstration mode: selects the emulated reply.
std::uint8_t lastCode = 0;

bool ByteWaiting() { return (PortRead(ports.status) & kBit0) != 0; }

// The board's texts for the statuses of a faulty command; nullptr for the rest.
const char *StatusText(int status)
{
    switch (status) {
    case 10: return "Bad channel number";
    case 12:
    case 13:
    case 16:
    case 22: return "Bad formula";
    case 14: return "Table full";
    case 15: return "Bad probe number";
    case 17: return "Bad number in formula";
    case 18: return "Bad symbol";
    case 19: return "Formula too complex";
    case 20: return "Circular channel definition";
    case 21: return "Memory full";
    case 23: return "Bad set in GOR or LOR function";
    default: return nullptr;
    }
}

// What the board would have put into the reply buffer, as far as a client
// looks at it: nothing for commands without reply data, a zero float, the
// formula "T1", a zero setting, else 256 zero bytes.
void EmulateReply(std::uint8_t code, std::uint8_t *buffer)
{
    switch (code) {
    case kDefineChannel:
    case kClearAllChannels:
    case kClearChannel:
    case kStartScan:
    case kStopScan:
    case kResetMaxMin:
    case kSetScanTime:
    case kSetTfsv:
    case kSetAfsv:
    case kSetTzero:
    case kSetAzero:
    case kSetCzero:
    case kSetCscale:
    case kSetFpIn:
    case kSetFpOut:
    case kSetMuxTime:
    case kSetFpPrec:
    case kSetAdcAvg:
    case kSetRunAvg: return;
    case kReadChannel:
    case kReadLvdt:
    case kReadAnalog:
    case kReadTfsv:
    case kReadAfsv:
    case kReadTzero:
    case kReadAzero:
    case kReadCzero:
    case kReadCscale: std::memset(buffer, 0, 4); return;
    case kReadFormula: std::memcpy(buffer, "T1", 3); return;
    case kGetFpIn:
    case kGetFpOut:
    case kGetFpPrec: std::memset(buffer, 0, 2); return;
    default: std::memset(buffer, 0, kBufferSize); return;
    }
}

// Reads `count` bytes with the handshake; false at the first time-out,
// with `done` telling how many arrived.
bool ReadPortBytes(std::uint8_t *into, int count, int &done)
{
    for (done = 0; done < count; ++done) {
        const int byte = ReadPortByte();
        if (byte < 0) {
            return false;
        }
        into[done] = static_cast<std::uint8_t>(byte);
    }
    return true;
}

// The reply frame from the board: its status, or -1 at the first time-out.
int ReadReply(std::uint8_t *buffer)
{
    // 2. The board raises reply-ready when its answer is complete.
    if (WaitReplyReady() != 0) {
        trace::Bytes('<', nullptr, 0, nullptr, 0, "no reply");
        return kNoAnswer;
    }
    // 3. Lead byte (its value means nothing), status, count (0 stands for 256).
    std::uint8_t head[3];
    int got = 0;
    if (!ReadPortBytes(head, 3, got)) {
        trace::Bytes('<', head, got, nullptr, 0, "timed out");
        return kNoAnswer;
    }
    // 4. The data bytes; then the status is the result.
    const int count = head[2] == 0 ? kBufferSize : head[2];
    if (!ReadPortBytes(buffer, count, got)) {
        trace::Bytes('<', head, 3, buffer, got, "timed out");
        return kNoAnswer;
    }
    trace::Bytes('<', head, 3, buffer, count);
    return head[1];
}

} // namespace

void AttachPorts(std::uint16_t base)
{
    ports.data = static_cast<std::uint16_t>(base + kDataOffset);
    ports.status = static_cast<std::uint16_t>(base + kStatusOffset);
    ports.replyReady = static_cast<std::uint16_t>(base + kReplyReadyOffset);
    attached = true;
    demoMode = false;
    ChoosePorts(ports);
}

bool PortsAttached() { return attached; }
const Registers &BoardPorts() { return ports; }
bool DemoMode() { return demoMode; }
bool MessageBoxes() { return messageBoxes; }
void SetMessageBoxes(bool on) { messageBoxes = on; }

int ReadPortByte()
{
    for (int poll = 0; poll < kHandshakePolls; ++poll) {
        if (ByteWaiting()) {
            return PortRead(ports.data);
        }
    }
    return -1;
}

int ReadPortByteAck()
{
    for (int poll = 0; poll < kHandshakePolls; ++poll) {
        if (ByteWaiting()) {
            PortWrite(ports.data, 0x00);
            return PortRead(ports.data);
        }
    }
    return -1;
}

int WritePortByte(std::uint8_t value)
{
    for (int poll = 0; poll < kHandshakePolls; ++poll) {
        if (!ByteWaiting()) {
            PortWrite(ports.data, value);
            return 0;
        }
    }
    return -1;
}

int WritePortBytes(const std::uint8_t *bytes, int count)
{
    int done = 0;
    while (done < count && WritePortByte(bytes[done]) == 0) {
        ++done;
    }
    return done;
}

int WaitReplyReady()
{
    const long deadline = host::Seconds() + kReplyWaitSeconds;
    do {
        if ((PortRead(ports.replyReady) & kBit0) != 0) {
            PortWrite(ports.replyReady, 0x00);
            return 0;
        }
    } while (deadline > host::Seconds());
    return -1;
}

int SendFrame(std::uint8_t code, int count, const std::uint8_t *data)
{
    const std::uint8_t header[3] = {kFrameStart, code, static_cast<std::uint8_t>(count)};
    // 1. In demonstration mode nothing is sent; the code picks the emulated reply.
    if (demoMode) {
        lastCode = code;
        trace::Bytes('>', header, 3, data, count, "demo mode: not sent");
        return 0;
    }
    // 2. The header: ':', code, count. A board that takes none of it is dead.
    const int headerSent = WritePortBytes(header, 3);
    if (headerSent < 3) {
        trace::Bytes('>', header, headerSent, nullptr, 0, "timed out");
        ReportLinkError(kNoAnswer);
        // The report may have entered demonstration mode: this command is then
        // answered by its own emulated reply, never by a stale one.
        if (demoMode) {
            lastCode = code;
        }
        return -1;
    }
    // 3. The data bytes; a failure here shows when the reply does not come.
    const int dataSent = WritePortBytes(data, count);
    trace::Bytes('>', header, 3, data, dataSent, dataSent < count ? "timed out" : nullptr);
    return dataSent < count ? -1 : 0;
}

int ReceiveFrame(std::uint8_t *buffer)
{
    // 1. In demonstration mode the emulation answers.
    if (demoMode) {
        EmulateReply(lastCode, buffer);
        return 0;
    }
    // 2.-4. The board's reply.
    const int result = ReadReply(buffer);
    // 5. Anything but success is reported.
    if (result != 0) {
        ReportLinkError(result);
    }
    return result;
}

void ReportLinkError(int code)
{
    if (!messageBoxes) {
        return;
    }
    if (code == kNoAnswer) {
        demoMode = true;
        host::Show(kDeadBoardText);
        return;
    }
    const char *text = StatusText(code);
    char unknown[32];
    if (text == nullptr) {
        std::snprintf(unknown, sizeof unknown, "Unknown error:%d", code);
        text = unknown;
    }
    host::Show(text);
}

} // namespace qmx
