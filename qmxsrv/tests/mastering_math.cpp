// The mastering arithmetic, case by case: the results that go to the board
// and every case that must be refused before anything is sent.
#include "dialogs/masteringmath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using qmxsrv::MasteringFault;

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();

struct TwoMasterCase {
    const char *name;
    double reading1, reading2;
    float zero, scaling, master1, master2;
    MasteringFault fault;
    double scale, newZero; // expected when there is no fault
    double tolerance;
};

TEST(MasteringMath, TwoMasters)
{
    const TwoMasterCase cases[] = {
        // raw 1.1 and 2.3: scaling 1/1.2, zero 0.1/1.2
        {"plain", 1.1, 2.3, 0, 1, 1, 2, MasteringFault::None, 1 / 1.2, 0.1 / 1.2, 1e-12},
        // the present calibration is undone first: raw 1 and 2 must show 11 and 21
        {"present calibration undone", 2.5, 4.5, 0.5f, 2, 11, 21, MasteringFault::None, 10, 1,
         0},
        {"masters in falling order", 4.5, 2.5, 0.5f, 2, 21, 11, MasteringFault::None, 10, 1, 0},
        {"negative scaling", 1.0, 3.0, 0, -1, 5, 6, MasteringFault::None, -0.5, 4.5, 0},
        {"difference of exactly 0.00005", 0, 0.00005, 0, 1, 1, 2, MasteringFault::None, 20000,
         1, 1e-9},
        {"readings 1.00000 and 1.00004", 1.0, 1.00004, 0, 1, 1, 2,
         MasteringFault::ReadingsTooClose, 0, 0, 0},
        {"the same reading twice", 2.0, 2.0, 0, 1, 1, 2, MasteringFault::ReadingsTooClose, 0, 0,
         0},
        {"a reading that is not a number", NaN, 2.0, 0, 1, 1, 2,
         MasteringFault::ReadingsTooClose, 0, 0, 0},
        {"present scaling 0", 1.0, 2.0, 0, 0, 1, 2, MasteringFault::ScalingZero, 0, 0, 0},
        {"master 1 equal to master 2", 1.0, 2.0, 0, 1, 1.5f, 1.5f, MasteringFault::MastersEqual,
         0, 0, 0},
        {"scaling beyond single precision", 0, 0.0001, 0, 1, 0, 1e38f,
         MasteringFault::OutOfRange, 0, 0, 0},
        {"scaling that single precision rounds to 0", 0, 1e8, 0, 1, 1e-38f, 0,
         MasteringFault::OutOfRange, 0, 0, 0},
        {"an infinite reading", Inf, 0, 0, 1, 1, 2, MasteringFault::OutOfRange, 0, 0, 0},
        {"a zero offset that is not a number", 1.0, 2.0, std::numeric_limits<float>::quiet_NaN(),
         1, 1, 2, MasteringFault::OutOfRange, 0, 0, 0},
    };
    for (const TwoMasterCase &c : cases) {
        SCOPED_TRACE(c.name);
        const qmxsrv::MasteringResult r = qmxsrv::calibrateFromTwoMasters(
            c.reading1, c.reading2, c.zero, c.scaling, c.master1, c.master2);
        EXPECT_EQ(r.fault, c.fault);
        if (c.fault != MasteringFault::None)
            continue;
        EXPECT_NEAR(r.newScale, c.scale, c.tolerance);
        EXPECT_NEAR(r.newZero, c.newZero, c.tolerance);
        EXPECT_EQ(r.scaleForBoard(), static_cast<float>(r.newScale));
        EXPECT_EQ(r.zeroForBoard(), static_cast<float>(r.newZero));
    }
}

TEST(MasteringMath, OneMaster)
{
    struct Case {
        const char *name;
        double reading;
        float zero, master1;
        MasteringFault fault;
        double newZero;
    } const cases[] = {
        {"zero 0.01, master 1, reading 1.02", 1.02, 0.01f, 1, MasteringFault::None, -0.01},
        {"reading below the master", 0.75, 0, 1, MasteringFault::None, 0.25},
        {"negative master", -2.0, 0.5f, -3, MasteringFault::None, -0.5},
        {"a reading that is not a number", NaN, 0, 1, MasteringFault::OutOfRange, 0},
        {"a zero beyond single precision", -3e38, 0, 3e38f, MasteringFault::OutOfRange, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const qmxsrv::MasteringResult r = qmxsrv::zeroFromOneMaster(c.reading, c.zero, c.master1);
        EXPECT_EQ(r.fault, c.fault);
        if (c.fault == MasteringFault::None) {
            // The inputs are single precision; the arithmetic itself is double.
            EXPECT_NEAR(r.newZero, c.newZero, 1e-7);
            EXPECT_EQ(r.zeroForBoard(), static_cast<float>(r.newZero));
        }
    }
}

TEST(MasteringMath, ArithmeticIsDouble)
{
    // Readings 2^-12 apart around 4096: single precision cannot even hold the
    // second reading, so only double arithmetic gives the exact pair.
    const double r1 = 4096.0;
    const double r2 = 4096.0 + 1.0 / 4096;
    const qmxsrv::MasteringResult r = qmxsrv::calibrateFromTwoMasters(r1, r2, 0, 1, 0, 1);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.newScale, 4096.0);
    EXPECT_EQ(r.newZero, -4096.0 * 4096.0);
}

} // namespace
