// The cold board, its loader and the image check.
#include "board_fixture.h"
#include "firmware_image.h"

namespace qmxtest {
namespace {

using qmxboard::image::Options;

class Loader : public BoardTest {
protected:
    void SetUp() override
    {
        BoardTest::SetUp();
        board.reset(qmxboard::Start::Cold);
    }
    Bytes good = qmxboard::image::buildFile(Options());
};

TEST_F(Loader, ColdBoardSwallowsFramesAndPromptsAfterTheStartUpWrites)
{
    EXPECT_TRUE(pc.send(0x55, {0}));
    EXPECT_FALSE(pc.waitReplyReady(5000));
    EXPECT_EQ(pc.readByte(), -1);
    EXPECT_TRUE(board.frames().empty());
    EXPECT_FALSE(board.state().firmwareRunning);

    board.clearTraffic();
    pc.startup();
    // The flush read at the end of the start-up did not take the prompt.
    EXPECT_EQ(pc.readByte(true), '*');
    EXPECT_EQ(pc.readByte(), -1);                // offered once
    qmxboard::PortCounts c = board.portCounts(); // the data write is the acknowledge
    EXPECT_EQ((std::vector<std::uint64_t>{c.statusWrites, c.replyWrites, c.dataWrites}),
              (std::vector<std::uint64_t>{3000, 1, 1}));
}

TEST_F(Loader, GoodImageStartsAndItsVersionIsKept)
{
    Options o;
    o.version = "ABCDEFGHIJKLMNOP"; // 16 characters, no NUL
    o.size = 600;
    o.offset = 0xFF80; // blocks wrap within the segment
    ASSERT_TRUE(pc.download(qmxboard::image::buildFile(o)));
    qmxboard::BoardState s = board.state();
    EXPECT_TRUE(s.firmwareRunning);
    EXPECT_EQ(s.firmwareVersion, "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(s.loaderResult, "started");
    EXPECT_EQ(s.loaderBlocks, 3u);
    EXPECT_EQ(pc.exchange(0x55, {0}).status, 0);
    // The image is in board memory: its header at the load address.
    PcLink::Reply r = pc.exchange(0x01, {0, 0x80, 0xFF, 0x00, 0x10});
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(std::string(r.data.begin(), r.data.begin() + 4), "QXIM");

    // Start-up writes stop the running firmware, which forgets its tables.
    ASSERT_EQ(pc.define(1, "T1"), 0);
    pc.startup();
    EXPECT_FALSE(board.state().firmwareRunning);
    ASSERT_TRUE(pc.download(good));
    EXPECT_TRUE(board.state().firmwareRunning);
    EXPECT_EQ(board.state().channels[0].formula, "");
}

TEST_F(Loader, BadImagesLeaveTheBoardCold)
{
    auto changed = [&](std::size_t at, std::uint8_t value) {
        Bytes f = good;
        f[at] = value;
        return f;
    };
    const struct {
        const char *what;
        Bytes file;
        const char *result;
    } cases[] = {
        {"a flipped firmware byte", changed(256 + 1000, good[256 + 1000] ^ 1), "checksum error"},
        {"a flipped version byte", changed(256 + 17, good[256 + 17] ^ 1), "checksum error"},
        {"a wrong magic", changed(256, good[256] ^ 1), "not a QMX-X1 image"},
        {"a short image", Bytes(good.begin(), good.end() - 1), "image incomplete"},
        {"a start outside the entry", changed(6, 0), "start address does not match the image"},
        {"no image at all", Bytes(good.begin(), good.begin() + 256), "no image loaded"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        board.reset(qmxboard::Start::Cold);
        ASSERT_TRUE(pc.download(c.file));
        qmxboard::BoardState s = board.state();
        EXPECT_FALSE(s.firmwareRunning);
        EXPECT_EQ(s.loaderResult, c.result);
        EXPECT_EQ(s.firmwareVersion, "");
        EXPECT_TRUE(pc.send(0x55, {0}));
        EXPECT_FALSE(pc.waitReplyReady(2000));
    }
    // Blocks out of order are refused too.
    pc.startup();
    ASSERT_EQ(pc.readByte(true), '*');
    ASSERT_TRUE(pc.writeBlock(0x1000, 256, &good[256 + 256], 256));
    ASSERT_TRUE(pc.writeBlock(0x1000, 0, &good[256], 256));
    ASSERT_TRUE(pc.write({'G', 0, 32}));
    EXPECT_FALSE(board.state().firmwareRunning);
    EXPECT_EQ(board.state().loaderResult, "blocks do not follow one another");
    // A good image after a refused one starts.
    ASSERT_TRUE(pc.download(good));
    EXPECT_TRUE(board.state().firmwareRunning);
}

} // namespace
} // namespace qmxtest
