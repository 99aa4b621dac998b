// The running firmware's commands, through the ports as the PC sends them.
#include "board_fixture.h"

#include <cmath>
#include <cstring>

namespace qmxtest {
namespace {

using Bytes = std::vector<std::uint8_t>;

class Commands : public BoardTest {};

TEST_F(Commands, CalibrationsRoundTripForEveryItemKind) {
    const struct { std::uint8_t set, read; int item; float value; } cases[] = {
        {0x15, 0x16, 1, 0.0125f},  {0x15, 0x16, 64, -2.5f}, {0x20, 0x21, 24, 0.001f},
        {0x17, 0x18, 1, 10.0f},    {0x17, 0x18, 16, 0.5f},  {0x2A, 0x2B, 4, -0.25f},
        {0x34, 0x35, 1, 1.5f},     {0x34, 0x35, 255, 3e-7f}, {0x36, 0x37, 7, 0.97f},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(pc.setFloat(c.set, c.item, c.value), 0);
        PcLink::Reply r = pc.readFloat(c.read, c.item);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.data.size(), 4u);
        EXPECT_EQ(PcLink::value(r), c.value) << std::hex << int(c.set) << " item " << std::dec << c.item;
    }
}

TEST_F(Commands, PowerOnCalibrationsMakeReadingsEqualPositions) {
    EXPECT_EQ(PcLink::value(pc.readFloat(0x16, 3)), 0.005f);
    EXPECT_EQ(PcLink::value(pc.readFloat(0x18, 3)), 1.0f);
    EXPECT_EQ(PcLink::value(pc.readFloat(0x37, 3)), 1.0f);
    EXPECT_EQ(PcLink::value(pc.readFloat(0x35, 3)), 0.0f);
    board.setProbe(1, 1.25);
    board.setInput(2, -3.5);
    EXPECT_EQ(PcLink::value(pc.readFloat(0x0B, 1)), 1.25f);
    EXPECT_EQ(PcLink::value(pc.readFloat(0x0C, 2)), -3.5f);
}

TEST_F(Commands, FullScaleAndZeroEnterReadings) {
    board.setProbe(2, 0.01);
    board.setInput(1, 2.0);
    pc.setFloat(0x15, 2, 0.01f);   // program full scale 0.04: twice the unit scale
    pc.setFloat(0x20, 2, 0.5f);
    pc.setFloat(0x17, 1, 2.5f);
    pc.setFloat(0x2A, 1, -1.0f);
    EXPECT_FLOAT_EQ(PcLink::value(pc.readFloat(0x0B, 2)), 0.01f * 2 + 0.5f);
    EXPECT_FLOAT_EQ(PcLink::value(pc.readFloat(0x0C, 1)), 2.0f * 2.5f - 1.0f);
    // Positions beyond the full scale are not clamped: a master of 2.0 reads 2.0.
    board.setProbe(3, 2.0);
    EXPECT_EQ(PcLink::value(pc.readFloat(0x0B, 3)), 2.0f);
}

TEST_F(Commands, ChannelFromFormulaWithCalibration) {
    board.setProbe(1, 1.0);
    board.setProbe(2, 0.5);
    ASSERT_EQ(pc.define(3, "T1-T2"), 0);
    EXPECT_EQ(pc.channel(3), 0.5f);
    pc.setFloat(0x36, 3, 4.0f);
    pc.setFloat(0x34, 3, 0.25f);
    EXPECT_EQ(pc.channel(3), 2.25f);
    // A channel without a formula reads its zero offset.
    pc.setFloat(0x34, 9, -0.125f);
    EXPECT_EQ(pc.channel(9), -0.125f);
}

TEST_F(Commands, FormulaTextIsStoredAndCleared) {
    ASSERT_EQ(pc.define(5, "(T1 + T2)/2"), 0);
    PcLink::Reply r = pc.exchange(0x0D, {5});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(std::string(r.data.begin(), r.data.end()), std::string("(T1 + T2)/2\0", 12));
    EXPECT_EQ(pc.exchange(0x06, {5}).status, 0);
    EXPECT_EQ(pc.exchange(0x0D, {5}).data, Bytes{0});
    ASSERT_EQ(pc.define(6, "T1"), 0);
    ASSERT_EQ(pc.define(7, "T2"), 0);
    EXPECT_EQ(pc.exchange(0x05, {0}).status, 0);
    EXPECT_EQ(board.state().formulaTableUsed, 0u);
    EXPECT_EQ(pc.exchange(0x0D, {7}).data, Bytes{0});
    // A blank formula clears like an empty one.
    ASSERT_EQ(pc.define(6, "T1"), 0);
    ASSERT_EQ(pc.define(6, "  "), 0);
    EXPECT_EQ(board.state().channels[5].formula, "");
}

TEST_F(Commands, LongestFormulaTravelsWithCountZero) {
    std::string formula = "T1";
    while (formula.size() + 3 <= 254) formula += "+T1";
    formula += std::string(254 - formula.size(), ' ');
    ASSERT_EQ(formula.size(), 254u);
    board.setProbe(1, 0.5);
    EXPECT_EQ(pc.define(1, formula), 0);   // 256 data bytes: count byte 00
    EXPECT_EQ(pc.channel(1), 42.5f);
    PcLink::Reply r = pc.exchange(0x0D, {1});
    EXPECT_EQ(r.data.size(), 255u);
}

TEST_F(Commands, FormulaFaultsComeBackAsStatuses) {
    const struct { const char *formula; int status; } cases[] = {
        {"C0", 10}, {"(T1", 12}, {"T1+", 13}, {"T65", 15}, {"T1 T2", 16}, {"1.2.3", 17},
        {"Q7", 18}, {"-----------------1", 19}, {"MAX(T1,T2)", 22}, {"GOR(T1)", 23},
    };
    for (const auto &c : cases) EXPECT_EQ(pc.define(2, c.formula), c.status) << c.formula;
    ASSERT_EQ(pc.define(1, "C2"), 0);
    ASSERT_EQ(pc.define(2, "C3"), 0);
    EXPECT_EQ(pc.define(3, "C1+1"), 20);
}

TEST_F(Commands, ItemNumbersOutOfRangeAreRefused) {
    const struct { std::uint8_t code; int item; int status; } cases[] = {
        {0x04, 0, 10}, {0x06, 0, 10}, {0x0D, 0, 10}, {0x35, 0, 10}, {0x04, 255, 0},
        {0x0B, 0, 15}, {0x0B, 65, 15}, {0x16, 65, 15}, {0x21, 200, 15}, {0x0B, 64, 0},
        {0x0C, 0, 15}, {0x0C, 17, 15}, {0x18, 17, 15}, {0x2B, 17, 15},  {0x0C, 16, 0},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(pc.exchange(c.code, {std::uint8_t(c.item)}).status, c.status)
            << std::hex << int(c.code) << std::dec << " item " << c.item;
    }
    EXPECT_EQ(pc.setFloat(0x15, 65, 1.0f), 15);
    EXPECT_EQ(pc.setFloat(0x34, 0, 1.0f), 10);
    EXPECT_EQ(pc.define(0, "T1"), 10);
}

TEST_F(Commands, UnknownCodesAndShortFramesGetStatus11) {
    EXPECT_EQ(pc.exchange(0x3F, {1}).status, 11);
    EXPECT_EQ(pc.exchange(0x34, {1, 0, 0}).status, 11);   // a float needs 4 bytes
    EXPECT_EQ(pc.exchange(0x0A, {1}).status, 11);         // a word needs 2
    EXPECT_EQ(pc.exchange(0x02, {7}).status, 11);
    EXPECT_EQ(pc.exchange(0x01, {1, 0, 0, 0, 0}).status, 11);
    // The board goes on answering.
    EXPECT_EQ(pc.exchange(0x55, {0}).status, 0);
}

TEST_F(Commands, RepliesWithoutDataCarryOneZeroByte) {
    PcLink::Reply r = pc.exchange(0x07, {0});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.data, Bytes{0});
    r = pc.exchange(0x3F, {0});
    EXPECT_EQ(r.status, 11);
    EXPECT_EQ(r.data, Bytes{0});
}

