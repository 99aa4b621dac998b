// The control commands, in process and over the control socket.
#include "board_fixture.h"

#include <cstdio>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace qmxtest {
namespace {

using ControlCommands = BoardTest;

TEST_F(ControlCommands, AnswerOkOrAnError)
{
    const struct {
        const char *line, *answer;
    } cases[] = {
        {"set T3 0.0125", "ok"},
        {"get T3", "ok 0.0125"},
        {"set A1 2.5", "ok"},
        {"get A1", "ok 2.5"},
        {"set t64 -1", "ok"},
        {"get C2", "ok 0"},
        {"set T65 1", "error: T65 is out of range (1 to 64)"},
        {"set C1 1", "error: a channel is computed; set its probes or inputs"},
        {"status 256", "error: a status is 1 to 255"},
        {"freeze", "ok"},
        {"run", "ok"},
        {"freeze", "ok"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(board.command(c.line), c.answer) << c.line;
    EXPECT_EQ(board.command("launch").rfind("error: commands are", 0), 0u);
}

TEST_F(ControlCommands, ChannelValueAndFaultsTakeEffect)
{
    ASSERT_EQ(pc.define(2, "T1*2"), 0);
    EXPECT_EQ(board.command("set T1 0.5"), "ok");
    EXPECT_EQ(board.command("get C2"), "ok 1");
    // A status answers the next command only, which is not carried out.
    EXPECT_EQ(board.command("status 14"), "ok");
    EXPECT_EQ(pc.define(1, "T1"), 14);
    EXPECT_EQ(board.state().channels[0].formula, "");
    EXPECT_EQ(pc.define(1, "T1"), 0);
    EXPECT_EQ(board.command("delay 2"), "ok");
    ASSERT_TRUE(pc.send(0x55, {0}));
    EXPECT_FALSE(pc.waitReplyReady(100));
    advanceMs(2000);
    EXPECT_EQ(pc.receive().status, 0);
    // A dead board reads zero everywhere: bytes go into the void.
    EXPECT_EQ(board.command("dead"), "ok");
    EXPECT_TRUE(board.state().dead);
    EXPECT_TRUE(pc.send(0x55, {0}));
    EXPECT_FALSE(pc.waitReplyReady(2000));
    EXPECT_EQ(qmxboard_port_read(0x311), 0);
    EXPECT_EQ(board.command("alive"), "ok");
    EXPECT_EQ(pc.exchange(0x55, {0}).status, 0);
    EXPECT_EQ(board.command("reset cold"), "ok");
    EXPECT_EQ(board.command("get T1"), "error: the board runs no firmware");
}

// Lines on one connection to a board listening in a folder of its own; a
// path that is there and is no socket is left alone.
TEST_F(ControlCommands, SocketAnswersEachLineAndRefusesOverlongOnes)
{
    char dir[] = "/tmp/qmxboard-test-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/control", plain = std::string(dir) + "/plain";
    std::fclose(std::fopen(plain.c_str(), "w"));
    std::string error;
    EXPECT_FALSE(board.listen(plain, &error));
    EXPECT_EQ(error, "exists and is not a socket");
    EXPECT_EQ(::unlink(plain.c_str()), 0);
    ASSERT_TRUE(board.listen(path, &error)) << error;

    auto talk = [&](const std::string &lines, std::size_t answers) {
        int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
        EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
        EXPECT_EQ(::send(fd, lines.data(), lines.size(), MSG_NOSIGNAL), ssize_t(lines.size()));
        std::vector<std::string> out(1);
        char c;
        while (out.size() <= answers && ::recv(fd, &c, 1, 0) == 1) {
            if (c == '\n')
                out.emplace_back();
            else
                out.back() += c;
        }
        ::close(fd);
        out.pop_back();
        return out;
    };
    EXPECT_EQ(talk("set T3 0.0125\nget T3\r\nbogus\n", 3),
              (std::vector<std::string>{"ok", "ok 0.0125", board.command("bogus")}));
    EXPECT_EQ(board.state().probes[2].position, 0.0125);
    EXPECT_EQ(talk(std::string(5000, 'x'), 1), (std::vector<std::string>{"error: line too long"}));
    EXPECT_EQ(talk("get T1\n", 1), (std::vector<std::string>{"ok 0"}));
    board.stopListening();
    ::rmdir(dir);
}

} // namespace
} // namespace qmxtest
