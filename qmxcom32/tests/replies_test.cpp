// replies_test.cpp - the reply side of the link: statuses and their texts,
// full-length replies, polls and time-outs, boards that die at each step of
// an exchange, the single entry into demonstration mode, message boxes off,
// refused inputs and the frame trace.
#include <cstdlib>

#include "library_fixture.h"

namespace {

TEST_F(LibraryTest, BoardStatusesAreShownAndReturned)
{
    const std::pair<std::uint8_t, const char *> kStatuses[] = {
        {10, "Bad channel number"},
        {11, "Unknown error:11"},
        {12, "Bad formula"},
        {13, "Bad formula"},
        {14, "Table full"},
        {15, "Bad probe number"},
        {16, "Bad formula"},
        {17, "Bad number in formula"},
        {18, "Bad symbol"},
        {19, "Formula too complex"},
        {20, "Circular channel definition"},
        {21, "Memory full"},
        {22, "Bad formula"},
        {23, "Bad set in GOR or LOR function"},
        {1, "Unknown error:1"},
        {9, "Unknown error:9"},
        {24, "Unknown error:24"},
        {200, "Unknown error:200"},
        {255, "Unknown error:255"},
    };
    for (bool shown : {true, false}) {
        QmxMsgBox(shown ? 1 : 0);
        for (const auto &[status, text] : kStatuses) {
            SCOPED_TRACE(text);
            board.Forget();
            board.QueueReply(Reply({0x00, 0x00, 0x80, 0x3F}, status));
            float value = 7.0f;
            EXPECT_EQ(QmxReadChannel(1, &value), status);
            EXPECT_EQ(value, 7.0f); // a failed read hands nothing out
            EXPECT_EQ(board.messages, shown ? Texts{text} : Texts{});
        }
    }
}

// Settings and raw replies are handed out whatever the status; count 0
// carries 256 bytes, read and no more.
TEST_F(LibraryTest, SettingsAndRawRepliesAreHandedOutWhateverTheStatus)
{
    board.QueueReply(Reply({0xFE}, 15));
    std::int32_t setting = 0;
    EXPECT_EQ(QmxGetFpIn(&setting), 15);
    EXPECT_EQ(setting, -2);
    const Bytes data = ImagePart(0, 256);
    board.Forget();
    board.QueueReply(Reply(data, 21));
    unsigned char *reply = nullptr;
    EXPECT_EQ(QmxReadDirect(1, data.data(), &reply), 21);
    ASSERT_EQ(reply, replyBuffer);
    // Terminated after the 256 bytes, so that a text taken from it ends.
    EXPECT_EQ(Hex(Bytes(reply, reply + 257)), Hex(data + Bytes{0x00}));
    EXPECT_EQ(board.Count(false, board.data), 3u + 256u);
    EXPECT_EQ(board.messages, Texts{"Memory full"});
}

// A board that dies at each step of an exchange, with the polls each wait
// makes: 30000 status polls per byte, a reply wait of three seconds (the
// clock moves one second per look). The read before it leaves 1.5 in the
// reply buffer, and an earlier stretch of demonstration mode ended on a
// command whose emulation leaves the buffer alone: the stale 1.5 must never
// come back as a fresh value. With message boxes on the first failure is
// shown and the link answers from its emulation from then on; with them off
// every call fails and the board is tried again each time.
TEST_F(LibraryTest, DeadBoardIsReportedOnceThenEmulated)
{
    const struct {
        const char *what;
        int takes;         // data bytes the board still takes (-1: all)
        const char *reply; // what it still answers
        const char *sent;
        std::size_t statusPolls, replyPolls[2]; // reply polls with message boxes off, on
        std::int32_t result;                    // with message boxes on (off: -1)
        float value;                            // with message boxes on (off: unchanged)
    } kDyingBoards[] = {
        {"takes no byte", 0, "", "", 30000, {3, 0}, 0, 0.0f},
        {"takes the ':' only", 1, "", "3A", 1 + 30000, {3, 0}, 0, 0.0f},
        {"takes the header only", 3, "", "3A 04 01", 3 + 30000, {3, 3}, -1, 7.0f},
        {"never replies", -1, "", "3A 04 01 03", 4, {3, 3}, -1, 7.0f},
        {"stops after the lead byte", -1, "00", "3A 04 01 03", 4 + 1 + 30000, {1, 1}, -1, 7.0f},
        {"data cut short", -1, "00 00 04 11 22", "3A 04 01 03", 4 + 5 + 30000, {1, 1}, -1, 7.0f},
    };
    for (bool shown : {true, false}) {
        for (const auto &dying : kDyingBoards) {
            SCOPED_TRACE(std::string(dying.what) + (shown ? "" : ", message boxes off"));
            EnterDemo();
            ASSERT_EQ(QmxStartScan(), 0); // emulated: leaves the reply buffer alone
            board.Restart();
            board.QueueReply(Reply({0x00}));
            ASSERT_EQ(QmxCommInit(0, nullptr), 0); // leaves demonstration mode
            EXPECT_EQ(QmxHostDemoMode(), 0);
            board.Forget();
            board.QueueReply(Hex("00 00 04 00 00 C0 3F"));
            float value = 0.0f;
            ASSERT_EQ(QmxReadChannel(3, &value), 0);
            ASSERT_EQ(value, 1.5f); // from the board, not the emulation
            // One status poll per byte, one reply-ready poll and its reset.
            EXPECT_EQ(board.Count(false, board.status), 4u + 7u);
            EXPECT_EQ(board.accesses.size(), 24u);

            QmxMsgBox(shown);
            board.Forget();
            board.TakeOnly(dying.takes);
            if (*dying.reply != '\0')
                board.QueueReply(Hex(dying.reply));
            value = 7.0f;
            EXPECT_EQ(QmxReadChannel(3, &value), shown ? dying.result : -1);
            EXPECT_EQ(value, shown ? dying.value : 7.0f);
            EXPECT_EQ(QmxHostDemoMode(), shown ? 1 : 0);
            EXPECT_EQ(Hex(board.Sent()), dying.sent);
            EXPECT_EQ(board.Count(false, board.status), dying.statusPolls);
            EXPECT_EQ(board.Count(false, board.replyReady), dying.replyPolls[shown]);
            EXPECT_EQ(board.messages, shown ? Texts{kDemoText} : Texts{});

            board.Forget();
            value = 7.0f;
            EXPECT_EQ(QmxReadChannel(5, &value), shown ? 0 : -1);
            EXPECT_EQ(value, shown ? 0.0f : 7.0f);
            EXPECT_EQ(board.accesses.empty(), shown);
            EXPECT_TRUE(board.messages.empty());
            QmxMsgBox(1);
        }
    }
}

TEST_F(LibraryTest, InputsThatCannotBeFramedAreRefused)
{
    const std::string longest(254, 'T'), tooLong(255, 'T');
    const unsigned char data[257] = {};
    unsigned char *reply = nullptr;
    EXPECT_EQ(QmxDefineChannel(1, tooLong.c_str()), -1);
    EXPECT_EQ(QmxDefineChannel(1, nullptr), -1);
    for (std::int32_t count : {0, 257, -1})
        EXPECT_EQ(QmxReadDirect(count, data, &reply), -1);
    EXPECT_EQ(reply, replyBuffer);
    EXPECT_TRUE(board.accesses.empty());
    EXPECT_TRUE(board.messages.empty());

    board.QueueReply(Reply({0x00}));
    board.QueueReply(Reply({0x00}));
    EXPECT_EQ(QmxDefineChannel(1, longest.c_str()), 0);
    EXPECT_EQ(QmxReadDirect(256, data, &reply), 0);
    EXPECT_EQ(Hex(board.Sent()), Hex(Hex("3A 03 00 01") + Bytes(254, 'T') + Bytes{0x00} +
                                     Hex("3A 02 00") + Bytes(256, 0x00)));
}

// QMX_TRACE is taken up by QmxCommInit: the frames until the next one are
// traced, and none after QMX_TRACE=0.
TEST_F(LibraryTest, TraceShowsEveryFrameWhenSwitchedOn)
{
    setenv("QMX_TRACE", "1", 1);
    board.QueueReply(Reply({0x05}));
    ::testing::internal::CaptureStderr();
    QmxCommInit(0, nullptr);
    setenv("QMX_TRACE", "0", 1);
    QmxMsgBox(0);
    QmxStartScan();
    board.QueueReply(Reply({0x00}));
    QmxCommInit(0, nullptr);
    unsetenv("QMX_TRACE");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "qmxcom32: > 3A 55 01 00\nqmxcom32: < 00 00 01 05\nqmxcom32: > 3A 07 01 00\n"
              "qmxcom32: < (no reply)\n");
}

} // namespace