TEST_F(Commands, SettingsAreStoredAndReadBack) {
    EXPECT_EQ(pc.exchange(0x50, {0x12}).status, 0);
    EXPECT_EQ(pc.exchange(0x51, {0xFE}).status, 0);
    EXPECT_EQ(pc.exchange(0x53, {3}).status, 0);
    EXPECT_EQ(pc.exchange(0x52, {0x34, 0x12}).status, 0);
    EXPECT_EQ(pc.exchange(0x0A, {0xF4, 0x01}).status, 0);
    EXPECT_EQ(pc.exchange(0x5A, {8, 0}).status, 0);
    EXPECT_EQ(pc.exchange(0x5B, {3, 0}).status, 0);
    EXPECT_EQ(pc.exchange(0x54, {0}).data, (Bytes{0x12, 0}));
    EXPECT_EQ(pc.exchange(0x55, {0}).data, (Bytes{0xFE, 0}));
    EXPECT_EQ(pc.exchange(0x57, {0, 0}).data, (Bytes{3, 0}));
    qmxboard::BoardState s = board.state();
    EXPECT_EQ(s.muxTime, 0x1234u);
    EXPECT_EQ(s.scanPeriod, 500u);
    EXPECT_EQ(s.adcAverage, 8u);
    EXPECT_EQ(s.runAverage, 3u);
}

