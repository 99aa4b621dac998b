// board_fixture.h - a running (or cold) board on a clock the test moves, and
// the PC's side of the link played byte by byte over the board's two bus
// functions, for tests that do not go through the device library.
#ifndef QMXBOARD_TESTS_BOARD_FIXTURE_H
#define QMXBOARD_TESTS_BOARD_FIXTURE_H

#include "qmxboard.h"
#include "qmxboard_bus.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace qmxtest {

using Bytes = std::vector<std::uint8_t>;

class PcLink {
public:
    explicit PcLink(std::uint16_t base = 0x310) : base_(base) {}

    // A byte with the status handshake, or -1; `ack` writes the data register
    // first, as the loader's prompt wants.
    int readByte(bool ack = false)
    {
        for (int i = 0; i < 30000; ++i) {
            if (!(in(1) & 1))
                continue;
            if (ack)
                out(0, 0);
            return in(0);
        }
        return -1;
    }
    bool write(const Bytes &bytes)
    {
        for (std::uint8_t b : bytes) {
            int i = 0;
            while (i < 30000 && (in(1) & 1))
                ++i;
            if (i == 30000)
                return false;
            out(0, b);
        }
        return true;
    }
    bool waitReplyReady(int polls = 1000)
    {
        for (int i = 0; i < polls; ++i)
            if (in(3) & 1)
                return out(3, 0), true;
        return false;
    }

    struct Reply {
        int status = -1; // -1: no reply
        Bytes data;
    };
    bool send(std::uint8_t code, Bytes data)
    {
        data.insert(data.begin(), {0x3A, code, std::uint8_t(data.size())});
        return write(data);
    }
    Reply receive()
    {
        Reply r;
        if (!waitReplyReady())
            return r;
        int lead = readByte(), status = readByte(), count = readByte();
        if (lead < 0 || status < 0 || count < 0)
            return r;
        for (int i = 0; i < (count == 0 ? 256 : count); ++i) {
            int b = readByte();
            if (b < 0)
                return r;
            r.data.push_back(std::uint8_t(b));
        }
        r.status = status;
        return r;
    }
    Reply exchange(std::uint8_t code, const Bytes &data)
    {
        send(code, data);
        return receive();
    }

    int define(int channel, const std::string &formula)
    {
        // Channel byte, the text and its NUL, in one sized buffer.
        Bytes d(formula.size() + 2, 0);
        d[0] = std::uint8_t(channel);
        std::memcpy(&d[1], formula.data(), formula.size());
        return exchange(0x03, d).status;
    }
    int setFloat(std::uint8_t code, int item, float value)
    {
        Bytes d(5, std::uint8_t(item));
        std::memcpy(&d[1], &value, 4);
        return exchange(code, d).status;
    }
    // The float a read answers; NaN when the board refuses.
    float readFloat(std::uint8_t code, int item)
    {
        Reply r = exchange(code, {std::uint8_t(item)});
        float v = NAN;
        if (r.status == 0 && r.data.size() == 4)
            std::memcpy(&v, r.data.data(), 4);
        return v;
    }
    float channel(int n) { return readFloat(0x04, n); }
    // The floats read with each code and item, in order.
    std::vector<float> reads(std::initializer_list<std::pair<std::uint8_t, int>> items)
    {
        std::vector<float> v;
        for (auto [code, item] : items)
            v.push_back(readFloat(code, item));
        return v;
    }

    // The loader: start-up writes; a write-block message; a whole download of
    // a file in blocks of 256 from its words 1 and 2, started at word 3.
    void startup()
    {
        for (int i = 0; i < 3000; ++i)
            out(1, 0);
        out(3, 0);
        in(0);
    }
    bool writeBlock(std::uint16_t segment, std::uint16_t offset, const std::uint8_t *data,
                    std::size_t count)
    {
        Bytes m{'W',
                std::uint8_t(count),
                std::uint8_t(offset),
                std::uint8_t(offset >> 8),
                std::uint8_t(segment),
                std::uint8_t(segment >> 8)};
        m.insert(m.end(), data, data + count);
        return write(m);
    }
    bool download(const Bytes &file)
    {
        startup();
        if (readByte(true) != '*')
            return false;
        auto word = [&](std::size_t i) { return std::uint16_t(file[i] | file[i + 1] << 8); };
        for (std::size_t at = 256; at < file.size(); at += 256) {
            std::size_t n = std::min<std::size_t>(256, file.size() - at);
            if (!writeBlock(word(4), std::uint16_t(word(2) + at - 256), &file[at], n))
                return false;
        }
        return write({'G', file[7], file[6]}); // the start address, high byte first
    }

private:
    std::uint8_t in(int offset) { return qmxboard_port_read(std::uint16_t(base_ + offset)); }
    void out(int offset, std::uint8_t v) { qmxboard_port_write(std::uint16_t(base_ + offset), v); }
    std::uint16_t base_;
};

class BoardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        clockNs() = 1'000'000'000;
        board.setClock([] { return clockNs().load(); });
        board.setBaseAddress(0x310);
        board.reset(qmxboard::Start::Running);
        board.freeze();
    }
    void TearDown() override
    {
        board.setClock(nullptr);
        board.reset(qmxboard::Start::Cold);
    }
    static std::atomic<std::int64_t> &clockNs()
    {
        static std::atomic<std::int64_t> t{0};
        return t;
    }
    static void advanceMs(double ms) { clockNs() += std::int64_t(ms * 1e6); }

    qmxboard::Control board;
    PcLink pc;
};

} // namespace qmxtest

#endif
