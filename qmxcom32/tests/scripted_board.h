// scripted_board.h - the board's side of the port bus, played byte by byte
// for the library's tests. It records every port access, answers each
// request with the next scripted reply, offers the loader's prompt after the
// start-up writes, and can stop taking bytes to play a board that dies.
// It also serves the clock hook (one second passes per look at the clock,
// so no wait costs wall time) and records the messages the library shows.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <sstream>
#include <string>
#include <vector>

#include "qmxcom32_host.h"

using Bytes = std::vector<std::uint8_t>;
using Texts = std::vector<std::string>;

// "3A 04 01 03" -> bytes; and back.
inline Bytes Hex(const std::string &text)
{
    Bytes bytes;
    std::istringstream in(text);
    for (std::string word; in >> word;)
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(word, nullptr, 16)));
    return bytes;
}
inline std::string Hex(const Bytes &bytes)
{
    std::string text;
    char hex[4];
    for (std::uint8_t byte : bytes) {
        std::snprintf(hex, sizeof hex, " %02X", byte);
        text += hex;
    }
    return text.empty() ? text : text.substr(1);
}
inline Bytes operator+(Bytes left, const Bytes &right)
{
    left.insert(left.end(), right.begin(), right.end());
    return left;
}

// A reply frame: lead 00, status, count (256 written as 00), data.
inline Bytes Reply(const Bytes &data, std::uint8_t status = 0x00)
{
    return Bytes{0x00, status, static_cast<std::uint8_t>(data.size())} + data;
}

class ScriptedBoard {
public:
    struct Access {
        bool write;
        std::uint16_t port;
        std::uint8_t value;
    };

    explicit ScriptedBoard(std::uint16_t base = 0x310)
        : data(base), status(base + 1), replyReady(base + 3)
    {
    }
    ~ScriptedBoard()
    {
        QmxHostSetPortBus(nullptr);
        QmxHostSetClock(nullptr, nullptr);
        QmxHostSetMessageHandler(nullptr, nullptr);
    }

    // Installs the bus, the clock and the message recorder as the library's hooks.
    void Install()
    {
        const QmxPortBus bus = {
            this, [](void *board, unsigned short port) { return Of(board).Read(port); },
            [](void *board, unsigned short port, unsigned char v) { Of(board).Write(port, v); }};
        QmxHostSetPortBus(&bus);
        QmxHostSetClock([](void *board) { return Of(board).now++; }, this);
        QmxHostSetMessageHandler(
            [](void *board, const char *text) { Of(board).messages.emplace_back(text); }, this);
    }

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
    void Restart()
    {
        replies_.clear();
        offered_.clear();
        loaderReset_ = false;
        takeLimit_ = -1;
    }

    // Every byte written to the data register since the last Forget().
    Bytes Sent() const
    {
        Bytes sent;
        for (const Access &a : accesses)
            if (a.write && a.port == data)
                sent.push_back(a.value);
        return sent;
    }
    std::size_t Count(bool write, std::uint16_t port) const
    {
        return std::count_if(accesses.begin(), accesses.end(),
                             [&](const Access &a) { return a.write == write && a.port == port; });
    }
    void Forget()
    {
        accesses.clear();
        messages.clear();
    }

    std::vector<Access> accesses;
    Texts messages;
    long now = 1000; // the clock, in seconds

    const std::uint16_t data, status, replyReady;

private:
    static ScriptedBoard &Of(void *board) { return *static_cast<ScriptedBoard *>(board); }

    std::uint8_t Read(std::uint16_t port)
    {
        std::uint8_t value = 0x00;
        if (port == status) {
            if (loaderReset_) {
                loaderReset_ = false;
                Offer(loaderAnswer_);
            }
            value = (takeLimit_ >= 0 && dataWrites_ >= takeLimit_) || !offered_.empty();
        } else if (port == replyReady) {
            value = !replies_.empty();
        } else if (port == data && !offered_.empty()) {
            value = offered_.front();
            offered_.pop_front();
        }
        accesses.push_back({false, port, value});
        return value;
    }

    void Write(std::uint16_t port, std::uint8_t value)
    {
        accesses.push_back({true, port, value});
        if (port == data) {
            ++dataWrites_;
        } else if (port == status) {
            loaderReset_ = true;
        } else if (port == replyReady && !replies_.empty()) {
            Offer(replies_.front());
            replies_.pop_front();
        }
    }

    std::deque<Bytes> replies_;
    std::deque<std::uint8_t> offered_;
    Bytes loaderAnswer_;
    bool loaderReset_ = false;
    long dataWrites_ = 0;
    long takeLimit_ = -1;
};
