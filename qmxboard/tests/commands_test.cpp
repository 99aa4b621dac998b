// The running firmware's commands, through the ports as the PC sends them.
#include "board_fixture.h"

namespace qmxtest {
namespace {

using Commands = BoardTest;
using Floats = std::vector<float>;

struct Sent {
    std::uint8_t code;
    Bytes data;
};

TEST_F(Commands, ReadingsFromPositionsFullScalesAndZeros)
{
    // Power-on calibrations (LVDT and input full scale, channel scaling and
    // zero) make readings equal positions.
    EXPECT_EQ(pc.reads({{0x16, 3}, {0x18, 3}, {0x37, 3}, {0x35, 3}}), (Floats{0.005f, 1, 1, 0}));
    board.setProbe(1, 1.25);
    board.setInput(2, -3.5);
    EXPECT_EQ(pc.reads({{0x0B, 1}, {0x0C, 2}}), (Floats{1.25f, -3.5f}));

    board.setProbe(2, 0.01);
    board.setInput(1, 2.0);
    pc.setFloat(0x15, 2, 0.01f); // program full scale 0.04: twice the unit scale
    pc.setFloat(0x20, 2, 0.5f);
    pc.setFloat(0x17, 1, 2.5f);
    pc.setFloat(0x2A, 1, -1.0f);
    EXPECT_FLOAT_EQ(pc.readFloat(0x0B, 2), 0.01f * 2 + 0.5f);
    EXPECT_FLOAT_EQ(pc.readFloat(0x0C, 1), 2.0f * 2.5f - 1.0f);
    // Positions beyond the full scale are not clamped: a master of 2.0 reads 2.0.
    board.setProbe(3, 2.0);
    EXPECT_EQ(pc.readFloat(0x0B, 3), 2.0f);
}

TEST_F(Commands, FormulaTextIsStoredAndCleared)
{
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
    // The longest formula travels with count 00 (256 data bytes).
    std::string longest = "T1";
    while (longest.size() + 3 <= 254)
        longest += "+T1";
    longest += std::string(254 - longest.size(), ' ');
    board.setProbe(1, 0.5);
    EXPECT_EQ(pc.define(1, longest), 0);
    EXPECT_EQ(pc.channel(1), 42.5f);
    EXPECT_EQ(pc.exchange(0x0D, {1}).data.size(), 255u);
}

TEST_F(Commands, RefusedItemNumbersCodesAndShortFrames)
{
    const struct {
        Sent frame;
        int status;
    } cases[] = {
        {{0x04, {0}}, 10},
        {{0x06, {0}}, 10},
        {{0x0D, {0}}, 10},
        {{0x35, {0}}, 10},
        {{0x04, {255}}, 0},
        {{0x0B, {0}}, 15},
        {{0x0B, {65}}, 15},
        {{0x16, {65}}, 15},
        {{0x21, {200}}, 15},
        {{0x0B, {64}}, 0},
        {{0x0C, {0}}, 15},
        {{0x0C, {17}}, 15},
        {{0x18, {17}}, 15},
        {{0x2B, {17}}, 15},
        {{0x0C, {16}}, 0},
        {{0x15, {65, 0, 0, 0, 0}}, 15},
        {{0x34, {0, 0, 0, 0, 0}}, 10},
        {{0x03, {0, 'T', '1', 0}}, 10},
        // Unknown codes, and frames too short for their data (a float needs 4 bytes, a word 2).
        {{0x3F, {1}}, 11},
        {{0x34, {1, 0, 0}}, 11},
        {{0x0A, {1}}, 11},
        {{0x02, {7}}, 11},
        {{0x01, {1, 0, 0, 0, 0}}, 11},
    };
    for (const auto &c : cases) {
        PcLink::Reply r = pc.exchange(c.frame.code, c.frame.data);
        EXPECT_EQ(r.status, c.status) << int(c.frame.code) << " " << int(c.frame.data[0]);
        if (c.status != 0) {
            EXPECT_EQ(r.data, Bytes{0}); // a refusal carries one zero byte
        }
    }
    // The board goes on answering; a command without data answers one zero byte too.
    PcLink::Reply r = pc.exchange(0x07, {0});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.data, Bytes{0});
}

TEST_F(Commands, SettingsAndCalibrationsAreStoredAndReadBack)
{
    const Sent sets[] = {{0x50, {0x12}},       {0x51, {0xFE}}, {0x53, {3}},   {0x52, {0x34, 0x12}},
                         {0x0A, {0xF4, 0x01}}, {0x5A, {8, 0}}, {0x5B, {3, 0}}};
    for (const auto &f : sets)
        EXPECT_EQ(pc.exchange(f.code, f.data).status, 0);
    EXPECT_EQ(pc.exchange(0x54, {0}).data, (Bytes{0x12, 0}));
    EXPECT_EQ(pc.exchange(0x55, {0}).data, (Bytes{0xFE, 0}));
    EXPECT_EQ(pc.exchange(0x57, {0, 0}).data, (Bytes{3, 0}));
    qmxboard::BoardState s = board.state();
    EXPECT_EQ((std::vector<unsigned>{s.muxTime, s.scanPeriod, s.adcAverage, s.runAverage}),
              (std::vector<unsigned>{0x1234, 500, 8, 3}));
    // Calibrations at the last item of each kind: channel scaling, LVDT full
    // scale, input zero. The program's tests round-trip the others.
    const struct {
        std::uint8_t set, read;
        int item;
        float value;
    } calibrations[] = {
        {0x36, 0x37, 255, 3e-7f}, {0x15, 0x16, 64, -2.5f}, {0x2A, 0x2B, 16, -0.25f}};
    for (const auto &c : calibrations) {
        EXPECT_EQ(pc.setFloat(c.set, c.item, c.value), 0);
        EXPECT_EQ(pc.readFloat(c.read, c.item), c.value);
    }
}

TEST_F(Commands, DirectReadGivesRawPositionsAndMemoryReadGivesBoardMemory)
{
    board.setProbe(64, 0.75);
    pc.setFloat(0x15, 64, 0.01f); // calibration does not enter raw positions
    board.setInput(16, -1.5);
    const struct {
        std::uint8_t which;
        std::size_t size;
        float last;
    } reads[] = {{0, 256, 0.75f}, {1, 64, -1.5f}};
    for (const auto &read : reads) {
        PcLink::Reply r = pc.exchange(0x02, {read.which});
        ASSERT_EQ(r.status, 0);
        ASSERT_EQ(r.data.size(), read.size);
        float last;
        std::memcpy(&last, &r.data[read.size - 4], 4);
        EXPECT_EQ(last, read.last);
    }
    PcLink::Reply r = pc.exchange(0x01, {0, 0, 0, 0, 0x10});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.data.size(), 256u);
}

