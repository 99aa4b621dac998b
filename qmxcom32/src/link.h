// link.h - bytes and frames between the PC and the board.
//
// A request frame is 3A (':'), the command code, the count (low 8 bits) and
// the data bytes. A reply frame is a lead byte (ignored), the status (0 is
// success), the count (0 stands for 256) and the data bytes. Every byte moves
// through the handshake on the status register; a reply is announced on the
// reply-ready register. When the board stops answering (and message boxes
// are on) the link says so once and answers every later frame from a small
// emulation: demonstration mode, left only by the next QmxCommInit.
#pragma once

#include <cstdint>

#include "ports.h"

namespace qmx {

// A frame's count byte carries at most 256 data bytes.
constexpr int kBufferSize = 256;
// The result of an exchange that got no answer.
constexpr int kNoAnswer = -1;

// The data bytes of the frame being sent. Never cleared: a command that does
// not fill a byte sends what the previous one left there.
extern std::uint8_t requestBuffer[kBufferSize];
// The data bytes of the last reply. The byte past a full reply stays 0, so a
// text handed out of it is always terminated.
extern std::uint8_t replyBuffer[kBufferSize + 1];

// Derives the three registers from the base, leaves demonstration mode and
// chooses the port backend (QmxCommInit).
void AttachPorts(std::uint16_t base);
// False until the first QmxCommInit: there is no port to use yet.
bool PortsAttached();
const Registers &BoardPorts();

bool DemoMode();
bool MessageBoxes();
void SetMessageBoxes(bool on);

// The byte handshake; each polls the status register a bounded number of times.
int ReadPortByte();                    // the board's byte, or -1
int ReadPortByteAck();                 // the same, acknowledging with 00 first (loader only)
int WritePortByte(std::uint8_t value); // 0, or -1
// Writes the bytes one by one; returns how many went through before a time-out.
int WritePortBytes(const std::uint8_t *bytes, int count);
// 0 when the reply-ready flag was seen and cleared, -1 after 3 seconds.
int WaitReplyReady();

// 0, or -1 when a byte could not be written (a header byte: reported).
int SendFrame(std::uint8_t code, int count, const std::uint8_t *data);
// The reply's status, or -1; a non-zero result has been reported.
int ReceiveFrame(std::uint8_t *buffer);
// Shows the text of a board status, or for -1 the dead-board message and
// enters demonstration mode; nothing at all with message boxes off.
void ReportLinkError(int code);

} // namespace qmx
