// firmware_image.cpp
#include "firmware_image.h"

#include <array>
#include <cstring>

namespace qmxboard::image {
namespace {

const char kMagic[4] = {'Q', 'X', 'I', 'M'};

void put16(std::uint8_t *p, unsigned v)
{
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}
void put32(std::uint8_t *p, std::uint32_t v)
{
    put16(p, v & 0xFFFF);
    put16(p + 2, v >> 16);
}

} // namespace

std::uint32_t crc32(const std::uint8_t *data, std::size_t size)
{
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i)
        c = table[(c ^ data[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

std::vector<std::uint8_t> buildImage(const Options &o)
{
    if (o.size < kImageHeader || o.size > kMaxImage || o.entry >= o.size)
        return {};
    std::vector<std::uint8_t> img(o.size);
    std::memcpy(img.data(), kMagic, 4);
    put16(&img[4], 1);
    put16(&img[6], o.entry);
    put32(&img[8], std::uint32_t(o.size));
    std::memcpy(&img[16], o.version.data(), std::min(o.version.size(), kVersionSize));
    // The firmware proper: a fixed pseudo-random fill, so a corrupted byte shows.
    std::uint32_t x = 0x2545F491u;
    for (std::size_t i = kImageHeader; i < img.size(); ++i) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        img[i] = std::uint8_t(x);
    }
    put32(&img[12], crc32(img.data(), img.size()));
    return img;
}

std::vector<std::uint8_t> buildFile(const Options &o)
{
    std::vector<std::uint8_t> img = buildImage(o);
    if (img.empty())
        return {};
    std::vector<std::uint8_t> file(kFileHeader);
    put16(&file[0], 0x5851); // "QX"
    put16(&file[2], o.offset);
    put16(&file[4], o.segment);
    put16(&file[6], (o.offset + o.entry) & 0xFFFF);
    put16(&file[8], unsigned((img.size() + 255) / 256)); // blocks
    std::memcpy(&file[16], kMagic, 4);
    std::memcpy(&file[20], &img[8], 4);  // length
    std::memcpy(&file[24], &img[12], 4); // CRC
    std::memcpy(&file[32], &img[16], kVersionSize);
    file.insert(file.end(), img.begin(), img.end());
    return file;
}

Verdict check(const std::function<std::uint8_t(std::size_t)> &byte, std::size_t available,
              std::uint16_t loadOffset, std::uint16_t start)
{
    Verdict v;
    if (available < kImageHeader) {
        v.fault = "image incomplete";
        return v;
    }
    std::uint8_t head[kImageHeader];
    for (std::size_t i = 0; i < kImageHeader; ++i)
        head[i] = byte(i);
    auto get16 = [&](std::size_t i) { return unsigned(head[i]) | unsigned(head[i + 1]) << 8; };
    auto get32 = [&](std::size_t i) {
        return std::uint32_t(get16(i)) | std::uint32_t(get16(i + 2)) << 16;
    };
    std::uint32_t length = get32(8);
    if (std::memcmp(head, kMagic, 4) != 0) {
        v.fault = "not a QMX-X1 image";
    } else if (length < kImageHeader || length > available || length > kMaxImage) {
        v.fault = "image incomplete";
    } else if (((loadOffset + get16(6)) & 0xFFFF) != start || get16(6) >= length) {
        v.fault = "start address does not match the image";
    } else {
        std::vector<std::uint8_t> img(length);
        for (std::size_t i = 0; i < length; ++i)
            img[i] = i >= 12 && i < 16 ? 0 : byte(i);
        if (crc32(img.data(), img.size()) != get32(12)) {
            v.fault = "checksum error";
        } else {
            v.ok = true;
            const char *version = reinterpret_cast<const char *>(head + 16);
            v.version.assign(version, strnlen(version, kVersionSize));
        }
    }
    return v;
}

Verdict checkFile(const std::vector<std::uint8_t> &file)
{
    Verdict v;
    if (file.size() < kFileHeader + kImageHeader) {
        v.fault = "file too short";
        return v;
    }
    auto w = [&](std::size_t i) { return std::uint16_t(file[i] | file[i + 1] << 8); };
    const std::uint8_t *img = file.data() + kFileHeader;
    v = check([&](std::size_t i) { return img[i]; }, file.size() - kFileHeader, w(2), w(6));
    if (v.ok &&
        (std::memcmp(&file[16], kMagic, 4) != 0 || std::memcmp(&file[20], img + 8, 8) != 0)) {
        v.ok = false;
        v.fault = "file header does not match the image";
    }
    return v;
}

} // namespace qmxboard::image
