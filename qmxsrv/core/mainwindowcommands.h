// What the display windows and dialogs ask of the main window, which
// implements this. They know the main window only through it.
#pragma once

#include "setupwindow.h"

#include <cstdint>

namespace qmxsrv {

class MainWindowCommands : public SetupWindow {
public:
    // Opens the setup dialog of the item at 1-based position Index of what
    // the display windows show (a group position in display mode 1).
    virtual void GotoSetupFromView(std::int16_t &Index) = 0;
    // View > Numbers and View > Bar Graphs (and the "Numbers" and "Bars"
    // buttons): invert the check mark, then show or hide the window.
    virtual void EnableGrid_Click() = 0;
    virtual void EnableBarGraphs_Click() = 0;
};

} // namespace qmxsrv
