// library_fixture.cpp - the fixture's set-up and helpers.
#include "library_fixture.h"

#include <fstream>

Bytes ImagePart(std::size_t from, std::size_t count) {
    Bytes part(count);
    for (std::size_t i = 0; i < count; ++i) {
        part[i] = static_cast<std::uint8_t>((from + i) * 7 + 1);
    }
    return part;
}

Bytes FirmwareImage(std::uint16_t offset, std::uint16_t segment, std::uint16_t go,
                    const std::string &version, std::size_t imageSize) {
    Bytes file(256, 0x00);
    const std::uint16_t words[5] = {0xA55A, offset, segment, go, 0x5AA5};
    for (int i = 0; i < 5; ++i) {
        file[2 * i] = static_cast<std::uint8_t>(words[i]);
        file[2 * i + 1] = static_cast<std::uint8_t>(words[i] >> 8);
    }
    std::copy(version.begin(), version.end(), file.begin() + 0x20);
    return file + ImagePart(0, imageSize);
}

Bytes Block(std::uint16_t segment, std::uint16_t offset, const Bytes &data) {
    return Bytes{0x57, static_cast<std::uint8_t>(data.size()), static_cast<std::uint8_t>(offset),
                 static_cast<std::uint8_t>(offset >> 8), static_cast<std::uint8_t>(segment),
                 static_cast<std::uint8_t>(segment >> 8)} +
           data;
}

Bytes Go(std::uint16_t address) {
    return {0x47, static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address)};
}

Bytes operator+(Bytes left, const Bytes &right) {
    left.insert(left.end(), right.begin(), right.end());
    return left;
}

void LibraryTest::SetUp() {
    board.Install();
    QmxMsgBox(1);
    board.QueueReply(Reply(Bytes(256, 0x00)));
    ASSERT_EQ(QmxCommInit(0, nullptr), 0);
    board.QueueReply(Reply({0x00}));
    const Bytes zeros(256, 0x00);
    ASSERT_EQ(QmxReadDirect(256, zeros.data(), &replyBuffer), 0);
    board.Forget();
}

std::string LibraryTest::WriteFile(const Bytes &contents) {
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    static int serial = 0;
    const std::string path = ::testing::TempDir() + test->test_suite_name() + "." + test->name() +
                             "." + std::to_string(++serial) + ".bin";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char *>(contents.data()),
               static_cast<std::streamsize>(contents.size()));
    return path;
}

void LibraryTest::Download(const std::string &version) {
    board.LoaderAnswers({0x2A});
    ASSERT_EQ(QmxCommInit(0, WriteFile(FirmwareImage(0, 0x2000, 0, version, 10)).c_str()), 0);
    board.Forget();
}

void LibraryTest::EnterDemo() {
    board.Restart();
    board.QueueReply(Reply(Bytes(256, 0xAA)));
    ASSERT_EQ(QmxCommInit(0, nullptr), 0);
    board.TakeOnly(0);
    ASSERT_EQ(QmxStopScan(), 0);  // its header cannot be sent: the link gives up on the board
    ASSERT_EQ(board.messages, std::vector<std::string>{kDemoText});
    board.Forget();
}

std::string LibraryTest::FirmwareVersion() {
    char text[64];
    EXPECT_EQ(QmxFirmware(text), 0);
    return text;
}
