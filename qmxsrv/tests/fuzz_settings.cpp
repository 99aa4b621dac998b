// Any bytes as qmxsrv.ini: the reader must neither crash nor hang, and the
// settings it read must write and read back unchanged.
#include "core/settings.h"
#include "fuzz_support.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string folder = qmxfuzz::scratchFolder();
    const std::string path = folder + "/qmxsrv.ini";
    qmxtest::writeFile(path, std::string(reinterpret_cast<const char *>(data), size));

    qmxsrv::ScriptedMessageBoxes boxes;
    qmxsrv::Settings first = qmxsrv::defaultSettings(folder);
    qmxsrv::ReadSettings(first, boxes);

    const std::string text = qmxsrv::settingsText(first, size % 2 == 0);
    qmxtest::writeFile(path, text);
    qmxsrv::Settings again = qmxsrv::defaultSettings(folder);
    qmxsrv::ReadSettings(again, boxes);
    if (again != first || !boxes.shown.empty()) {
        std::fprintf(stderr, "written settings did not read back\n");
        std::abort();
    }
    return 0;
}
