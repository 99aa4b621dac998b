// firmware_image.h - our firmware image and its file.
//
// The loader never sees the file header, only the image from file offset
// 256, so the image opens with a header of its own that the board checks
// before it starts anything:
//
//   image offset  size  content
//   0             4     magic "QXIM"
//   4             2     header layout, 1
//   6             2     entry: offset of the start address from the image's first byte
//   8             4     length of the image in bytes, this header included
//   12            4     CRC-32 (IEEE) of the whole image, these 4 bytes taken as 0
//   16            16    version text, NUL-padded
//   32            ...   the firmware
//
// The file header carries the load offset, segment and start address (words
// 1 to 3), the version text at offset 32, and in bytes it otherwise leaves
// unused the same magic (offset 16), length (20) and CRC (24), so a tool can
// check a file without loading it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qmxboard::image {

constexpr std::size_t kFileHeader = 256;
constexpr std::size_t kImageHeader = 32;
constexpr std::size_t kVersionSize = 16;
// An image must fit its load segment.
constexpr std::size_t kMaxImage = 65536;

struct Options {
    std::string version = "QMX-X1 SIM 1.00";
    std::size_t size = 4096;        // the image's length, header included
    std::uint16_t offset = 0x0000;  // load offset
    std::uint16_t segment = 0x1000; // load segment
    std::uint16_t entry = kImageHeader;
};

std::uint32_t crc32(const std::uint8_t *data, std::size_t size);
// Empty when the options cannot make an image (size or entry out of range).
std::vector<std::uint8_t> buildImage(const Options &options);
std::vector<std::uint8_t> buildFile(const Options &options);

struct Verdict {
    bool ok = false;
    std::string version; // the image's version text
    std::string fault;   // why it was refused
};

// An image of `available` bytes, reached through `byte`, loaded at offset
// `loadOffset` and to be started at `start` (an offset in the load segment).
Verdict check(const std::function<std::uint8_t(std::size_t)> &byte, std::size_t available,
              std::uint16_t loadOffset, std::uint16_t start);
// A whole file: its header against its image.
Verdict checkFile(const std::vector<std::uint8_t> &file);

} // namespace qmxboard::image
