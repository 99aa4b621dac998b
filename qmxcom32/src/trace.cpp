// trace.cpp - the frame trace.
#include "trace.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace qmx::trace {

bool on = false;

void Configure()
{
    const char *setting = std::getenv("QMX_TRACE");
    on = setting != nullptr && *setting != '\0' && std::strcmp(setting, "0") != 0;
}

void Write(char direction, const std::uint8_t *head, int headCount, const std::uint8_t *data,
           int dataCount, const char *note)
{
    std::string line = "qmxcom32: ";
    line += direction;
    char hex[4];
    for (int i = 0; i < headCount + dataCount; ++i) {
        std::snprintf(hex, sizeof hex, " %02X", i < headCount ? head[i] : data[i - headCount]);
        line += hex;
    }
    if (note != nullptr) {
        line += " (";
        line += note;
        line += ')';
    }
    line += '\n';
    std::fputs(line.c_str(), stderr);
}

} // namespace qmx::trace
