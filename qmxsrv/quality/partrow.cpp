#include "quality/partrow.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>

namespace qmxsrv {

std::string utcNow(int &offsetMin)
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm utc{}, local{};
    gmtime_r(&seconds, &utc);
    localtime_r(&seconds, &local);
    offsetMin = int(local.tm_gmtoff / 60);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, int(ms));
    return text;
}

std::string recordedText(std::int64_t id, const PartRow &part)
{
    std::string text =
        "Part " + std::to_string(id) + " recorded: " + std::string(verdictText(part.verdict));
    for (const MeasurementRow &m : part.measurements) {
        if (m.verdict != part.verdict || m.verdict == Verdict::Good)
            continue;
        const std::string name =
            m.description.empty() ? "Channel " + std::to_string(m.channel) : m.description;
        // The window's text keeps a place for the sign; a sentence needs none.
        const std::string shown =
            m.text.substr(std::min(m.text.find_first_not_of(' '), m.text.size()));
        text += " (" + name + (m.value ? " " + shown : ": no reading") + ")";
        break;
    }
    return text;
}

} // namespace qmxsrv
