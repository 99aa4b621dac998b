#include "partrecord.h"

#include "device.h"
#include "numbertext.h"
#include "programstate.h"

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

PartRow measurePart(ProgramState &state, const std::string &serial)
{
    PartRow part;
    part.recordedUtc = utcNow(part.utcOffsetMin);
    part.setup = state.view.SetupFileName;
    part.serial = serial;
    part.verdict = Verdict::Good;
    Device &device = state.device();
    for (int i = 1; i <= state.Channels.Count(); ++i) {
        if (state.Channels.Item(i).Formula().empty())
            continue;
        // A formula the board refused gives no measurement to read.
        float value = 0;
        const bool read = state.Channels.Item(i).measures() &&
                          device.QmxReadChannel(i, value) == 0 && device.QmxHostDemoMode() == 0;
        // A read can run the library's message box, and with it events.
        if (!state.Channels.contains(i))
            continue;
        const channel &c = state.Channels.Item(i);
        MeasurementRow m;
        m.channel = i;
        m.description = c.Description;
        m.units = c.Units;
        m.loTol = decimalDouble(c.LoTol);
        m.loAppr = decimalDouble(c.LoAppr);
        m.hiAppr = decimalDouble(c.HiAppr);
        m.hiTol = decimalDouble(c.HiTol);
        if (read) {
            m.value = decimalDouble(value);
            m.text = formatValue(value, c.Decimals);
            m.verdict = verdict(value, c);
        }
        part.verdict = worst(part.verdict, m.verdict);
        part.measurements.push_back(std::move(m));
    }
    return part;
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
