// qmxboard-image - writes (or checks) a firmware image file for the simulated board.
#include "firmware_image.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: qmxboard-image [--version TEXT] [--size BYTES] [--offset N] "
                         "[--segment N] [--corrupt] FILE\n"
                         "       qmxboard-image --check FILE\n");
    return 2;
}

bool number(const char *text, unsigned long max, unsigned long &out)
{
    char *end = nullptr;
    out = std::strtoul(text, &end, 0);
    return end != text && *end == '\0' && out <= max;
}

int check(const char *path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "qmxboard-image: cannot open %s\n", path);
        return 1;
    }
    std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
    qmxboard::image::Verdict v = qmxboard::image::checkFile(file);
    if (!v.ok) {
        std::printf("%s: %s\n", path, v.fault.c_str());
        return 1;
    }
    std::printf("%s: good image, version \"%s\"\n", path, v.version.c_str());
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    qmxboard::image::Options o;
    bool corrupt = false;
    const char *path = nullptr;
    unsigned long n = 0;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        bool hasValue = i + 1 < argc;
        if (a == "--check" && hasValue)
            return check(argv[i + 1]);
        if (a == "--version" && hasValue)
            o.version = argv[++i];
        else if (a == "--size" && hasValue && number(argv[++i], qmxboard::image::kMaxImage, n))
            o.size = n;
        else if (a == "--offset" && hasValue && number(argv[++i], 0xFFFF, n))
            o.offset = std::uint16_t(n);
        else if (a == "--segment" && hasValue && number(argv[++i], 0xFFFF, n))
            o.segment = std::uint16_t(n);
        else if (a == "--corrupt")
            corrupt = true;
        else if (a[0] != '-' && !path)
            path = argv[i];
        else
            return usage();
    }
    if (!path)
        return usage();
    if (o.version.size() > qmxboard::image::kVersionSize) {
        std::fprintf(stderr, "qmxboard-image: a version text has at most 16 characters\n");
        return 2;
    }
    std::vector<std::uint8_t> file = qmxboard::image::buildFile(o);
    if (file.empty()) {
        std::fprintf(stderr, "qmxboard-image: an image is %zu to %zu bytes\n",
                     qmxboard::image::kImageHeader + 1, qmxboard::image::kMaxImage);
        return 2;
    }
    if (corrupt)
        file.back() ^= 0xFF; // after the checksum: the board must refuse it
    std::string tmp = std::string(path) + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char *>(file.data()), std::streamsize(file.size()));
        if (!out.flush()) {
            std::fprintf(stderr, "qmxboard-image: cannot write %s\n", tmp.c_str());
            return 1;
        }
    }
    if (std::rename(tmp.c_str(), path) != 0) {
        std::fprintf(stderr, "qmxboard-image: cannot write %s\n", path);
        return 1;
    }
    return 0;
}
