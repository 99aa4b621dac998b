// End to end: the device library with QMX_PORTS=sim finds this board beside
// itself and talks to it only through the ports. The library's clock hook
// makes its time-outs cost no wall time; its message hook records the texts.
#include "firmware_image.h"
#include "qmxboard.h"
#include "qmxcom32.h"
#include "qmxcom32_host.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Texts = std::vector<std::string>;
const Texts kDemo = {"QMX-X1 not communicating -- Entering DEMO mode"};

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Each look at the clock is a second later: a wait times out after a few polls.
        QmxHostSetClock(
            [](void *) {
                static long now = 0;
                return ++now;
            },
            nullptr);
        QmxHostSetMessageHandler(
            [](void *to, const char *text) { static_cast<Texts *>(to)->push_back(text); },
            &messages);
        QmxMsgBox(1);
        board.reset(qmxboard::Start::Cold);
        board.freeze();
    }
    void TearDown() override
    {
        std::remove(path.c_str());
        QmxHostSetMessageHandler(nullptr, nullptr);
        QmxHostSetClock(nullptr, nullptr);
    }
    // An image file (one at a time), corrupted on request.
    const char *imageFile(const qmxboard::image::Options &o = {}, bool corrupt = false)
    {
        std::vector<std::uint8_t> bytes = qmxboard::image::buildFile(o);
        if (corrupt)
            bytes[bytes.size() / 2] ^= 0x10;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char *>(bytes.data()), bytes.size());
        return path.c_str();
    }
    // A cold board brought up by a download, as the program does at start.
    void bringUp()
    {
        ASSERT_EQ(QmxCommInit(0, imageFile()), 0);
        ASSERT_TRUE(board.state().firmwareRunning);
        messages.clear();
        board.clearTraffic();
    }

    qmxboard::Control board;
    Texts messages;
    const std::string path =
        ::testing::TempDir() + "qmxboard-e2e-" + std::to_string(getpid()) + ".bin";
};

TEST_F(EndToEnd, ColdStartDownloadsAndTheFirmwareVersionIsTheImages)
{
    qmxboard::image::Options o;
    o.version = "E2E 7.25";
    o.size = 3000; // 11 full blocks and one of 184 bytes
    EXPECT_EQ(QmxCommInit(0, imageFile(o)), 0);
    char version[64] = "?";
    EXPECT_EQ(QmxFirmware(version), 0);
    EXPECT_STREQ(version, "E2E 7.25");
    qmxboard::BoardState s = board.state();
    EXPECT_TRUE(s.firmwareRunning);
    EXPECT_EQ(s.loaderBlocks, 12u);
    EXPECT_TRUE(messages.empty());
}

// A host's port bus wins over QMX_PORTS while installed; without it the
// board answers, running, the probe: no file is needed.
TEST_F(EndToEnd, AHostBusWinsOverTheBoardWhileInstalled)
{
    board.reset(qmxboard::Start::Running);
    const QmxPortBus silent = {nullptr, [](void *, unsigned short) -> unsigned char { return 0; },
                               [](void *, unsigned short, unsigned char) {}};
    QmxHostSetPortBus(&silent);
    EXPECT_EQ(QmxCommInit(0, "/nonexistent/Rdx44k.bin"), 1); // no probe answer, no file
    EXPECT_EQ(board.portCounts().total(), 0u);
    QmxHostSetPortBus(nullptr);
    EXPECT_EQ(QmxCommInit(0, "/nonexistent/Rdx44k.bin"), 0);
    EXPECT_EQ(board.calls(), std::vector<std::string>{"QmxGetFpOut()"});
}

// Statuses a formula earns, with their texts (the formula test has every
// status a formula can earn, the library's test every text).
TEST_F(EndToEnd, BoardStatusesBringTheirTextsAndAreReturned)
{
    bringUp();
    ASSERT_EQ(QmxDefineChannel(1, "C2"), 0);
    ASSERT_EQ(QmxDefineChannel(2, "C3"), 0);
    const struct {
        int32_t result, status;
        const char *text;
    } cases[] = {
        {QmxDefineChannel(4, "C0"), 10, "Bad channel number"},
        {QmxDefineChannel(4, "T1+"), 13, "Bad formula"},
        {QmxDefineChannel(3, "C1+1"), 20, "Circular channel definition"},
        {QmxDefineChannel(4, "GOR(T1)"), 23, "Bad set in GOR or LOR function"},
    };
    ASSERT_EQ(messages.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(cases[i].result, cases[i].status) << cases[i].text;
        EXPECT_EQ(messages[i], cases[i].text);
    }
}

TEST_F(EndToEnd, ABoardThatDiesBringsTheDemoMessageOnceThenEmulatedReplies)
{
    bringUp();
    board.setProbe(1, 0.5);
    float v = 0;
    EXPECT_EQ(QmxReadLvdt(1, &v), 0);
    EXPECT_EQ(v, 0.5f);
    board.dieAfterBytes(6); // mid-reply
    EXPECT_EQ(QmxReadLvdt(1, &v), -1);
    EXPECT_EQ(messages, kDemo);
    std::uint64_t accesses = board.portCounts().total();
    v = 9.0f;
    EXPECT_EQ(QmxReadLvdt(1, &v), 0);
    EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(board.portCounts().total(), accesses); // demonstration mode leaves the ports alone
}

TEST_F(EndToEnd, ABadImageLeavesTheBoardCold)
{
    EXPECT_EQ(QmxCommInit(0, imageFile({}, true)), 0); // the start message went out
    qmxboard::BoardState s = board.state();
    EXPECT_FALSE(s.firmwareRunning);
    EXPECT_EQ(s.loaderResult, "checksum error");
    float v = 0;
    EXPECT_EQ(QmxReadChannel(1, &v), -1);
    EXPECT_EQ(messages, kDemo);
}

} // namespace
