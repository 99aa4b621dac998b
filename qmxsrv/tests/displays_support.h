// The display windows on the simulated board, standalone, with a stand-in
// for the main window that records what they ask of it.
#pragma once

#include "core_board.h"

#include "core/group.h"
#include "core/mainwindowcommands.h"
#include "formgriddisplay.h"
#include "formlingage.h"

#include <QTest>

#include <memory>
#include <vector>

namespace qmxtest {

struct RecordingMain : qmxsrv::MainWindowCommands {
    void showSetupTitle(const std::string &) override {}
    void UpdateMainDisplay() override {}
    void GotoSetupFromView(std::int16_t &Index) override { setups.push_back(Index); }
    void EnableGrid_Click() override {}
    void EnableBarGraphs_Click() override {}
    std::vector<std::int16_t> setups;
};

class Displays : public OnBoard {
protected:
    void addGroup(const std::string &name, std::vector<std::int16_t> channels)
    {
        auto g = std::make_unique<qmxsrv::group>();
        g->SetDefaults(std::int16_t(state.Groups.Count() + 1));
        g->Description = name;
        for (std::int16_t ch : channels)
            g->AddChannel(ch);
        state.Groups.Add(std::move(g));
    }
    // The main window's rebuild: the numeric window first.
    void showMode(std::int16_t mode)
    {
        state.view.DisplayMode = mode;
        grid.UpdateGridDisplay();
        bars.UpdateBarDisplay();
    }
    static void show(QWidget &w)
    {
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    }
    static void activate(QWidget &w)
    {
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    }

    RecordingMain main;
    qmxsrv::FormLinGage bars{state, main};
    qmxsrv::FormGridDisplay grid{state, main};
};

} // namespace qmxtest
