// download.cpp - the firmware download through the board's loader.
//
// Image file: little-endian words at 0 (unused), 2 (load offset), 4 (load
// segment), 6 (start address), 8 (unused); the version text at 0x20 (16
// bytes); the image itself from 0x100 to the end of the file.
// Loader: after the reset writes it offers '*'; then 'W' blocks (count,
// offset low/high, segment low/high, data) and 'G' with the start address
// high byte first. Nothing is acknowledged.
#include "download.h"

#include <cstring>

#include "host.h"
#include "link.h"
#include "ports.h"
#include "trace.h"

namespace qmx {

namespace {

// The loader only resets after a long run of writes to the status
// register: 3000 of them (300 are not enough).
constexpr int kStartUpWrites = 3000;
// The loader needs a few seconds of self-test before it prompts.
constexpr long kPromptWaitSeconds = 10;
constexpr std::uint8_t kLoaderPrompt = 0x2A; // '*'
constexpr std::uint8_t kWriteBlock = 0x57;   // 'W'
constexpr std::uint8_t kStart = 0x47;        // 'G'
constexpr int kHeaderWords = 5;
constexpr long kVersionOffset = 0x20;
constexpr int kVersionLength = 16;
constexpr long kImageOffset = 0x100;
constexpr const char *kNoVersion = "----";

char firmwareText[kVersionLength + 1];

enum DownloadError {
    kCannotOpen,
    kNotResponding,
    kDiagnosticFail,
    kBadHeader,
    kDownloadTimeout,
    kReadFailed,
    kGoFailed,
};

// Shows the failure (always: the message-box switch is for the link) and
// gives the download's result.
int ReportDownloadError(DownloadError kind, int number = 0)
{
    static const char *const kTexts[] = {
        "Unable to open firmware file", "QMX-X1 not responding",   "Diagnostic fail [%02X]",
        "Error reading file header",    "Timeout during download", "Error reading file",
        "Error sending GO address",
    };
    char text[40];
    std::snprintf(text, sizeof text, kTexts[kind], number);
    host::Show(text);
    return 1;
}

std::uint8_t Low(std::uint16_t word) { return static_cast<std::uint8_t>(word & 0xFF); }
std::uint8_t High(std::uint16_t word) { return static_cast<std::uint8_t>(word >> 8); }

// Sends head and data with the handshake and traces them; 0, or -1 at the first time-out.
int SendLoaderMessage(const std::uint8_t *head, int headCount, const std::uint8_t *data,
                      int dataCount)
{
    const int headSent = WritePortBytes(head, headCount);
    const int dataSent = headSent == headCount ? WritePortBytes(data, dataCount) : 0;
    const bool complete = headSent == headCount && dataSent == dataCount;
    trace::Bytes('>', head, headSent, data, dataSent, complete ? nullptr : "timed out");
    return complete ? 0 : -1;
}

bool ReadWord(std::FILE *file, std::uint16_t &word)
{
    std::uint8_t bytes[2];
    if (std::fread(bytes, 1, 2, file) != 2) {
        return false;
    }
    word = static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
    return true;
}

// Reads the version field into the firmware text; a short read leaves the
// part that was read.
bool ReadVersion(std::FILE *file)
{
    if (std::fseek(file, kVersionOffset, SEEK_SET) != 0) {
        return false;
    }
    const std::size_t got = std::fread(firmwareText, 1, kVersionLength, file);
    firmwareText[got] = '\0';
    if (got < kVersionLength) {
        return false;
    }
    if (firmwareText[0] == '\0') {
        std::strcpy(firmwareText, kNoVersion);
    }
    return true;
}

} // namespace

int DownloadFirmware(const char *fileName)
{
    // 1. Reset the board into its loader and drop a byte it may still offer.
    const Registers &ports = BoardPorts();
    for (int i = 0; i < kStartUpWrites; ++i) {
        PortWrite(ports.status, 0x00);
    }
    PortWrite(ports.replyReady, 0x00);
    PortRead(ports.data);
    // 2. The image file, as raw bytes.
    std::FILE *file = fileName != nullptr ? std::fopen(fileName, "rb") : nullptr;
    if (file == nullptr) {
        return ReportDownloadError(kCannotOpen);
    }
    const int result = DownloadImage(file);
    std::fclose(file);
    return result;
}

int DownloadImage(std::FILE *file)
{
    // 3. The loader's prompt, within 10 seconds.
    const long deadline = host::Seconds() + kPromptWaitSeconds;
    int prompt;
    do {
        prompt = ReadPortByteAck();
    } while (prompt < 0 && host::Seconds() < deadline);
    // 4. No byte, or the result of a failed self-test instead of the prompt.
    if (prompt < 0) {
        return ReportDownloadError(kNotResponding);
    }
    const std::uint8_t received = static_cast<std::uint8_t>(prompt);
    trace::Bytes('<', &received, 1, nullptr, 0, "loader");
    if (received != kLoaderPrompt) {
        return ReportDownloadError(kDiagnosticFail, received);
    }
    // 5. The header words and the version text.
    std::uint16_t words[kHeaderWords];
    for (std::uint16_t &word : words) {
        if (!ReadWord(file, word)) {
            return ReportDownloadError(kBadHeader);
        }
    }
    if (!ReadVersion(file)) {
        return ReportDownloadError(kBadHeader);
    }
    // 6. The image goes to segment:offset; the offset wraps within the segment.
    const std::uint16_t segment = words[2];
    std::uint16_t offset = words[1];
    if (std::fseek(file, kImageOffset, SEEK_SET) != 0) {
        return ReportDownloadError(kReadFailed);
    }
    // 7. Block by block, up to 256 bytes each, until the end of the file.
    for (;;) {
        const std::size_t got = std::fread(requestBuffer, 1, kBufferSize, file);
        if (std::ferror(file)) {
            return ReportDownloadError(kReadFailed);
        }
        if (got == 0) {
            break;
        }
        if (WriteBlock(segment, offset, requestBuffer, static_cast<int>(got)) != 0) {
            return ReportDownloadError(kDownloadTimeout);
        }
        offset = static_cast<std::uint16_t>(offset + got);
    }
    // 8. Start the firmware.
    if (SendGoAddress(words[3]) != 0) {
        return ReportDownloadError(kGoFailed);
    }
    return 0;
}

int WriteBlock(std::uint16_t segment, std::uint16_t offset, const std::uint8_t *data, int count)
{
    if (count == 0) {
        return 0;
    }
    const std::uint8_t head[6] = {kWriteBlock,  static_cast<std::uint8_t>(count),
                                  Low(offset),  High(offset),
                                  Low(segment), High(segment)};
    return SendLoaderMessage(head, 6, data, count);
}

int SendGoAddress(std::uint16_t address)
{
    const std::uint8_t message[3] = {kStart, High(address), Low(address)};
    return SendLoaderMessage(message, 3, nullptr, 0);
}

const char *FirmwareText() { return firmwareText; }

} // namespace qmx
