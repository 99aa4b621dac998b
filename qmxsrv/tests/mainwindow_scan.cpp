// The scan cycle on the simulated board, its signals recorded: what a tick
// reads and what it hands to the DDE items, the windows and the dialogs.
#include "core_board.h"
#include "mainwindow/scancycle.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <utility>

using namespace qmxsrv;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;

namespace {

class Scan : public qmxtest::OnBoard {
protected:
    Scan()
    {
        useCounts(8, 4, 2);
        const auto record = [this](auto signal, auto slot) {
            QObject::connect(&scan, signal, &windows, slot);
        };
        record(&ScanCycle::labelChanValue,
               [this](std::int16_t ch, const std::string &t) { labels.emplace_back(ch, t); });
        record(&ScanCycle::gridValue,
               [this](std::int16_t n, const std::string &t) { grid.emplace_back(n, t); });
        record(&ScanCycle::barValue, [this](std::int16_t n, float v) { bars.emplace_back(n, v); });
        record(&ScanCycle::masteringValue,
               [this](const std::string &t) { dialogs.push_back("mastering" + t); });
        record(&ScanCycle::channelSetupValue,
               [this](const std::string &t) { dialogs.push_back("channel" + t); });
        record(&ScanCycle::lvdtSetupTick, [this](const ScanCycle::InputReader &read) {
            if (const auto t = read(lvdtBox))
                dialogs.push_back("lvdt" + *t);
        });
        record(&ScanCycle::analogSetupTick, [this](const ScanCycle::InputReader &read) {
            if (const auto t = read(analogBox))
                dialogs.push_back("analog" + *t);
        });
    }

    void show(std::int16_t mode)
    {
        state.view.DisplayMode = mode;
        scan.resetLastValues();
    }
    // One tick; what it handed on, and the board reads it made.
    void tick()
    {
        labels.clear();
        grid.clear();
        bars.clear();
        dialogs.clear();
        board.clearTraffic();
        scan.tick();
        reads = takeCalls();
    }
    channel &ch(int i) { return state.Channels.Item(i); }

