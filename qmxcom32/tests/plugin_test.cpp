// plugin_test.cpp - QMX_PORTS=sim without a simulated board beside the
// library: a copy of libqmxcom32.so loaded from a folder of its own (per
// process: other worktrees may run this test at the same time). The sim
// backend with a board, and a host bus over it, are tested with the board.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "qmxcom32.h"
#include "qmxcom32_host.h"

namespace fs = std::filesystem;

namespace {

template <typename Function> Function Find(void *library, const char *name)
{
    return reinterpret_cast<Function>(dlsym(library, name));
}

TEST(SimulatedBoard, MissingBoardIsReportedOnceAndNoBoardAnswers)
{
    const fs::path folder =
        fs::path(::testing::TempDir()) / ("qmxcom32-" + std::to_string(getpid()) + "-missing");
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::copy_file(QMXCOM32_LIBRARY, folder / "libqmxcom32.so");
    // The copy stays loaded: its static state dies with the process.
    void *library = dlopen((folder / "libqmxcom32.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    int messages = 0;
    Find<decltype(&QmxHostSetClock)>(library, "QmxHostSetClock")(
        [](void *) {
            static long now = 0;
            return now++;
        },
        nullptr);
    Find<decltype(&QmxHostSetMessageHandler)>(library, "QmxHostSetMessageHandler")(
        [](void *count, const char *) { ++*static_cast<int *>(count); }, &messages);
    const auto CommInit = Find<decltype(&QmxCommInit)>(library, "QmxCommInit");
    setenv("QMX_PORTS", "sim", 1);

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(CommInit(0, "/nonexistent/Rdx44k.bin"), 1);
    EXPECT_EQ(CommInit(0, "/nonexistent/Rdx44k.bin"), 1);
    const std::string said = ::testing::internal::GetCapturedStderr();
    const std::string line =
        "qmxcom32: no simulated board: cannot load " + (folder / "libqmxboard.so").string();
    EXPECT_EQ(said.rfind(line, 0), 0u) << said;
    EXPECT_EQ(said.find("qmxcom32:", 1), std::string::npos) << said;
    EXPECT_EQ(said.back(), '\n');
    EXPECT_EQ(messages, 2); // "Unable to open firmware file", each time
    fs::remove_all(folder);
}

} // namespace
