// internal_test.cpp - the loader step that no file on disk can reach: an
// image that cannot be read after its header. Links the static library.
#include <cerrno>
#include <cstring>

#include "download.h"
#include "qmxcom32.h"
#include "scripted_board.h"

namespace {

// A file whose first 256 bytes (the header, all 01) read, and nothing after them.
ssize_t ReadHeaderOnly(void *position, char *into, std::size_t size)
{
    long &at = *static_cast<long *>(position);
    const std::size_t count = at >= 256 ? 0 : std::min<std::size_t>(size, 256 - at);
    if (count == 0) {
        errno = EIO;
        return -1;
    }
    std::memset(into, 0x01, count);
    at += static_cast<long>(count);
    return static_cast<ssize_t>(count);
}

int Seek(void *position, off64_t *offset, int whence)
{
    long &at = *static_cast<long *>(position);
    at = static_cast<long>(whence == SEEK_SET ? *offset : at + *offset);
    *offset = at;
    return 0;
}

TEST(Loader, ImageThatCannotBeReadEndsTheDownload)
{
    ScriptedBoard board;
    board.Install();
    board.QueueReply(Reply({0x00}));
    ASSERT_EQ(QmxCommInit(0, nullptr), 0);
    board.Forget();

    long position = 0;
    std::FILE *file = fopencookie(&position, "rb", {ReadHeaderOnly, nullptr, Seek, nullptr});
    ASSERT_NE(file, nullptr);
    board.Offer({0x2A});
    EXPECT_EQ(qmx::DownloadImage(file), 1);
    std::fclose(file);
    EXPECT_EQ(board.messages, Texts{"Error reading file"});
    EXPECT_EQ(Hex(board.Sent()), "00"); // the prompt's acknowledgement, no block
    EXPECT_EQ(std::string(qmx::FirmwareText()), std::string(16, '\x01'));
}

} // namespace
