// Fault injection, the traffic record and the registers' decoding.
#include "board_fixture.h"
#include "traffic.h"

namespace qmxtest {
namespace {

using Faults = BoardTest;

TEST_F(Faults, BoardDiesMidFrameAfterTheGivenBytes)
{
    // ':' 04 01 03 are bytes 1 to 4; the reply's lead byte is byte 5.
    const struct {
        unsigned bytes;
        std::size_t framesDecoded;
    } cases[] = {{3, 0}, {4, 1}, {5, 1}};
    for (const auto &c : cases) {
        board.comeBack();
        board.clearTraffic();
        board.dieAfterBytes(c.bytes);
        EXPECT_EQ(pc.exchange(0x04, {3}).status, -1) << c.bytes;
        EXPECT_TRUE(board.state().dead) << c.bytes;
        EXPECT_EQ(board.frames().size(), c.framesDecoded) << c.bytes;
    }
    EXPECT_EQ(board.calls(), std::vector<std::string>{"QmxReadChannel(3)"});
}

TEST_F(Faults, ReplyDelayedByPolls)
{
    board.delayReplies(50);
    ASSERT_TRUE(pc.send(0x55, {0}));
    EXPECT_FALSE(pc.waitReplyReady(49));
    EXPECT_EQ(pc.readByte(), -1); // nothing is offered before the reply is ready
    EXPECT_TRUE(pc.waitReplyReady(1));
    EXPECT_EQ(pc.readByte(), 0x3A);
}

TEST_F(Faults, FramesAreRecordedAsCallsInOrderAndPortsCountedByRegister)
{
    pc.setFloat(0x34, 3, 0.0f);
    pc.define(3, "T1");
    pc.exchange(0x01, {0, 0x78, 0x56, 0x34, 0x12});
    pc.exchange(0x7E, {1, 2});
    // The calls the program makes are compared as texts in its own tests.
    EXPECT_EQ(board.calls(),
              (std::vector<std::string>{"QmxSetCzero(3, 0)", "QmxDefineChannel(3, \"T1\")",
                                        "QmxMemory(4660, 22136)", "code 7E(01 02)"}));
    EXPECT_TRUE(board.receivedInOrder({"QmxSetCzero(3, 0)", "QmxDefineChannel(3, \"T1\")"}));
    EXPECT_FALSE(board.receivedInOrder({"QmxDefineChannel(3, \"T1\")", "QmxSetCzero(3, 0)"}));
    EXPECT_FALSE(board.receivedInOrder({"QmxSetCzero(4, 0)"}));
    std::vector<qmxboard::Frame> frames = board.frames();
    EXPECT_EQ(frames[0].request, (Bytes{3, 0, 0, 0, 0}));
    EXPECT_EQ(frames.back().status, 11);

    board.clearTraffic();
    EXPECT_TRUE(board.frames().empty());
    EXPECT_EQ(board.portCounts().total(), 0u);
    pc.exchange(0x04, {1});
    qmxboard_port_read(0x312);
    qmxboard_port_write(0x2F8, 1);
    qmxboard::PortCounts c = board.portCounts();
    EXPECT_EQ(c.dataWrites, 4u);       // ':' 04 01 01
    EXPECT_EQ(c.dataReads, 3u + 4u);   // lead, status, count, 4 value bytes
    EXPECT_EQ(c.statusReads, 4u + 7u); // one poll before each byte
    EXPECT_EQ(c.replyWrites, 1u);
    EXPECT_GE(c.replyReads, 1u);
    EXPECT_EQ(c.otherReads, 1u);
    EXPECT_EQ(c.otherWrites, 1u);
}

TEST_F(Faults, TrafficRecordKeepsTheNewestFramesUpToItsBound)
{
    const std::size_t sent = qmxboard::Traffic::kMaxFrames + 2;
    for (std::size_t i = 0; i < sent; ++i)
        pc.exchange(0x04, {std::uint8_t(i % 255 + 1)});
    const std::vector<qmxboard::Frame> frames = board.frames();
    ASSERT_EQ(frames.size(), qmxboard::Traffic::kMaxFrames);
    EXPECT_EQ(frames.front().request, Bytes{3}); // the first two went
    EXPECT_EQ(frames.back().request, Bytes{std::uint8_t((sent - 1) % 255 + 1)});
    EXPECT_EQ(board.portCounts().dataWrites, 4u * sent); // the counts keep everything
}

TEST_F(Faults, WriteWhileOfferingIsAnAcknowledgeNotData)
{
    ASSERT_TRUE(pc.send(0x0B, {1}));
    ASSERT_TRUE(pc.waitReplyReady());
    qmxboard_port_write(0x310, 0x3A); // would open a frame if taken as data
    EXPECT_EQ(pc.readByte(), 0x3A);
    for (int i = 0; i < 6; ++i)
        EXPECT_GE(pc.readByte(), 0);
    EXPECT_EQ(pc.exchange(0x55, {0}).status, 0);
    EXPECT_EQ(board.frames().size(), 2u);
}

} // namespace
} // namespace qmxtest
