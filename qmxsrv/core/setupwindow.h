// What the setup commands do to the main window, which implements this.
#pragma once

#include <string>

namespace qmxsrv {

class SetupWindow {
public:
    virtual ~SetupWindow() = default;
    // The window title after NewSetup and a load: setupWindowTitle(name).
    virtual void showSetupTitle(const std::string &title) = 0;
    // Rebuilds the displays and lowers ScanHold (the scan cycle's operation).
    virtual void UpdateMainDisplay() = 0;
};

} // namespace qmxsrv
