// What the fuzz targets share: a scratch folder for the files they hand to
// the readers, and a program state on a device that talks to nothing, so
// that no input can make a target wait on the library's time-outs.
#pragma once

#include "device.h"
#include "messageboxes.h"
#include "nulldeviceapi.h"
#include "programstate.h"
#include "setupwindow.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace qmxfuzz {

// Made at the first use, removed when the fuzzer exits.
inline const std::string &scratchFolder()
{
    static const struct Folder {
        Folder()
        {
            std::string pattern =
                (std::filesystem::temp_directory_path() / "qmxfuzz-XXXXXX").string();
            path = ::mkdtemp(pattern.data());
        }
        ~Folder()
        {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
        std::string path;
    } folder;
    return folder.path;
}

inline void writeBytes(const std::string &path, const char *data, std::size_t size)
{
    std::ofstream(path, std::ios::binary).write(data, static_cast<std::streamsize>(size));
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
