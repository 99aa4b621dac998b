// Any bytes as a setup file: the loader must neither crash nor hang, and what
// it loaded must save and load back to the very same text.
#include "core/setupfile.h"
#include "core/setupoperations.h"
#include "fuzz_support.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string path = qmxfuzz::scratchFolder() + "/in.qmx";
    qmxtest::writeFile(path, std::string(reinterpret_cast<const char *>(data), size));

    qmxfuzz::Program p;
    p.state.settings.MaxChannel = 8;
    p.state.settings.MaxLVDT = 4;
    p.state.settings.MaxAnalog = 2;
    qmxsrv::CreateDefaultObjects(p.state);
    p.state.view.SetupFileName = path;
    qmxsrv::LoadSetupFile(p.state, p.window);

    const std::string saved = qmxsrv::setupText(p.state);
    qmxtest::writeFile(path, saved);
    p.boxes.shown.clear();
    qmxsrv::LoadSetupFile(p.state, p.window);
    if (qmxsrv::setupText(p.state) != saved || !p.boxes.shown.empty()) {
        std::fprintf(stderr, "a saved setup did not load back as saved\n");
        std::abort();
    }
    return 0;
}
