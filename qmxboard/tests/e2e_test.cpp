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

// Each look at the clock is a second later: a wait times out after a few polls.
long TickingClock(void *) {
    static long now = 0;
    return ++now;
}

void RecordMessage(void *messages, const char *text) { static_cast<std::vector<std::string> *>(messages)->push_back(text); }

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        QmxHostSetClock(TickingClock, nullptr);
        QmxHostSetMessageHandler(RecordMessage, &messages);
        QmxMsgBox(1);
        board.setBaseAddress(0x310);
        board.reset(qmxboard::Start::Cold);
        board.freeze();
    }
    void TearDown() override {
        for (const std::string &f : files) std::remove(f.c_str());
        QmxHostSetMessageHandler(nullptr, nullptr);
        QmxHostSetClock(nullptr, nullptr);
    }
    std::string imageFile(const qmxboard::image::Options &o, bool corrupt = false) {
        std::vector<std::uint8_t> bytes = qmxboard::image::buildFile(o);
        if (corrupt) bytes[bytes.size() / 2] ^= 0x10;
        std::string path = ::testing::TempDir() + "qmxboard-e2e-" + std::to_string(getpid()) + "-" +
                           std::to_string(files.size()) + ".bin";
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(bytes.data()), bytes.size());
        files.push_back(path);
        return path;
    }
    // A cold board brought up by a download, as the program does at start.
    void bringUp() {
        ASSERT_EQ(QmxCommInit(0, imageFile({}).c_str()), 0);
        ASSERT_TRUE(board.state().firmwareRunning);
        messages.clear();
        board.clearTraffic();
    }

    qmxboard::Control board;
    std::vector<std::string> messages;
    std::vector<std::string> files;
};

TEST_F(EndToEnd, ColdStartDownloadsAndTheFirmwareVersionIsTheImages) {
    qmxboard::image::Options o;
    o.version = "E2E 7.25";
    o.size = 3000;   // 11 full blocks and one of 184 bytes
    EXPECT_EQ(QmxCommInit(0, imageFile(o).c_str()), 0);
    char version[64] = "?";
    EXPECT_EQ(QmxFirmware(version), 0);
    EXPECT_STREQ(version, "E2E 7.25");
    qmxboard::BoardState s = board.state();
    EXPECT_TRUE(s.firmwareRunning);
    EXPECT_EQ(s.firmwareVersion, "E2E 7.25");
    EXPECT_EQ(s.loaderBlocks, 12u);
    EXPECT_TRUE(messages.empty());
    // The probe the library sent first reached no firmware; only later frames are decoded.
    board.clearTraffic();
    int32_t setting = -1;
    EXPECT_EQ(QmxGetFpOut(&setting), 0);
    EXPECT_EQ(setting, 0);
    EXPECT_EQ(board.calls(), std::vector<std::string>{"QmxGetFpOut()"});
}

TEST_F(EndToEnd, RunningBoardAnswersTheProbeAndNeedsNoFile) {
    board.reset(qmxboard::Start::Running);
    EXPECT_EQ(QmxCommInit(0, "/nonexistent/Rdx44k.bin"), 0);
    EXPECT_EQ(board.calls(), std::vector<std::string>{"QmxGetFpOut()"});
    EXPECT_TRUE(messages.empty());
}

TEST_F(EndToEnd, CalibrationsRoundTrip) {
    bringUp();
    using Set = int32_t (*)(int32_t, const float *);
    using Read = int32_t (*)(int32_t, float *);
    const struct { Set set; Read read; int item; float value; } cases[] = {
        {QmxSetCzero, QmxReadCzero, 3, 0.125f},   {QmxSetCscale, QmxReadCscale, 3, 1.0625f},
        {QmxSetTzero, QmxReadTzero, 24, -0.002f}, {QmxSetTfsv, QmxReadTfsv, 24, 0.005f},
        {QmxSetAzero, QmxReadAzero, 4, 0.5f},     {QmxSetAfsv, QmxReadAfsv, 4, 2.5f},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.set(c.item, &c.value), 0);
        float back = -99.0f;
        EXPECT_EQ(c.read(c.item, &back), 0);
        EXPECT_EQ(back, c.value);
    }
    qmxboard::BoardState s = board.state();
    EXPECT_EQ(s.channels[2].zero, 0.125f);
    EXPECT_EQ(s.probes[23].zero, -0.002f);
    EXPECT_EQ(s.inputs[3].fullScale, 2.5f);
    EXPECT_TRUE(messages.empty());
}

