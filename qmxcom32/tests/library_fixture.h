// library_fixture.h - one fixture for the tests of libqmxcom32.so.
//
// The library keeps its state in statics, one board per process. Each test
// starts from a known state: the scripted board installed, message boxes on,
// QmxCommInit run against a board that answers (which leaves demonstration
// mode), the reply buffer filled with zeros by a 256-byte reply and the
// request buffer by a 256-byte raw command. Only the firmware version text
// cannot be reset this way: tests that look at it run a download first, and
// the text as loading leaves it is checked in a process of its own
// (fresh_test.cpp).
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "qmxcom32.h"
#include "scripted_board.h"

constexpr const char *kDemoText = "QMX-X1 not communicating -- Entering DEMO mode";

// A firmware image file: header words, version field, `imageSize` image bytes.
Bytes FirmwareImage(std::uint16_t offset, std::uint16_t segment, std::uint16_t go,
                    const std::string &version, std::size_t imageSize);
// The image bytes of that file from `from`, `count` of them.
Bytes ImagePart(std::size_t from, std::size_t count);
// Loader messages as the board receives them.
Bytes Block(std::uint16_t segment, std::uint16_t offset, const Bytes &data);
Bytes Go(std::uint16_t address);
Bytes operator+(Bytes left, const Bytes &right);

class LibraryTest : public ::testing::Test {
protected:
    void SetUp() override;

    // Writes a file into the test's temporary folder and gives its path.
    std::string WriteFile(const Bytes &contents);
    // A complete download of a small image with this version text.
    void Download(const std::string &version);
    // From here on the library answers from its emulation; the reply buffer
    // holds 256 bytes AA.
    void EnterDemo();
    std::string FirmwareVersion();

    ScriptedBoard board;
    unsigned char *replyBuffer = nullptr;  // the library's, as QmxReadDirect hands it out
};
