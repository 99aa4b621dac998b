// fresh_test.cpp - the library as loading leaves it, in a process of its
// own: no port before QmxCommInit, zero buffers, message boxes on, no
// firmware version, and messages on stderr while no host shows them.
#include "qmxcom32.h"
#include "scripted_board.h"

namespace {

TEST(FreshLibrary, FromLoadingToTheFirstExchanges)
{
    ScriptedBoard board;
    board.Install();

    // Before QmxCommInit there is no port address: nothing is touched.
    float value = 7.0f;
    std::int32_t setting = 7;
    unsigned char *reply = nullptr;
    EXPECT_EQ(QmxReadChannel(1, &value), -1);
    EXPECT_EQ(value, 7.0f);
    EXPECT_EQ(QmxSetScanTime(500), -1);
    EXPECT_EQ(QmxGetFpIn(&setting), -1);
    EXPECT_EQ(setting, 0); // the reply buffer as loaded
    EXPECT_EQ(QmxMemory(1, 2, &reply), -1);
    EXPECT_NE(reply, nullptr);
    EXPECT_TRUE(board.accesses.empty());
    EXPECT_TRUE(board.messages.empty());

    char text[64] = "not touched";
    EXPECT_EQ(QmxFirmware(text), 0);
    EXPECT_STREQ(text, "");

    // The request buffer is all zeros, whatever the refused calls carried.
    board.QueueReply(Reply({0x00}));
    EXPECT_EQ(QmxCommInit(0, nullptr), 0);
    board.QueueReply(Reply({0x00}));
    EXPECT_EQ(QmxStartScan(), 0);
    EXPECT_EQ(Hex(board.Sent()), "3A 55 01 00 3A 07 01 00");

    // Message boxes are on; without a host's handler the text goes to stderr.
    QmxHostSetMessageHandler(nullptr, nullptr);
    board.QueueReply(Reply({0x00}, 14));
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(QmxStartScan(), 14);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "qmxcom32: Table full\n");
}

} // namespace
