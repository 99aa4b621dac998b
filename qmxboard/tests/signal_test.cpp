// The signal model, on the board's clock.
#include "board_fixture.h"

namespace qmxtest {
namespace {

class Signal : public BoardTest {
protected:
    // A board started afresh with this seed, its signal model running, T1 at 0.25.
    void restart(std::uint64_t seed)
    {
        board.setSeed(seed);
        clockNs() = 1'000'000'000;
        board.reset(qmxboard::Start::Running);
        board.freeze(false);
        board.setProbe(1, 0.25);
    }
    // Readings of T1 every 50 ms for a second, polled `polls` times between.
    std::vector<float> trace(int polls = 0)
    {
        std::vector<float> out;
        for (int i = 0; i < 20; ++i) {
            advanceMs(50);
            for (int k = 0; k < polls; ++k)
                pc.readFloat(0x0B, 1);
            out.push_back(pc.readFloat(0x0B, 1));
        }
        return out;
    }
    static double spread(const std::vector<float> &v)
    {
        double mean = 0, sq = 0;
        for (float x : v)
            mean += x / v.size();
        for (float x : v)
            sq += (x - mean) * (x - mean);
        return std::sqrt(sq / v.size());
    }
};

TEST_F(Signal, ProbesMoveAroundTheirPositionFromScanToScanAsTheSeedSays)
{
    restart(42);
    std::vector<float> once = trace();
    for (float x : once)
        EXPECT_NEAR(x, 0.25, 0.002);
    EXPECT_GT(spread(once), 1e-6);
    restart(42);
    EXPECT_EQ(trace(5), once); // however often polled
    restart(43);
    EXPECT_NE(trace(), once);
    // Time stands still within a 50 ms scan.
    float first = pc.readFloat(0x0B, 1);
    advanceMs(20);
    EXPECT_EQ(pc.readFloat(0x0B, 1), first);
    advanceMs(40);
    EXPECT_NE(pc.readFloat(0x0B, 1), first);
}

} // namespace
} // namespace qmxtest