    ScanCycle scan{state};
    QObject windows; // stands for every window and dialog
    std::string lvdtBox, analogBox;
    std::vector<std::pair<int, std::string>> labels, grid;
    std::vector<std::pair<int, float>> bars;
    std::vector<std::string> dialogs, reads;
};

TEST_F(Scan, ChannelsShowEveryValueOnceThenOnlyChangedOnes)
{
    ch(1).setFormula("T1");
    ch(2).setFormula("T2");
    ch(2).Decimals = 3;
    ch(3).Decimals = 0;
    ch(3).setZeroOffset(12);
    board.setProbe(1, 0.01234);
    board.setProbe(2, -0.5);
    show(ViewState::ShowChannels);

    tick();
    EXPECT_EQ(reads.size(), 8u);
    EXPECT_EQ(reads[0], "QmxReadChannel(1)");
    ASSERT_EQ(labels.size(), 8u);
    EXPECT_THAT(
        std::vector(labels.begin(), labels.begin() + 4),
        ElementsAre(Pair(1, " 0.01234"), Pair(2, "-0.500"), Pair(3, " 12."), Pair(4, " 0.00000")));
    EXPECT_EQ(grid, labels) << "rows are channel numbers";
    ASSERT_EQ(bars.size(), 8u);
    EXPECT_THAT(bars[1], Pair(2, -0.5f));

    tick();
    EXPECT_EQ(reads.size(), 8u) << "every channel is still read";
    EXPECT_THAT(labels, IsEmpty());
    EXPECT_THAT(grid, IsEmpty());
    EXPECT_THAT(bars, IsEmpty());

    board.setProbe(2, 0.25);
    tick();
    EXPECT_THAT(labels, ElementsAre(Pair(2, " 0.250")));
    EXPECT_THAT(bars, ElementsAre(Pair(2, 0.25f)));
}

// Each shown channel's reading is the value read and its verdict against
// the channel's limits; a refused read or a board gone to demonstration
// mode has none, and a change of trust alone shows the channel again.
TEST_F(Scan, ShownChannelsKeepTheirReading)
{
    for (int i = 1; i <= 3; ++i) {
        ch(i).setFormula("T" + std::to_string(i));
        ch(i).LoTol = -0.01f;
        ch(i).LoAppr = -0.005f;
        ch(i).HiAppr = 0.005f;
        ch(i).HiTol = 0.01f;
    }
    board.setProbe(1, 0.001);
    board.setProbe(2, -0.007);
    board.setProbe(3, 0.5);
    show(ViewState::ShowChannels);
    EXPECT_EQ(scan.lastReading(1), ChannelReading()) << "nothing shown yet";
    tick();
    // Channel 4 has no formula: what it reads is no measurement.
    const ChannelReading expected[] = {{0.001, Verdict::Good},
                                       {-0.007, Verdict::Approach},
                                       {0.5, Verdict::Reject},
                                       {std::nullopt, Verdict::Invalid}};
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(scan.lastReading(i), expected[i - 1]) << i;
    EXPECT_EQ(scan.lastReading(0), ChannelReading());
    EXPECT_EQ(scan.lastReading(9), ChannelReading());

    board.answerNextWith(14); // the first read of the tick is refused
    tick();
    EXPECT_EQ(scan.lastReading(1), ChannelReading());
    EXPECT_EQ(labels.front(), std::make_pair(1, std::string(" 0.00000")));
    tick();
    EXPECT_EQ(scan.lastReading(1), expected[0]) << "trusted again";
    ASSERT_FALSE(labels.empty());
    EXPECT_EQ(labels.front().first, 1);

    board.dieNow();
    tick();
    for (int i = 1; i <= 8; ++i)
        EXPECT_EQ(scan.lastReading(i), ChannelReading()) << i;
    EXPECT_EQ(labels.size(), 3u) << "the three that measured turn untrusted";
}

// The sentinel is not shown on the tick after a reset; channels added since
// the reset are, and a count of none reads nothing.
TEST_F(Scan, TheSentinelAndChannelsAddedSinceTheLastReset)
{
    ch(5).setFormula("T1");
    ch(5).setZeroOffset(ScanCycle::NotShown);
    show(ViewState::ShowChannels);
    tick();
    EXPECT_EQ(labels.size(), 7u);
    for (const auto &label : labels)
        EXPECT_NE(label.first, 5);

    ch(5).setZeroOffset(-9998);
    ASSERT_TRUE(CreateChannels(state, 10));
    takeCalls();
    tick();
    EXPECT_THAT(labels,
                ElementsAre(Pair(5, "-9998.00000"), Pair(9, " 0.00000"), Pair(10, " 0.00000")));

    ASSERT_TRUE(CreateChannels(state, -3));
    tick();
    EXPECT_THAT(reads, IsEmpty());
}

TEST_F(Scan, GroupRowsAreGroupPositions)
{
    auto &g = state.Groups.Add(std::make_unique<group>());
    g.AddChannel(7);
    g.AddChannel(99); // no such channel: left out, the rest goes on
    g.AddChannel(3);
    ch(7).setZeroOffset(0.7f);
    ch(3).setZeroOffset(0.3f);

    struct Case {
        std::int16_t group;
        std::vector<std::pair<int, std::string>> labels, grid;
        std::size_t reads;
    };
    const std::vector<Case> cases = {
        {0, {}, {}, 0}, // no group chosen yet
        {2, {}, {}, 0}, // no such group
        {1, {{7, " 0.70000"}, {3, " 0.30000"}}, {{1, " 0.70000"}, {3, " 0.30000"}}, 2},
    };
    for (const Case &c : cases) {
        state.view.CurrentGroup = c.group;
        show(ViewState::ShowGroup);
        tick();
        EXPECT_EQ(labels, c.labels) << "group " << c.group;
        EXPECT_EQ(grid, c.grid) << "group " << c.group;
        EXPECT_EQ(reads.size(), c.reads) << "group " << c.group;
    }
    EXPECT_THAT(bars, ElementsAre(Pair(1, 0.7f), Pair(3, 0.3f)));
}

// A tick over the longest list a group can hold ends, reaching its last member.
TEST_F(Scan, ATickOverTheLongestGroupEnds)
{
    auto &g = state.Groups.Add(std::make_unique<group>());
    for (int i = 0; i < 32766; ++i)
        g.AddChannel(99); // no such channel: skipped without a board read
    g.AddChannel(3);
    ASSERT_EQ(g.Count(), 32767);
    ch(3).setZeroOffset(0.3f);
    state.view.CurrentGroup = 1;
    show(ViewState::ShowGroup);
    tick();
    EXPECT_THAT(labels, ElementsAre(Pair(3, " 0.30000")));
    EXPECT_THAT(grid, ElementsAre(Pair(32767, " 0.30000")));
    EXPECT_EQ(reads.size(), 1u);
}

// Update off and ScanHold hold the display part; the live values go on,
// leaving out the items that do not exist.
TEST_F(Scan, HeldDisplayKeepsTheLiveValuesGoingAndMissingItemsAreLeftOut)
{
    ch(2).setFormula("T1");
    ch(2).Decimals = 2;
    board.setProbe(1, 1.5);
    board.setProbe(3, 0.003);
    board.setProbe(4, 0.004);
    board.setInput(2, -1);
    state.live.MasteringChannel = 2;
    state.live.LiveChannel = 2;
    state.live.LiveLvdt = 1;
    state.live.LiveAnalog = 1;
    lvdtBox = "3";
    analogBox = " 2";
    show(ViewState::ShowChannels);
    const std::vector<std::string> live = {"mastering 1.50", "channel 1.50", "lvdt 0.00300",
                                           "analog-1.00000"};

    for (const bool updateOff : {true, false}) {
        state.view.UpdateEnabled = !updateOff;
        state.view.ScanHold = updateOff ? 0 : 1;
        tick();
        EXPECT_EQ(dialogs, live);
        EXPECT_THAT(labels, IsEmpty());
        EXPECT_THAT(grid, IsEmpty());
        EXPECT_EQ(reads.size(), 4u);
    }
    EXPECT_EQ(state.live.MasteringValue, 1.5);

    state.live.MasteringChannel = 9;
    state.live.LiveChannel = -1;
    const std::vector<std::pair<std::string, std::vector<std::string>>> boxes = {
        {"", {}}, {"abc", {}}, {"5", {}}, {"-1", {}}, {"70000", {}}, {"4", {"lvdt 0.00400"}},
    };
    for (const auto &[text, shown] : boxes) {
        lvdtBox = text;
        analogBox = text; // 2 inputs only
        tick();
        EXPECT_EQ(dialogs, shown) << '"' << text << '"';
    }
    state.view.ScanHold = 0;
    tick();
    EXPECT_EQ(labels.size(), 8u) << "the tick goes on to the display";
}

} // namespace
