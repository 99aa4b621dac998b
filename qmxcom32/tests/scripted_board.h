// scripted_board.h - the board's side of the port bus, played byte by byte
// for the library's tests. It records every port access, answers each
// request with the next scripted reply, offers the loader's prompt after the
// start-up writes, and can stop taking bytes to play a board that dies.
// It also serves the clock hook (one second passes per look at the clock,
// so no wait costs wall time) and records the messages the library shows.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "qmxcom32_host.h"

using Bytes = std::vector<std::uint8_t>;

// "3A 04 01 03" -> bytes; and back.
Bytes Hex(const std::string &text);
std::string Hex(const Bytes &bytes);
// Equal byte strings, or both in hex with the first difference marked.
::testing::AssertionResult SameBytes(const Bytes &expected, const Bytes &actual);

// A reply frame with status 0: lead 00, status, count (256 written as 00), data.
Bytes Reply(const Bytes &data, std::uint8_t status = 0x00);

class ScriptedBoard {
public:
    struct Access {
        bool write;
        std::uint16_t port;
        std::uint8_t value;
    };

    explicit ScriptedBoard(std::uint16_t base = 0x310);
    ~ScriptedBoard();
    ScriptedBoard(const ScriptedBoard &) = delete;
    ScriptedBoard &operator=(const ScriptedBoard &) = delete;

    // Installs the bus, the clock and the message recorder as the library's hooks.
    void Install();

    // The next request is answered with this frame (lead, status, count, data...).
    void QueueReply(const Bytes &frame) { replies_.push_back(frame); }
    // Offered once the PC has written the status register (the loader reset).
    void LoaderAnswers(const Bytes &bytes) { loaderAnswer_ = bytes; }
    // Offered at once.
    void Offer(const Bytes &bytes) { offered_.insert(offered_.end(), bytes.begin(), bytes.end()); }
    // After `count` more data-register writes the board stays busy until
    // Restart(); a negative count takes every byte.
    void TakeOnly(int count) { takeLimit_ = count < 0 ? -1 : dataWrites_ + count; }

    // A board just switched on: no reply, nothing offered, takes every byte.
    void Restart();

    // Every byte written to the data register since the last Forget().
    Bytes Sent() const;
    std::size_t Count(bool write, std::uint16_t port) const;
    void Forget() { accesses.clear(); messages.clear(); }

    std::vector<Access> accesses;
    std::vector<std::string> messages;
    long now = 1000;  // the clock, in seconds

    const std::uint16_t data, status, replyReady;

private:
    static std::uint8_t ReadHook(void *context, unsigned short port);
    static void WriteHook(void *context, unsigned short port, unsigned char value);
    std::uint8_t Read(std::uint16_t port);
    void Write(std::uint16_t port, std::uint8_t value);

    std::deque<Bytes> replies_;
    std::deque<std::uint8_t> offered_;
    Bytes loaderAnswer_;
    bool loaderReset_ = false;
    long dataWrites_ = 0;
    long takeLimit_ = -1;
};