TEST_F(Commands, DirectReadGivesRawPositionsAndMemoryReadGivesBoardMemory) {
    board.setProbe(64, 0.75);
    pc.setFloat(0x15, 64, 0.01f);   // calibration does not enter raw positions
    PcLink::Reply r = pc.exchange(0x02, {0});
    ASSERT_EQ(r.status, 0);
    ASSERT_EQ(r.data.size(), 256u);
    float last;
    std::memcpy(&last, &r.data[252], 4);
    EXPECT_EQ(last, 0.75f);
    board.setInput(16, -1.5);
    r = pc.exchange(0x02, {1});
    ASSERT_EQ(r.data.size(), 64u);
    std::memcpy(&last, &r.data[60], 4);
    EXPECT_EQ(last, -1.5f);
    r = pc.exchange(0x01, {0, 0, 0, 0, 0x10});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.data.size(), 256u);
}

TEST_F(Commands, MemoriesFollowTheScanAndResetWithCode09) {
    ASSERT_EQ(pc.define(1, "MAX(T1)"), 0);
    ASSERT_EQ(pc.define(2, "MIN(T1)"), 0);
    ASSERT_EQ(pc.define(3, "TIR(T1)"), 0);
    for (double x : {1.0, 3.0, 2.0}) {
        board.setProbe(1, x);
        advanceMs(50);
        pc.channel(1);   // the board runs the scans that are due when it is next asked
    }
    EXPECT_EQ(pc.channel(1), 3.0f);
    EXPECT_EQ(pc.channel(2), 1.0f);
    EXPECT_EQ(pc.channel(3), 2.0f);
    EXPECT_EQ(pc.exchange(0x09, {0}).status, 0);
    EXPECT_EQ(pc.channel(1), 2.0f);
    EXPECT_EQ(pc.channel(2), 2.0f);
    EXPECT_EQ(pc.channel(3), 0.0f);
}

TEST_F(Commands, ScanStopHoldsTheMemoriesAndPeriodPacesTheScans) {
    ASSERT_EQ(pc.define(1, "MAX(T1)"), 0);
    board.setProbe(1, 1.0);
    advanceMs(50);
    pc.channel(1);
    EXPECT_EQ(pc.exchange(0x08, {0}).status, 0);
    board.setProbe(1, 5.0);
    advanceMs(500);
    // The present value shows, but the memory did not take it.
    EXPECT_EQ(pc.channel(1), 5.0f);
    board.setProbe(1, 0.0);
    EXPECT_EQ(pc.channel(1), 1.0f);
    std::uint64_t before = board.state().scans;
    EXPECT_EQ(pc.exchange(0x07, {0}).status, 0);
    EXPECT_EQ(pc.exchange(0x0A, {100, 0}).status, 0);   // 10 ms
    advanceMs(100);
    EXPECT_EQ(board.state().scans - before, 11u);
}

} // namespace
} // namespace qmxtest
