// The signal model and the scan's smoothing, on the board's clock.
#include "board_fixture.h"

#include <cmath>

namespace qmxtest {
namespace {

class Signal : public BoardTest {
protected:
    void SetUp() override {
        BoardTest::SetUp();
        board.freeze(false);
    }
    // Readings of T1 every 50 ms for a second, polled `polls` times between.
    std::vector<float> trace(int polls) {
        std::vector<float> out;
        for (int i = 0; i < 20; ++i) {
            advanceMs(50);
            for (int k = 0; k < polls; ++k) pc.readFloat(0x0B, 1);
            out.push_back(PcLink::value(pc.readFloat(0x0B, 1)));
        }
        return out;
    }
    static double spread(const std::vector<float> &v) {
        double mean = 0, sq = 0;
        for (float x : v) mean += x;
        mean /= v.size();
        for (float x : v) sq += (x - mean) * (x - mean);
        return std::sqrt(sq / v.size());
    }
};

TEST_F(Signal, SameSeedAndClockGiveTheSameReadingsHoweverOftenPolled) {
    board.setSeed(42);
    board.reset(qmxboard::Start::Running);
    std::vector<float> once = trace(0);
    board.reset(qmxboard::Start::Running);
    clockNs() = 1'000'000'000;
    board.reset(qmxboard::Start::Running);
    std::vector<float> often = trace(5);
    EXPECT_EQ(once, often);
    board.setSeed(43);
    clockNs() = 1'000'000'000;
    board.reset(qmxboard::Start::Running);
    EXPECT_NE(trace(0), once);
}

TEST_F(Signal, ProbesMoveAroundTheirPositionAndFreezeStopsThem) {
    board.setProbe(1, 0.25);
    std::vector<float> moving = trace(0);
    for (float x : moving) EXPECT_NEAR(x, 0.25, 0.002);
    EXPECT_GT(spread(moving), 1e-6);
    board.freeze();
    std::vector<float> frozen = trace(0);
    for (float x : frozen) EXPECT_EQ(x, 0.25f);
}

TEST_F(Signal, TimeStandsStillBetweenScans) {
    std::vector<float> a, b;
    advanceMs(50);
    float first = PcLink::value(pc.readFloat(0x0B, 1));
    advanceMs(20);   // within the same 50 ms scan
    EXPECT_EQ(PcLink::value(pc.readFloat(0x0B, 1)), first);
    advanceMs(40);
    EXPECT_NE(PcLink::value(pc.readFloat(0x0B, 1)), first);
}

TEST_F(Signal, AveragingSmoothsTheNoise) {
    // Differences between successive scans are mostly noise; the motion is slow.
    auto jitter = [&](std::uint16_t adc, std::uint16_t run) {
        pc.exchange(0x5A, {std::uint8_t(adc), 0});
        pc.exchange(0x5B, {std::uint8_t(run), 0});
        std::vector<float> v = trace(0);
        std::vector<float> d;
        for (std::size_t i = 1; i < v.size(); ++i) d.push_back(v[i] - v[i - 1]);
        return spread(d);
    };
    double plain = jitter(1, 1);
    double burst = jitter(32, 1);
    double running = jitter(1, 16);
    EXPECT_LT(burst, plain / 2);
    EXPECT_LT(running, plain / 2);
}

} // namespace
} // namespace qmxtest
