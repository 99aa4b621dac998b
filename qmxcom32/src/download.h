// download.h - bringing up a board without running firmware: its loader is
// reset, sent the image file in blocks and started at the image's start
// address. Every failure shows its own message, whatever QmxMsgBox says.
#pragma once

#include <cstdint>
#include <cstdio>

namespace qmx {

// 0 when the board has been sent its start address, 1 after a failure.
int DownloadFirmware(const char *fileName);
// The steps after the file was opened: prompt, header, blocks, start.
int DownloadImage(std::FILE *file);
// 0, or -1 when a byte write times out. A count of 0 sends nothing.
int WriteBlock(std::uint16_t segment, std::uint16_t offset, const std::uint8_t *data, int count);
int SendGoAddress(std::uint16_t address);

// The version text of the last download: up to 16 characters, "----" for an
// empty version field, "" until a download has read one.
const char *FirmwareText();

} // namespace qmx
