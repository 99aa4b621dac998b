// The mastering arithmetic: the results that go to the board, and every
// case that must be refused before anything is sent.
#include "dialogs/masteringmath.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using Fault = qmxsrv::MasteringFault;

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();

TEST(MasteringMath, TwoMasters)
{
    struct Case {
        const char *name;
        double reading1, reading2;
        float zero, scaling, master1, master2;
        Fault fault;
        double scale, newZero, tolerance;
    } const cases[] = {
        {"raw 1.1 and 2.3", 1.1, 2.3, 0, 1, 1, 2, Fault::None, 1 / 1.2, 0.1 / 1.2, 1e-12},
        {"present calibration undone", 2.5, 4.5, 0.5f, 2, 11, 21, Fault::None, 10, 1, 0},
        {"masters in falling order", 4.5, 2.5, 0.5f, 2, 21, 11, Fault::None, 10, 1, 0},
        {"negative scaling", 1.0, 3.0, 0, -1, 5, 6, Fault::None, -0.5, 4.5, 0},
        {"exactly 0.00005 apart", 0, 0.00005, 0, 1, 1, 2, Fault::None, 20000, 1, 1e-9},
        // 4096 + 2^-12 has no single-precision form: double arithmetic only
        {"double precision", 4096, 4096 + 1.0 / 4096, 0, 1, 0, 1, Fault::None, 4096, -4096.0 * 4096,
         0},
        {"1.00000 and 1.00004", 1.0, 1.00004, 0, 1, 1, 2, Fault::ReadingsTooClose, 0, 0, 0},
        {"the same reading", 2.0, 2.0, 0, 1, 1, 2, Fault::ReadingsTooClose, 0, 0, 0},
        {"reading not a number", NaN, 2.0, 0, 1, 1, 2, Fault::ReadingsTooClose, 0, 0, 0},
        {"present scaling 0", 1.0, 2.0, 0, 0, 1, 2, Fault::ScalingZero, 0, 0, 0},
        {"master 1 equal to master 2", 1.0, 2.0, 0, 1, 1.5f, 1.5f, Fault::MastersEqual, 0, 0, 0},
        {"scaling beyond float", 0, 0.0001, 0, 1, 0, 1e38f, Fault::OutOfRange, 0, 0, 0},
        {"scaling rounding to 0", 0, 1e8, 0, 1, 1e-38f, 0, Fault::OutOfRange, 0, 0, 0},
        {"infinite reading", Inf, 0, 0, 1, 1, 2, Fault::OutOfRange, 0, 0, 0},
        {"zero not a number", 1.0, 2.0, float(NaN), 1, 1, 2, Fault::OutOfRange, 0, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const qmxsrv::MasteringResult r = qmxsrv::calibrateFromTwoMasters(
            c.reading1, c.reading2, c.zero, c.scaling, c.master1, c.master2);
        EXPECT_EQ(r.fault, c.fault);
        if (c.fault == Fault::None) {
            EXPECT_NEAR(r.newScale, c.scale, c.tolerance);
            EXPECT_NEAR(r.newZero, c.newZero, c.tolerance);
        }
    }
}

TEST(MasteringMath, OneMaster)
{
    struct Case {
        const char *name;
        double reading;
        float zero, master1;
        Fault fault;
        double newZero;
    } const cases[] = {
        {"zero 0.01, master 1, reading 1.02", 1.02, 0.01f, 1, Fault::None, -0.01},
        {"negative master", -2.0, 0.5f, -3, Fault::None, -0.5},
        {"reading not a number", NaN, 0, 1, Fault::OutOfRange, 0},
        {"zero beyond float", -3e38, 0, 3e38f, Fault::OutOfRange, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const qmxsrv::MasteringResult r = qmxsrv::zeroFromOneMaster(c.reading, c.zero, c.master1);
        EXPECT_EQ(r.fault, c.fault);
        if (c.fault == Fault::None) {
            EXPECT_NEAR(r.newZero, c.newZero, 1e-7); // single-precision inputs
        }
    }
}

} // namespace
