// What the display windows cost a scan tick: 255 channels shown in the bar
// window and the numeric window at their first sizes, every value changed on
// every tick, as the scan hands them over (value text formatted, then
// SetGridValue and SetBarValue), and both windows drawn. CPU time of the
// process, so waiting for the next paint does not count. The board is left
// out (a device that answers at once); its reads cost what the device
// library's benchmark says.
//
//   displays_scantick [ticks]
#include "formgriddisplay.h"
#include "formlingage.h"

#include "core/device.h"
#include "core/mainwindowcommands.h"
#include "core/messageboxes.h"
#include "core/nulldeviceapi.h"
#include "core/numbertext.h"
#include "core/programstate.h"
#include "core/setupoperations.h"

#include <QApplication>
#include <QTest>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

using namespace qmxsrv;

namespace {

struct NoMainWindow : MainWindowCommands {
    void showSetupTitle(const std::string &) override {}
    void UpdateMainDisplay() override {}
    void GotoSetupFromView(std::int16_t &) override {}
    void EnableGrid_Click() override {}
    void EnableBarGraphs_Click() override {}
};

double cpuMilliseconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int ticks = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;

    NullDeviceApi api;
    Device device(api);
    ScriptedMessageBoxes boxes;
    ProgramState state(device, boxes, defaultSettings("."));
    state.settings.MaxChannel = MaxItemCount;
    CreateDefaultObjects(state);
    for (channel &c : state.Channels) {
        c.Description = "Bore diameter " + std::to_string(c.Index);
        c.Decimals = 3;
        c.BarDisplayBot = -0.1f, c.BarDisplayTop = 0.1f;
        c.LoTol = -0.05f, c.LoAppr = -0.03f, c.HiAppr = 0.03f, c.HiTol = 0.05f;
    }
    state.view.DisplayMode = ViewState::ShowChannels;

    NoMainWindow main;
    FormLinGage bars(state, main);
    FormGridDisplay grid(state, main);
    grid.UpdateGridDisplay();
    bars.UpdateBarDisplay();
    grid.show();
    bars.show();
    if (!QTest::qWaitForWindowExposed(&bars) || !QTest::qWaitForWindowExposed(&grid)) {
        std::fprintf(stderr, "displays_scantick: the windows were never shown\n");
        return 1;
    }
    QTest::qWait(100);

    const BarGauge &last = *bars.bar(MaxItemCount - 1);
    double handing = 0;
    double drawing = 0;
    for (int tick = 0; tick < ticks; ++tick) {
        const int paintsBefore = last.paintCount();
        const double t0 = cpuMilliseconds();
        for (std::int16_t ch = 1; ch <= MaxItemCount; ++ch) {
            const float v = 0.08f * std::sin(0.37f * float(tick) + 0.11f * float(ch));
            const std::string text = formatValue(v, state.Channels.Item(ch).Decimals);
            grid.SetGridValue(ch, text);
            bars.SetBarValue(ch, v);
        }
        const double t1 = cpuMilliseconds();
        if (!QTest::qWaitFor([&] { return last.paintCount() > paintsBefore; }, 5000)) {
            std::fprintf(stderr, "displays_scantick: the bars were not drawn\n");
            return 1;
        }
        QCoreApplication::processEvents(); // what else the tick left to draw
        drawing += cpuMilliseconds() - t1;
        handing += t1 - t0;
    }
    std::printf("255 channels in the bar window (%dx%d) and the numeric window (%dx%d), "
                "%d ticks, every value changed (a tick comes every 400 ms)\n",
                bars.width(), bars.height(), grid.width(), grid.height(), ticks);
    std::printf("  handing the values over: %7.3f ms CPU a tick\n", handing / ticks);
    std::printf("  drawing both windows:    %7.3f ms CPU a tick\n", drawing / ticks);
    std::printf("  whole display part:      %7.3f ms CPU a tick (target under 10)\n",
                (handing + drawing) / ticks);
    return 0;
}
