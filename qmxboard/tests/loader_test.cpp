// The cold board, its loader and the image check.
#include "board_fixture.h"
#include "firmware_image.h"

#include <cstring>

namespace qmxtest {
namespace {

using qmxboard::image::Options;

class Loader : public BoardTest {
protected:
    void SetUp() override {
        BoardTest::SetUp();
        board.reset(qmxboard::Start::Cold);
    }
    std::vector<std::uint8_t> file(Options o = Options()) { return qmxboard::image::buildFile(o); }
};

TEST_F(Loader, ColdBoardSwallowsFramesAndNeverSignalsAReply) {
    EXPECT_TRUE(pc.send(0x55, {0}));
    EXPECT_FALSE(pc.waitReplyReady(5000));
    EXPECT_EQ(pc.readByte(), -1);
    EXPECT_TRUE(board.frames().empty());
    EXPECT_FALSE(board.state().firmwareRunning);
}

TEST_F(Loader, PromptComesAfterTheStartUpWritesAndItsAcknowledge) {
    pc.startup();
    // The flush read at the end of the start-up did not take the prompt.
    EXPECT_EQ(pc.readByteAck(), '*');
    EXPECT_EQ(pc.readByte(), -1);   // offered once
    qmxboard::PortCounts c = board.portCounts();
    EXPECT_EQ(c.statusWrites, 3000u);
    EXPECT_EQ(c.replyWrites, 1u);
    EXPECT_EQ(c.dataWrites, 1u);    // the acknowledge
}

TEST_F(Loader, GoodImageStartsAndItsVersionIsKept) {
    Options o;
    o.version = "ABCDEFGHIJKLMNOP";   // 16 characters, no NUL
    o.size = 600;
    o.offset = 0xFF80;                // blocks wrap within the segment
    ASSERT_TRUE(pc.download(file(o)));
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
}

TEST_F(Loader, BadImagesLeaveTheBoardCold) {
    auto flip = [](std::vector<std::uint8_t> f, std::size_t at) {
        f[at] ^= 0x01;
        return f;
    };
    auto startAt = [](std::vector<std::uint8_t> f, unsigned go) {
        f[6] = std::uint8_t(go), f[7] = std::uint8_t(go >> 8);
        return f;
    };
    std::vector<std::uint8_t> good = file();
    std::vector<std::uint8_t> truncated(good.begin(), good.end() - 1);
    const struct { const char *what; std::vector<std::uint8_t> file; const char *result; } cases[] = {
        {"a flipped firmware byte", flip(good, 256 + 1000), "checksum error"},
        {"a flipped version byte", flip(good, 256 + 17), "checksum error"},
        {"a wrong magic", flip(good, 256), "not a QMX-X1 image"},
        {"a short image", truncated, "image incomplete"},
        {"a start outside the entry", startAt(good, 0x0000), "start address does not match the image"},
        {"no image at all", std::vector<std::uint8_t>(good.begin(), good.begin() + 256), "no image loaded"},
    };
    for (const auto &c : cases) {
        board.reset(qmxboard::Start::Cold);
        ASSERT_TRUE(pc.download(c.file)) << c.what;
        qmxboard::BoardState s = board.state();
        EXPECT_FALSE(s.firmwareRunning) << c.what;
        EXPECT_EQ(s.loaderResult, c.result) << c.what;
        EXPECT_EQ(s.firmwareVersion, "") << c.what;
        EXPECT_TRUE(pc.send(0x55, {0}));
        EXPECT_FALSE(pc.waitReplyReady(2000)) << c.what;
    }
    // A good image after a refused one starts.
    ASSERT_TRUE(pc.download(good));
    EXPECT_TRUE(board.state().firmwareRunning);
}

TEST_F(Loader, BlocksOutOfOrderAreRefused) {
    std::vector<std::uint8_t> f = file();
    pc.startup();
    ASSERT_EQ(pc.prompt(), '*');
    ASSERT_TRUE(pc.writeBlock(0x1000, 256, &f[256 + 256], 256));
    ASSERT_TRUE(pc.writeBlock(0x1000, 0, &f[256], 256));
    ASSERT_TRUE(pc.go(32));
    EXPECT_FALSE(board.state().firmwareRunning);
    EXPECT_EQ(board.state().loaderResult, "blocks do not follow one another");
}

TEST_F(Loader, StartUpWritesStopRunningFirmwareAndForgetItsTables) {
    ASSERT_TRUE(pc.download(file()));
    ASSERT_EQ(pc.define(1, "T1"), 0);
    pc.startup();
    EXPECT_FALSE(board.state().firmwareRunning);
    ASSERT_EQ(pc.prompt(), '*');
    Options o;
    std::vector<std::uint8_t> f = file(o);
    for (std::size_t at = 256; at < f.size(); at += 256) ASSERT_TRUE(pc.writeBlock(o.segment, std::uint16_t(o.offset + at - 256), &f[at], 256));
    ASSERT_TRUE(pc.go(o.offset + o.entry));
    EXPECT_TRUE(board.state().firmwareRunning);
    EXPECT_EQ(board.state().channels[0].formula, "");
}

TEST_F(Loader, WarmStartRunsWithoutAVersion) {
    board.reset(qmxboard::Start::Running);
    EXPECT_TRUE(board.state().firmwareRunning);
    EXPECT_EQ(board.state().firmwareVersion, "");
    EXPECT_EQ(pc.exchange(0x55, {0}).status, 0);
}

TEST(ImageFile, HeaderCarriesLoadAddressVersionAndChecksum) {
    Options o;
    o.version = "V2";
    o.size = 65536;
    o.offset = 0x0000;
    o.segment = 0x2000;
    std::vector<std::uint8_t> f = qmxboard::image::buildFile(o);
    ASSERT_EQ(f.size(), 256u + 65536u);
    auto word = [&](std::size_t i) { return unsigned(f[i] | f[i + 1] << 8); };
    EXPECT_EQ(word(2), 0x0000u);
    EXPECT_EQ(word(4), 0x2000u);
    EXPECT_EQ(word(6), 32u);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(&f[32])), "V2");
    EXPECT_EQ(std::memcmp(&f[24], &f[256 + 12], 4), 0);
    EXPECT_TRUE(qmxboard::image::checkFile(f).ok);
    f[256 + 40] ^= 0x80;
    EXPECT_EQ(qmxboard::image::checkFile(f).fault, "checksum error");
}

TEST(ImageFile, OptionsOutsideTheSegmentMakeNoImage) {
    Options o;
    o.size = 65537;
    EXPECT_TRUE(qmxboard::image::buildImage(o).empty());
    o.size = 16;
    EXPECT_TRUE(qmxboard::image::buildImage(o).empty());
}

TEST(ImageFile, Crc32MatchesTheKnownCheckValue) {
    const char *text = "123456789";
    EXPECT_EQ(qmxboard::image::crc32(reinterpret_cast<const std::uint8_t *>(text), 9), 0xCBF43926u);
}

} // namespace
} // namespace qmxtest
