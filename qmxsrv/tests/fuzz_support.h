// What the fuzz targets share: a scratch folder for the files they hand to
// the readers, and a program state on a device that talks to nothing, so
// that no input can make a target wait on the library's time-outs.
#pragma once

#include "core/device.h"
#include "core/messageboxes.h"
#include "core/nulldeviceapi.h"
#include "core/programstate.h"
#include "core/setupwindow.h"
#include "core_support.h"

#include <string>

namespace qmxfuzz {

// Made at the first use, removed when the fuzzer exits.
inline const std::string &scratchFolder()
{
    static const qmxtest::TempDir folder;
    return folder.path();
}

struct NoWindow : qmxsrv::SetupWindow {
    void showSetupTitle(const std::string &) override {}
    void UpdateMainDisplay() override {}
};

struct Program {
    qmxsrv::NullDeviceApi api;
    qmxsrv::Device device{api};
    qmxsrv::ScriptedMessageBoxes boxes;
    qmxsrv::ProgramState state{device, boxes, qmxsrv::defaultSettings(scratchFolder())};
    NoWindow window;
};

} // namespace qmxfuzz
