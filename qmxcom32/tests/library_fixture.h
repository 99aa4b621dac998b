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

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "qmxcom32.h"
#include "scripted_board.h"

constexpr const char *kDemoText = "QMX-X1 not communicating -- Entering DEMO mode";

// The image bytes of a firmware file from `from`, `count` of them.
inline Bytes ImagePart(std::size_t from, std::size_t count)
{
    Bytes part(count);
    for (std::size_t i = 0; i < count; ++i) {
        part[i] = static_cast<std::uint8_t>((from + i) * 7 + 1);
    }
    return part;
}

// A firmware image file: header words, version field, `imageSize` image bytes.
inline Bytes FirmwareImage(std::uint16_t offset, std::uint16_t segment, std::uint16_t go,
                           const std::string &version, std::size_t imageSize)
{
    Bytes file(256, 0x00);
    const std::uint16_t words[5] = {0xA55A, offset, segment, go, 0x5AA5};
    for (int i = 0; i < 5; ++i) {
        file[2 * i] = static_cast<std::uint8_t>(words[i]);
        file[2 * i + 1] = static_cast<std::uint8_t>(words[i] >> 8);
    }
    std::copy(version.begin(), version.end(), file.begin() + 0x20);
    return file + ImagePart(0, imageSize);
}

// Loader messages as the board receives them.
inline Bytes Block(std::uint16_t segment, std::uint16_t offset, const Bytes &data)
{
    return Bytes{0x57,
                 static_cast<std::uint8_t>(data.size()),
                 static_cast<std::uint8_t>(offset),
                 static_cast<std::uint8_t>(offset >> 8),
                 static_cast<std::uint8_t>(segment),
                 static_cast<std::uint8_t>(segment >> 8)} +
           data;
}
inline Bytes Go(std::uint16_t address)
{
    return {0x47, static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address)};
}

class LibraryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        board.Install();
        QmxMsgBox(1);
        board.QueueReply(Reply(Bytes(256, 0x00)));
        ASSERT_EQ(QmxCommInit(0, nullptr), 0);
        board.QueueReply(Reply({0x00}));
        const Bytes zeros(256, 0x00);
        ASSERT_EQ(QmxReadDirect(256, zeros.data(), &replyBuffer), 0);
        board.Forget();
    }
    void TearDown() override { std::remove(file.c_str()); }

    // Writes the test's file (one at a time) and gives its path.
    const char *WriteFile(const Bytes &contents)
    {
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char *>(contents.data()),
                   static_cast<std::streamsize>(contents.size()));
        return file.c_str();
    }
    // A complete download of a small image with this version text.
    void Download(const std::string &version)
    {
        board.LoaderAnswers({0x2A});
        ASSERT_EQ(QmxCommInit(0, WriteFile(FirmwareImage(0, 0x2000, 0, version, 10))), 0);
        board.Forget();
    }
    // From here on the library answers from its emulation; the reply buffer
    // holds 256 bytes AA.
    void EnterDemo()
    {
        board.Restart();
        board.QueueReply(Reply(Bytes(256, 0xAA)));
        ASSERT_EQ(QmxCommInit(0, nullptr), 0);
        board.TakeOnly(0);
        ASSERT_EQ(QmxStopScan(), 0); // its header cannot be sent: the link gives up on the board
        ASSERT_EQ(board.messages, Texts{kDemoText});
        board.Forget();
    }

    ScriptedBoard board;
    unsigned char *replyBuffer = nullptr; // the library's, as QmxReadDirect hands it out
    const std::string file = ::testing::TempDir() + "qmxcom32-" + std::to_string(getpid()) + ".bin";
};
