// Save and load of a full setup against the simulated board: 255 channels
// in use, 24 LVDTs, 4 analog inputs, 20 groups of 12. Prints the time of
// each (best and median of several runs) and the board exchanges made.
#include "device.h"
#include "messageboxes.h"
#include "programstate.h"
#include "qmxcom32api.h"
#include "setupfile.h"
#include "setupoperations.h"
#include "setupwindow.h"

#include <qmxboard.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using namespace qmxsrv;

namespace {

struct NoWindow : SetupWindow {
    void showSetupTitle(const std::string &) override {}
    void UpdateMainDisplay() override {}
};

struct Figures {
    double bestMs = 0, medianMs = 0;
    std::size_t frames = 0;
    std::uint64_t portAccesses = 0;
};

Figures measure(qmxboard::Control &board, int runs, const std::function<void()> &work)
{
    std::vector<double> ms;
    Figures f;
    for (int i = 0; i < runs; ++i) {
        board.clearTraffic();
        const auto t0 = std::chrono::steady_clock::now();
        work();
        const auto t1 = std::chrono::steady_clock::now();
        ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        f.frames = board.frames().size();
        f.portAccesses = board.portCounts().total();
    }
    std::sort(ms.begin(), ms.end());
    f.bestMs = ms.front();
    f.medianMs = ms[ms.size() / 2];
    return f;
}

void print(const char *what, const Figures &f)
{
    std::printf("%-34s best %7.2f ms  median %7.2f ms  %5zu exchanges  %8llu port accesses\n", what,
                f.bestMs, f.medianMs, f.frames, static_cast<unsigned long long>(f.portAccesses));
}

} // namespace

int main()
{
    ::setenv("QMX_PORTS", "sim", 1);
    std::string pattern = (std::filesystem::temp_directory_path() / "qmxbench-XXXXXX").string();
    const std::string folder = ::mkdtemp(pattern.data());

    qmxboard::Control board;
    board.reset(qmxboard::Start::Running);
    board.freeze();
    Qmxcom32Api api;
    Device device(api);
    ScriptedMessageBoxes boxes;
    api.setMessageBoxes(&boxes);
    device.QmxCommInit(0, "");

    Settings settings = defaultSettings(folder);
    settings.MaxChannel = 255;
    settings.MaxLVDT = 24;
    settings.MaxAnalog = 4;
    ProgramState state(device, boxes, settings);
    CreateDefaultObjects(state);
    for (channel &c : state.Channels) {
        c.InUse = true;
        c.Description = "Diameter" + std::to_string(c.Index);
        c.setFormula("(T" + std::to_string(c.Index % 24 + 1) + "+T1)/2");
        c.setZeroOffset(0.001f * static_cast<float>(c.Index));
        c.setScaling(1.0f + 0.0001f * static_cast<float>(c.Index));
    }
    for (int g = 1; g <= 20; ++g) {
        auto grp = std::make_unique<group>();
        grp->SetDefaults(static_cast<std::int16_t>(g));
        for (int k = 0; k < 12; ++k)
            grp->AddChannel(static_cast<std::int16_t>((g - 1) * 12 + k + 1));
        state.Groups.Add(std::move(grp));
    }
    state.view.SetupFileName = folder + "/bench.qmx";
    NoWindow window;

    const int runs = 15;
    print("setup text (board reads only)", measure(board, runs, [&] { setupText(state); }));
    print("save (text, write, sync, rename)", measure(board, runs, [&] { SaveSetupFile(state); }));
    print("load (clear, then the file)",
          measure(board, runs, [&] { LoadSetupFile(state, window); }));
    std::printf("target: save and load each under 50 ms; messages shown: %zu\n",
                boxes.shown.size());
    api.setMessageBoxes(nullptr);
    std::filesystem::remove_all(folder);
    return boxes.shown.empty() ? 0 : 1;
}
