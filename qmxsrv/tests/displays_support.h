// The display windows on the simulated board, with a recording stand-in for
// the main window (its Numbers and Bar Graphs commands show and hide the
// windows as the real one does).
#pragma once

#include "core_board.h"

#include "core/mainwindowcommands.h"
#include "core/group.h"
#include "formgriddisplay.h"
#include "formlingage.h"

#include <QTest>

#include <memory>
#include <vector>

namespace qmxtest {

struct RecordingMain : qmxsrv::MainWindowCommands {
    void showSetupTitle(const std::string &) override {}
    void UpdateMainDisplay() override { ++updates; }
    void GotoSetupFromView(std::int16_t &Index) override { setups.push_back(Index); }
    void EnableGrid_Click() override { toggle(grid, gridChecked); }
    void EnableBarGraphs_Click() override { toggle(bars, barsChecked); }

    static void toggle(QWidget *window, bool &checked)
    {
        checked = !checked;
        if (window)
            window->setVisible(checked);
    }

    std::vector<std::int16_t> setups;
    int updates = 0;
    bool gridChecked = false;
    bool barsChecked = false;
    QWidget *grid = nullptr;
    QWidget *bars = nullptr;
};

class Displays : public OnBoard {
protected:
    Displays()
    {
        main.bars = &bars;
        main.grid = &grid;
    }

    void addGroup(const std::string &name, std::vector<std::int16_t> channels)
    {
        auto g = std::make_unique<qmxsrv::group>();
        g->SetDefaults(std::int16_t(state.Groups.Count() + 1));
        g->Description = name;
        for (std::int16_t ch : channels)
            g->AddChannel(ch);
        state.Groups.Add(std::move(g));
    }
    void showMode(std::int16_t mode)
    {
        state.view.DisplayMode = mode;
        grid.UpdateGridDisplay();
        bars.UpdateBarDisplay();
    }
    // Shown through the main window's commands, as the operator does.
    void showBoth()
    {
        main.EnableGrid_Click();
        main.EnableBarGraphs_Click();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&bars));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
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