TEST_F(Commands, MemoriesFollowTheScanResetWith09AndHoldWhileStopped)
{
    ASSERT_EQ(pc.define(1, "MAX(T1)"), 0);
    ASSERT_EQ(pc.define(2, "MIN(T1)"), 0);
    ASSERT_EQ(pc.define(3, "TIR(T1)"), 0);
    for (double x : {1.0, 3.0, 2.0}) {
        board.setProbe(1, x);
        advanceMs(50);
        pc.channel(1); // the board runs the scans that are due when it is next asked
    }
    EXPECT_EQ(pc.reads({{0x04, 1}, {0x04, 2}, {0x04, 3}}), (Floats{3, 1, 2}));
    EXPECT_EQ(pc.exchange(0x09, {0}).status, 0);
    EXPECT_EQ(pc.reads({{0x04, 1}, {0x04, 2}, {0x04, 3}}), (Floats{2, 2, 0}));
    advanceMs(50);
    EXPECT_EQ(pc.exchange(0x08, {0}).status, 0);
    board.setProbe(1, 5.0);
    advanceMs(500);
    EXPECT_EQ(pc.channel(1), 5.0f); // the present value shows, but the memory did not take it
    board.setProbe(1, 0.0);
    EXPECT_EQ(pc.channel(1), 2.0f);
    // The scan period paces the scans once started again.
    std::uint64_t before = board.state().scans;
    EXPECT_EQ(pc.exchange(0x07, {0}).status, 0);
    EXPECT_EQ(pc.exchange(0x0A, {100, 0}).status, 0); // 10 ms
    advanceMs(100);
    EXPECT_EQ(board.state().scans - before, 11u);
}

} // namespace
} // namespace qmxtest
