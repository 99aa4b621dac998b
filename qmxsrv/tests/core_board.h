// A fixture on the simulated board: the device library with QMX_PORTS=sim,
// the board started with its firmware running and its readings frozen, and
// a program state whose messages (and the library's) go to one script.
#pragma once

#include "core_support.h"
#include "device.h"
#include "messageboxes.h"
#include "programstate.h"
#include "qmxcom32api.h"
#include "setupoperations.h"
#include "setupwindow.h"

#include <qmxboard.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace qmxtest {

// The main window's side of a setup load, recorded.
struct RecordingWindow : qmxsrv::SetupWindow {
    void showSetupTitle(const std::string &t) override { titles.push_back(t); }
    void UpdateMainDisplay() override { ++updates; }
    std::vector<std::string> titles;
    int updates = 0;
};

class OnBoard : public ::testing::Test {
protected:
    OnBoard()
    {
        ::setenv("QMX_PORTS", "sim", 1);
        board.reset(qmxboard::Start::Running);
        board.freeze();
        api.setMessageBoxes(&boxes);
        device.QmxCommInit(0, "");
        board.clearTraffic();
    }
    ~OnBoard() override { api.setMessageBoxes(nullptr); }

    void setCounts(std::int16_t channels, std::int16_t lvdts, std::int16_t analogs)
    {
        state.settings.MaxChannel = channels;
        state.settings.MaxLVDT = lvdts;
        state.settings.MaxAnalog = analogs;
    }
    // The default objects at these counts, their board traffic passed over.
    void useCounts(std::int16_t channels, std::int16_t lvdts, std::int16_t analogs)
    {
        setCounts(channels, lvdts, analogs);
        qmxsrv::CreateDefaultObjects(state);
        takeCalls();
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
    qmxsrv::ScriptedMessageBoxes boxes;
    qmxsrv::Qmxcom32Api api;
    qmxsrv::Device device{api};
    TempDir dir;
    qmxsrv::ProgramState state{device, boxes, qmxsrv::defaultSettings(dir.path())};
};

} // namespace qmxtest
