// board_fixture.h - a running (or cold) board on a clock the test moves.
#ifndef QMXBOARD_TESTS_BOARD_FIXTURE_H
#define QMXBOARD_TESTS_BOARD_FIXTURE_H

#include "pc_link.h"
#include "qmxboard.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>

namespace qmxtest {

class BoardTest : public ::testing::Test {
protected:
    void SetUp() override {
        clockNs() = 1'000'000'000;
        board.setClock([] { return clockNs().load(); });
        board.setBaseAddress(0x310);
        board.reset(qmxboard::Start::Running);
        board.freeze();
    }
    void TearDown() override {
        board.setClock(nullptr);
        board.reset(qmxboard::Start::Cold);
    }
    static std::atomic<std::int64_t> &clockNs() {
        static std::atomic<std::int64_t> t{0};
        return t;
    }
    static void advanceMs(double ms) { clockNs() += std::int64_t(ms * 1e6); }

    qmxboard::Control board;
    PcLink pc;
};

} // namespace qmxtest

#endif
