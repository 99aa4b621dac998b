// Fixtures on the simulated board: the device library with QMX_PORTS=sim,
// the board started with its firmware running and its readings frozen, a
// program folder, and scripted message boxes; OnBoard adds a program state
// whose messages (and the library's) go to that script.
#pragma once

#include "core/device.h"
#include "core/mainwindowcommands.h"
#include "core/messageboxes.h"
#include "core/programstate.h"
#include "core/qmxcom32api.h"
#include "core/setupoperations.h"
#include "core_support.h"

#include <qmxboard.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace qmxsrv {

// Readable message boxes in test failures.
inline void PrintTo(const ScriptedMessageBoxes::Shown &box, std::ostream *out)
{
    *out << "box \"" << box.text << "\" titled \"" << box.title << '"';
}

} // namespace qmxsrv

namespace qmxtest {

// Runs `during` inside the next box, as a box's own event loop would run
// whatever comes due while it is open.
class NestingBoxes : public qmxsrv::ScriptedMessageBoxes {
public:
    qmxsrv::Answer show(const std::string &text, const std::string &title, qmxsrv::Buttons buttons,
                        qmxsrv::Icon icon) override
    {
        if (auto run = std::exchange(during, nullptr))
            run();
        return ScriptedMessageBoxes::show(text, title, buttons, icon);
    }
    std::function<void()> during;
};

// The main window's side, recorded; its UpdateMainDisplay lowers ScanHold.
struct RecordingWindow : qmxsrv::MainWindowCommands {
    explicit RecordingWindow(qmxsrv::ProgramState &s) : state(s) {}
    void showSetupTitle(const std::string &t) override { titles.push_back(t); }
    void UpdateMainDisplay() override
    {
        ++updates;
        state.view.releaseScanHold();
    }
    void GotoSetupFromView(std::int16_t &) override {}
    void EnableGrid_Click() override {}
    void EnableBarGraphs_Click() override {}
    qmxsrv::ProgramState &state;
    std::vector<std::string> titles;
    int updates = 0;
};

class OnSim : public ::testing::Test {
protected:
    OnSim()
    {
        ::setenv("QMX_PORTS", "sim", 1);
        board.reset(qmxboard::Start::Running);
        board.freeze();
    }
    // The board calls since the last look, and start afresh.
    std::vector<std::string> takeCalls()
    {
        std::vector<std::string> calls = board.calls();
        board.clearTraffic();
        return calls;
    }
    std::vector<std::string> messages() const
    {
        std::vector<std::string> texts;
        for (const auto &s : boxes.shown)
            texts.push_back(s.text);
        return texts;
    }

    qmxboard::Control board;
    NestingBoxes boxes;
    TempDir dir;
};

class OnBoard : public OnSim {
protected:
    OnBoard()
    {
        api.setMessageBoxes(&boxes);
        device.QmxCommInit(0, "");
        board.clearTraffic();
    }
    ~OnBoard() override { api.setMessageBoxes(nullptr); }

    // The default objects at these counts, their board traffic passed over.
    void useCounts(std::int16_t channels, std::int16_t lvdts, std::int16_t analogs)
    {
        state.settings.MaxChannel = channels;
        state.settings.MaxLVDT = lvdts;
        state.settings.MaxAnalog = analogs;
        qmxsrv::CreateDefaultObjects(state);
        takeCalls();
    }

    qmxsrv::Qmxcom32Api api;
    qmxsrv::Device device{api};
    qmxsrv::ProgramState state{device, boxes, qmxsrv::defaultSettings(dir.path())};
    RecordingWindow window{state};
};

} // namespace qmxtest
