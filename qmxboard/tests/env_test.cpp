// A process started with the board's environment variables set (see CMakeLists).
#include "board_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

TEST(Environment, BoardComesUpAsTheVariablesSay)
{
    qmxboard::Control board;
    qmxboard::BoardState s = board.state();
    EXPECT_EQ(s.baseAddress, 0x300u);
    EXPECT_TRUE(s.firmwareRunning);
    EXPECT_EQ(s.seed, 7u);
    EXPECT_EQ(qmxtest::PcLink(0x300).exchange(0x55, {0}).status, 0);
    // The control socket was opened when the board was made; the command-line
    // tool sends one command and fails when the board refuses it.
    std::string ctl = std::string(QMXBOARD_CTL) + " " + std::getenv("QMX_SIM_CONTROL");
    EXPECT_EQ(std::system((ctl + " set T2 0.5 >/dev/null").c_str()), 0);
    EXPECT_EQ(board.state().probes[1].position, 0.5);
    EXPECT_NE(std::system((ctl + " set A99 1 >/dev/null").c_str()), 0);
    board.stopListening();
}

} // namespace
