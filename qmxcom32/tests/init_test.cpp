// init_test.cpp - QmxCommInit: the port addresses, the quiet probe, and the
// firmware download with every way it can end.
#include <linux/capability.h>
#include <sys/syscall.h>

#include <optional>
#include <set>

#include "library_fixture.h"

namespace {

TEST_F(LibraryTest, PortsFollowTheBaseAddress)
{
    for (const auto &[base, data] : {std::pair<std::int32_t, std::uint16_t>{0, 784},
                                     {768, 768},
                                     {0x10300, 0x300},
                                     {0xFFFC, 0xFFFC}}) {
        ScriptedBoard at(data);
        at.Install();
        at.QueueReply(Reply({0x00}));
        EXPECT_EQ(QmxCommInit(base, nullptr), 0) << base;
        std::set<std::uint16_t> used;
        for (const ScriptedBoard::Access &access : at.accesses)
            used.insert(access.port);
        EXPECT_EQ(used, (std::set<std::uint16_t>{at.data, at.status, at.replyReady})) << base;
    }
}

// The probe shows nothing and never enters demonstration mode; the switch
// is as the client left it afterwards. Download failures show always.
TEST_F(LibraryTest, ProbeIsQuietAndKeepsTheMessageSwitch)
{
    for (bool shown : {true, false}) {
        SCOPED_TRACE(shown ? "message boxes on" : "message boxes off");
        QmxMsgBox(shown ? 1 : 0);
        board.Forget();
        board.QueueReply(Reply({0x00}, 10)); // an answer, but not a success
        EXPECT_EQ(QmxCommInit(0, "/nonexistent/Rdx44k.bin"), 1);
        EXPECT_EQ(board.messages, Texts{"Unable to open firmware file"});
        // The start-up writes, then the byte the board may still offer is read and dropped.
        EXPECT_EQ(board.Count(true, board.status), 3000u);
        const ScriptedBoard::Access &last = board.accesses.back();
        EXPECT_TRUE(!last.write && last.port == board.data);

        board.Forget();
        EXPECT_EQ(QmxStartScan(), -1); // no reply: a dead board
        EXPECT_EQ(board.messages, shown ? Texts{kDemoText} : Texts{});
    }
}

TEST_F(LibraryTest, DownloadEndsAsItsFileAndBoardAllow)
{
    const Bytes version16 = FirmwareImage(0x0100, 0x2000, 0x0123, "ABCDEFGHIJKLMNOP", 44);
    const Bytes emptyVersion = FirmwareImage(0x0000, 0x4000, 0x8000, "", 600);
    const Bytes wrapping = FirmwareImage(0xFF80, 0x1234, 0xFF80, "WRAP", 300);
    const Bytes headerOnly = FirmwareImage(0x0010, 0x0020, 0xBEEF, "V1", 0);
    const Bytes firstBlock = Block(0x2000, 0x0100, ImagePart(0, 44));
    const struct {
        const char *what;
        std::optional<Bytes> file; // none: no such file
        Bytes loaderAnswer;        // offered after the start-up writes
        int takes;                 // data-register writes the board takes (-1: all)
        std::int32_t result;
        const char *message;  // "" for none
        Bytes traffic;        // written to the data register after the probe
        const char *firmware; // the version text afterwards
    } kDownloads[] = {
        {"no such file", std::nullopt, {0x2A}, -1, 1, "Unable to open firmware file", {}, "OLD"},
        {"no prompt", version16, {}, -1, 1, "QMX-X1 not responding", {}, "OLD"},
        {"self-test fails", version16, {0xAB}, -1, 1, "Diagnostic fail [AB]", {0x00}, "OLD"},
        {"header words cut",
         Bytes(version16.begin(), version16.begin() + 9),
         {0x2A},
         -1,
         1,
         "Error reading file header",
         {0x00},
         "OLD"},
        {"version field cut",
         Bytes(version16.begin(), version16.begin() + 47),
         {0x2A},
         -1,
         1,
         "Error reading file header",
         {0x00},
         "ABCDEFGHIJKLMNO"},
        {"empty image", headerOnly, {0x2A}, -1, 0, "", Bytes{0x00} + Go(0xBEEF), "V1"},
        {"one short block, 16-character version",
         version16,
         {0x2A},
         -1,
         0,
         "",
         Bytes{0x00} + firstBlock + Go(0x0123),
         "ABCDEFGHIJKLMNOP"},
        {"three blocks, empty version",
         emptyVersion,
         {0x2A},
         -1,
         0,
         "",
         Bytes{0x00} + Block(0x4000, 0x0000, ImagePart(0, 256)) +
             Block(0x4000, 0x0100, ImagePart(256, 256)) +
             Block(0x4000, 0x0200, ImagePart(512, 88)) + Go(0x8000),
         "----"},
        {"offset wraps in its segment",
         wrapping,
         {0x2A},
         -1,
         0,
         "",
         Bytes{0x00} + Block(0x1234, 0xFF80, ImagePart(0, 256)) +
             Block(0x1234, 0x0080, ImagePart(256, 44)) + Go(0xFF80),
         "WRAP"},
        {"board stops in a block",
         version16,
         {0x2A},
         1 + 6 + 10,
         1,
         "Timeout during download",
         Bytes{0x00} + Bytes(firstBlock.begin(), firstBlock.begin() + 6 + 10),
         "ABCDEFGHIJKLMNOP"},
        {"board stops in the start message",
         headerOnly,
         {0x2A},
         1 + 1,
         1,
         "Error sending GO address",
         Bytes{0x00, 0x47},
         "V1"},
    };
    for (const auto &download : kDownloads) {
        SCOPED_TRACE(download.what);
        board.Restart();
        Download("OLD");
        board.LoaderAnswers(download.loaderAnswer);
        QmxMsgBox(0); // download messages show all the same
        board.TakeOnly(download.takes < 0 ? -1 : 4 + download.takes); // after the probe's 4 bytes
        EXPECT_EQ(QmxCommInit(0, download.file ? WriteFile(*download.file) : "/nonexistent/x.bin"),
                  download.result);
        QmxMsgBox(1);

        // A download leaves the last image block in the request buffer: the
        // probe carries image byte 0, 01.
        EXPECT_EQ(Hex(board.Sent()), Hex(Hex("3A 55 01 01") + download.traffic));
        EXPECT_EQ(board.messages, *download.message ? Texts{download.message} : Texts{});
        char firmware[64];
        EXPECT_EQ(QmxFirmware(firmware), 0);
        EXPECT_STREQ(firmware, download.firmware);
        EXPECT_EQ(board.Count(true, board.status), 3000u);
        EXPECT_EQ(board.Count(true, board.replyReady), 1u);
        // Without a prompt the wait gives up after ten seconds: one second per
        // look at the clock, ten handshakes of 30000 polls after the probe's four.
        if (download.loaderAnswer.empty() && download.file) {
            EXPECT_EQ(board.Count(false, board.status), 4u + 10u * 30000u);
        }
    }
}

// Without the right to the I/O ports the library says so once, names the
// fix, and meets a dead board (the silent bus, as for a missing simulated
// board): never a crash.
TEST(HardwarePorts, WithoutTheRightNoBoardAnswers)
{
    EXPECT_EXIT(
        {
            __user_cap_header_struct header{};
            header.version = _LINUX_CAPABILITY_VERSION_3;
            __user_cap_data_struct caps[_LINUX_CAPABILITY_U32S_3] = {};
            if (syscall(SYS_capget, &header, caps) == 0) {
                caps[CAP_TO_INDEX(CAP_SYS_RAWIO)].effective &= ~CAP_TO_MASK(CAP_SYS_RAWIO);
                caps[CAP_TO_INDEX(CAP_SYS_RAWIO)].permitted &= ~CAP_TO_MASK(CAP_SYS_RAWIO);
                syscall(SYS_capset, &header, caps);
            }
            setenv("QMX_PORTS", "hw", 1);
            QmxHostSetPortBus(nullptr);
            QmxHostSetMessageHandler(nullptr, nullptr);
            QmxHostSetClock(
                [](void *) {
                    static long now = 0;
                    return now++;
                },
                nullptr);
            std::exit(QmxCommInit(0x300, "/nonexistent/Rdx44k.bin"));
        },
        ::testing::ExitedWithCode(1),
        "qmxcom32: no access to I/O ports 0x300, 0x301, 0x303 \\([^)]+\\); grant it with "
        "`setcap cap_sys_rawio\\+ep <program>` or run as root; until then no board answers\n"
        "qmxcom32: Unable to open firmware file\n");
}

} // namespace