TEST_F(EndToEnd, ReadingsAndAChannelFromItsFormula) {
    bringUp();
    board.setProbe(1, 1.25);
    board.setProbe(2, 0.75);
    float v = 0;
    EXPECT_EQ(QmxReadLvdt(1, &v), 0);
    EXPECT_EQ(v, 1.25f);
    // The program's channel defaults, then its formula.
    const float zero = 0.0f, one = 1.0f;
    QmxClearChannel(3);
    QmxSetCzero(3, &zero);
    QmxSetCscale(3, &one);
    EXPECT_EQ(QmxDefineChannel(3, "(T1+T2)/2"), 0);
    EXPECT_EQ(QmxReadChannel(3, &v), 0);
    EXPECT_EQ(v, 1.0f);
    unsigned char *text = nullptr;
    EXPECT_EQ(QmxReadFormula(3, &text), 0);
    EXPECT_STREQ(reinterpret_cast<const char *>(text), "(T1+T2)/2");
    EXPECT_TRUE(board.receivedInOrder({"QmxClearChannel(3)", "QmxSetCzero(3, 0)", "QmxSetCscale(3, 1)",
                                       "QmxDefineChannel(3, \"(T1+T2)/2\")", "QmxReadChannel(3)"}));
    // An empty formula goes as a clear.
    EXPECT_EQ(QmxDefineChannel(3, ""), 0);
    EXPECT_EQ(board.calls().back(), "QmxClearChannel(3)");
}

TEST_F(EndToEnd, BoardStatusesBringTheirTextsAndAreReturned) {
    bringUp();
    float v = 0;
    const struct { int32_t result; const char *text; } cases[] = {
        {QmxDefineChannel(1, "T1+"), "Bad formula"},
        {QmxDefineChannel(1, "T99"), "Bad probe number"},
        {QmxDefineChannel(1, "1.2.3"), "Bad number in formula"},
        {QmxDefineChannel(1, "SIN(T1)"), "Bad symbol"},
        {QmxDefineChannel(1, "GOR(T1)"), "Bad set in GOR or LOR function"},
        {QmxReadChannel(0, &v), "Bad channel number"},
        {QmxReadAnalog(17, &v), "Bad probe number"},
    };
    ASSERT_EQ(messages.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_GT(cases[i].result, 0);
        EXPECT_EQ(messages[i], cases[i].text);
    }
    messages.clear();
    board.answerNextWith(21);
    EXPECT_EQ(QmxStartScan(), 21);
    board.answerNextWith(11);
    EXPECT_EQ(QmxStopScan(), 11);
    EXPECT_EQ(messages, (std::vector<std::string>{"Memory full", "Unknown error:11"}));
    EXPECT_TRUE(board.state().scanRunning);   // the refused stop was not carried out
}

TEST_F(EndToEnd, ABoardThatDiesBringsTheDemoMessageOnceThenEmulatedReplies) {
    bringUp();
    board.setProbe(1, 0.5);
    float v = 0;
    EXPECT_EQ(QmxReadLvdt(1, &v), 0);
    EXPECT_EQ(v, 0.5f);
    board.dieAfterBytes(6);   // mid-reply
    EXPECT_EQ(QmxReadLvdt(1, &v), -1);
    EXPECT_EQ(messages, std::vector<std::string>{"QMX-X1 not communicating -- Entering DEMO mode"});
    std::uint64_t accesses = board.portCounts().total();
    for (int i = 0; i < 3; ++i) {
        v = 9.0f;
        EXPECT_EQ(QmxReadLvdt(1, &v), 0);
        EXPECT_EQ(v, 0.0f);
    }
    unsigned char *text = nullptr;
    EXPECT_EQ(QmxReadFormula(1, &text), 0);
    EXPECT_STREQ(reinterpret_cast<const char *>(text), "T1");
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(board.portCounts().total(), accesses);   // demonstration mode leaves the ports alone
    // The board comes back; the next initialisation finds it running again.
    board.comeBack();
    EXPECT_EQ(QmxCommInit(0, "/nonexistent"), 0);
    EXPECT_EQ(QmxReadLvdt(1, &v), 0);
    EXPECT_EQ(v, 0.5f);
}

TEST_F(EndToEnd, ABadImageLeavesTheBoardCold) {
    EXPECT_EQ(QmxCommInit(0, imageFile({}, true).c_str()), 0);   // the start message went out
    qmxboard::BoardState s = board.state();
    EXPECT_FALSE(s.firmwareRunning);
    EXPECT_EQ(s.loaderResult, "checksum error");
    float v = 0;
    EXPECT_EQ(QmxReadChannel(1, &v), -1);
    EXPECT_EQ(messages, std::vector<std::string>{"QMX-X1 not communicating -- Entering DEMO mode"});
    // A good image afterwards brings it up.
    EXPECT_EQ(QmxCommInit(0, imageFile({}).c_str()), 0);
    EXPECT_TRUE(board.state().firmwareRunning);
}

TEST_F(EndToEnd, ABoardAtAnotherBaseDoesNotAnswer) {
    EXPECT_EQ(QmxCommInit(0x300, imageFile({}).c_str()), 1);
    EXPECT_EQ(messages, std::vector<std::string>{"QMX-X1 not responding"});
    EXPECT_EQ(board.portCounts().statusWrites, 0u);
    board.setBaseAddress(0x300);
    messages.clear();
    EXPECT_EQ(QmxCommInit(0x300, imageFile({}).c_str()), 0);
    EXPECT_TRUE(board.state().firmwareRunning);
}

} // namespace
