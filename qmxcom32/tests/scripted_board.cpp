// scripted_board.cpp - the scripted board and the byte helpers.
#include "scripted_board.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

Bytes Hex(const std::string &text) {
    Bytes bytes;
    std::istringstream in(text);
    std::string word;
    while (in >> word) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(word, nullptr, 16)));
    }
    return bytes;
}

std::string Hex(const Bytes &bytes) {
    std::string text;
    char hex[4];
    for (std::uint8_t byte : bytes) {
        std::snprintf(hex, sizeof hex, "%s%02X", text.empty() ? "" : " ", byte);
        text += hex;
    }
    return text;
}

::testing::AssertionResult SameBytes(const Bytes &expected, const Bytes &actual) {
    if (expected == actual) {
        return ::testing::AssertionSuccess();
    }
    std::size_t first = 0;
    while (first < expected.size() && first < actual.size() && expected[first] == actual[first]) {
        ++first;
    }
    return ::testing::AssertionFailure()
           << "bytes differ from byte " << first << " on\n  expected: " << Hex(expected)
           << "\n  actual:   " << Hex(actual) << "\n            " << std::string(3 * first, ' ')
           << "^^";
}

Bytes Reply(const Bytes &data, std::uint8_t status) {
    Bytes frame(3 + data.size());
    frame[1] = status;
    frame[2] = static_cast<std::uint8_t>(data.size());
    std::copy(data.begin(), data.end(), frame.begin() + 3);
    return frame;
}

ScriptedBoard::ScriptedBoard(std::uint16_t base)
    : data(base), status(static_cast<std::uint16_t>(base + 1)),
      replyReady(static_cast<std::uint16_t>(base + 3)) {}

ScriptedBoard::~ScriptedBoard() {
    QmxHostSetPortBus(nullptr);
    QmxHostSetClock(nullptr, nullptr);
    QmxHostSetMessageHandler(nullptr, nullptr);
}

void ScriptedBoard::Install() {
    const QmxPortBus bus = {this, ReadHook, WriteHook};
    QmxHostSetPortBus(&bus);
    QmxHostSetClock([](void *board) { return static_cast<ScriptedBoard *>(board)->now++; }, this);
    QmxHostSetMessageHandler(
        [](void *board, const char *text) {
            static_cast<ScriptedBoard *>(board)->messages.emplace_back(text);
        },
        this);
}

void ScriptedBoard::Restart() {
    replies_.clear();
    offered_.clear();
    loaderReset_ = false;
    takeLimit_ = -1;
}

Bytes ScriptedBoard::Sent() const {
    Bytes sent;
    for (const Access &access : accesses) {
        if (access.write && access.port == data) {
            sent.push_back(access.value);
        }
    }
    return sent;
}

std::size_t ScriptedBoard::Count(bool write, std::uint16_t port) const {
    std::size_t count = 0;
    for (const Access &access : accesses) {
        count += access.write == write && access.port == port;
    }
    return count;
}

std::uint8_t ScriptedBoard::ReadHook(void *context, unsigned short port) {
    return static_cast<ScriptedBoard *>(context)->Read(port);
}

void ScriptedBoard::WriteHook(void *context, unsigned short port, unsigned char value) {
    static_cast<ScriptedBoard *>(context)->Write(port, value);
}

std::uint8_t ScriptedBoard::Read(std::uint16_t port) {
    std::uint8_t value = 0x00;
    if (port == status) {
        if (loaderReset_) {
            loaderReset_ = false;
            Offer(loaderAnswer_);
        }
        const bool busy = takeLimit_ >= 0 && dataWrites_ >= takeLimit_;
        value = busy || !offered_.empty() ? 0x01 : 0x00;
    } else if (port == replyReady) {
        value = replies_.empty() ? 0x00 : 0x01;
    } else if (port == data && !offered_.empty()) {
        value = offered_.front();
        offered_.pop_front();
    }
    accesses.push_back({false, port, value});
    return value;
}

void ScriptedBoard::Write(std::uint16_t port, std::uint8_t value) {
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
