// pc_link.h - the PC's side of the link, played byte by byte over the board's
// two bus functions, for tests that do not go through the device library.
#ifndef QMXBOARD_TESTS_PC_LINK_H
#define QMXBOARD_TESTS_PC_LINK_H

#include <cstdint>
#include <string>
#include <vector>

namespace qmxtest {

class PcLink {
public:
    static constexpr int kPolls = 30000;

    explicit PcLink(std::uint16_t base = 0x310) : base_(base) {}

    int readByte();
    int readByteAck();
    bool writeByte(std::uint8_t b);
    bool waitReplyReady(int polls = 1000);

    struct Reply {
        int status = -1;   // -1: no reply
        std::vector<std::uint8_t> data;
    };
    bool send(std::uint8_t code, const std::vector<std::uint8_t> &data);
    Reply receive(int polls = 1000);
    Reply exchange(std::uint8_t code, const std::vector<std::uint8_t> &data, int polls = 1000);

    // Convenience for the commands most tests use.
    int define(int channel, const std::string &formula);
    Reply readFloat(std::uint8_t code, int item);   // status, and the float in value()
    int setFloat(std::uint8_t code, int item, float value);
    float channel(int n);   // NaN when the board refuses

    // Loader.
    void startup();
    int prompt(int tries = 4);   // the byte offered, or -1
    bool writeBlock(std::uint16_t segment, std::uint16_t offset, const std::uint8_t *data, std::size_t count);
    bool go(std::uint16_t address);
    // Start-up, prompt, the image in blocks of 256 from the file's words 1 and 2, start at word 3.
    bool download(const std::vector<std::uint8_t> &file);

    static float value(const Reply &r);
    static std::vector<std::uint8_t> floatBytes(float v);

private:
    std::uint16_t base_;
};

} // namespace qmxtest

#endif
