// internal_test.cpp - the loader steps that no file on disk can reach: an
// image that cannot be read after its header. Links the static library.
#include <cerrno>
#include <cstring>

#include "download.h"
#include "qmxcom32.h"
#include "scripted_board.h"

namespace {

// A file whose first 256 bytes (the header) read, and nothing after them.
struct BrokenImage {
    Bytes header = Bytes(256, 0x01);
    long position = 0;

    static ssize_t Read(void *cookie, char *into, std::size_t size) {
        auto *file = static_cast<BrokenImage *>(cookie);
        if (file->position >= 256) {
            errno = EIO;
            return -1;
        }
        const std::size_t count = std::min<std::size_t>(size, 256 - file->position);
        std::memcpy(into, file->header.data() + file->position, count);
        file->position += static_cast<long>(count);
        return static_cast<ssize_t>(count);
    }
    static int Seek(void *cookie, off64_t *offset, int whence) {
        auto *file = static_cast<BrokenImage *>(cookie);
        file->position = static_cast<long>(whence == SEEK_SET ? *offset : file->position + *offset);
        *offset = file->position;
        return 0;
    }
};

TEST(Loader, ImageThatCannotBeReadEndsTheDownload) {
    ScriptedBoard board;
    board.Install();
    board.QueueReply(Reply({0x00}));
    ASSERT_EQ(QmxCommInit(0, nullptr), 0);
    board.Forget();

    BrokenImage image;
    std::FILE *file = fopencookie(&image, "rb", {BrokenImage::Read, nullptr, BrokenImage::Seek, nullptr});
    ASSERT_NE(file, nullptr);
    board.Offer({0x2A});
    EXPECT_EQ(qmx::DownloadImage(file), 1);
    std::fclose(file);
    EXPECT_EQ(board.messages, std::vector<std::string>{"Error reading file"});
    EXPECT_TRUE(SameBytes({0x00}, board.Sent()));  // the prompt's acknowledgement, no block
    EXPECT_STREQ(qmx::FirmwareText(), "\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01");
}

}  // namespace
