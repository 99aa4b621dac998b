// plugin_test.cpp - QMX_PORTS=sim: the simulated board is loaded from the
// library's own folder. Each test loads its own copy of libqmxcom32.so from
// a folder of its own, with or without a board beside it.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "qmxcom32.h"
#include "qmxcom32_host.h"

namespace fs = std::filesystem;

namespace {

long TickingClock(void *) {
    static long now = 0;
    return now++;
}

void CountMessage(void *count, const char *) { ++*static_cast<int *>(count); }

struct LibraryCopy {
    explicit LibraryCopy(const std::string &name, bool withBoard) {
        folder = fs::path(::testing::TempDir()) / ("qmxcom32-" + name);
        fs::remove_all(folder);
        fs::create_directories(folder);
        fs::copy_file(QMXCOM32_LIBRARY, folder / "libqmxcom32.so");
        if (withBoard) {
            fs::copy_file(QMXCOM32_FAKE_BOARD, folder / "libqmxboard.so");
        }
        handle = dlopen((folder / "libqmxcom32.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        EXPECT_NE(handle, nullptr) << dlerror();
        CommInit = Find<decltype(&QmxCommInit)>("QmxCommInit");
        GetFpIn = Find<decltype(&QmxGetFpIn)>("QmxGetFpIn");
        SetPortBus = Find<decltype(&QmxHostSetPortBus)>("QmxHostSetPortBus");
        Find<decltype(&QmxHostSetClock)>("QmxHostSetClock")(TickingClock, nullptr);
        Find<decltype(&QmxHostSetMessageHandler)>("QmxHostSetMessageHandler")(CountMessage,
                                                                            &messages);
        setenv("QMX_PORTS", "sim", 1);
    }

    template <typename Function>
    Function Find(const char *name) {
        return reinterpret_cast<Function>(dlsym(handle, name));
    }

    // The board the copy loaded, found by its path.
    unsigned long BoardAccesses() {
        void *board = dlopen((folder / "libqmxboard.so").c_str(), RTLD_NOW | RTLD_NOLOAD);
        EXPECT_NE(board, nullptr);
        const unsigned long count = *static_cast<unsigned long *>(dlsym(board, "fake_board_accesses"));
        dlclose(board);
        return count;
    }

    fs::path folder;
    void *handle = nullptr;
    int messages = 0;
    decltype(&QmxCommInit) CommInit = nullptr;
    decltype(&QmxGetFpIn) GetFpIn = nullptr;
    decltype(&QmxHostSetPortBus) SetPortBus = nullptr;
};

TEST(SimulatedBoard, MissingBoardIsReportedOnceAndNoBoardAnswers) {
    LibraryCopy library("missing", false);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(library.CommInit(0, "/nonexistent/Rdx44k.bin"), 1);
    EXPECT_EQ(library.CommInit(0, "/nonexistent/Rdx44k.bin"), 1);
    const std::string said = ::testing::internal::GetCapturedStderr();
    const std::string line = "qmxcom32: no simulated board: cannot load " +
                             (library.folder / "libqmxboard.so").string();
    EXPECT_EQ(said.find(line), 0u) << said;
    EXPECT_EQ(said.find("qmxcom32:", 1), std::string::npos) << said;
    EXPECT_EQ(said.back(), '\n');
    EXPECT_EQ(library.messages, 2);  // "Unable to open firmware file", each time
}

TEST(SimulatedBoard, BoardBesideTheLibraryAnswers) {
    LibraryCopy library("present", true);
    EXPECT_EQ(library.CommInit(0, "/nonexistent/Rdx44k.bin"), 0);
    std::int32_t setting = 0;
    EXPECT_EQ(library.GetFpIn(&setting), 0);
    EXPECT_EQ(setting, 0x2A);
    EXPECT_EQ(library.messages, 0);
}

TEST(SimulatedBoard, HostBusWinsWhileInstalled) {
    LibraryCopy library("hostbus", true);
    unsigned long hostAccesses = 0;
    const QmxPortBus silent = {
        &hostAccesses,
        [](void *count, unsigned short) -> unsigned char { return ++*static_cast<unsigned long *>(count), 0; },
        [](void *count, unsigned short, unsigned char) { ++*static_cast<unsigned long *>(count); },
    };
    library.SetPortBus(&silent);
    EXPECT_EQ(library.CommInit(0, "/nonexistent/Rdx44k.bin"), 1);  // nobody answers on the host's bus
    EXPECT_GT(hostAccesses, 3000u);

    library.SetPortBus(nullptr);  // back to QMX_PORTS: the board is loaded now
    std::int32_t setting = 0;
    EXPECT_EQ(library.GetFpIn(&setting), 0);
    EXPECT_EQ(setting, 0x2A);
    EXPECT_GT(library.BoardAccesses(), 0u);
}

}  // namespace
