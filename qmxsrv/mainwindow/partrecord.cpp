#include "mainwindow/partrecord.h"

#include "core/device.h"
#include "core/numbertext.h"
#include "core/programstate.h"

#include <cmath>

namespace qmxsrv {

namespace {

enum class Read { Measured, FormulaNotTaken, Failed, Demonstrating };

// A formula the board refused gives no measurement to read.
Read readAfresh(ProgramState &state, int i, float &value)
{
    if (!state.Channels.Item(i).measures())
        return Read::FormulaNotTaken;
    Device &device = state.device();
    if (device.QmxReadChannel(i, value) != 0)
        return Read::Failed;
    return device.QmxHostDemoMode() == 0 ? Read::Measured : Read::Demonstrating;
}

} // namespace

PartRow measurePart(ProgramState &state, const std::string &serial)
{
    PartRow part;
    part.recordedUtc = utcNow(part.utcOffsetMin);
    part.setup = state.view.SetupFileName;
    part.serial = serial;
    part.verdict = Verdict::Good;
    for (int i = 1; i <= state.Channels.Count(); ++i) {
        if (state.Channels.Item(i).Formula().empty())
            continue;
        float value = 0;
        const bool read = readAfresh(state, i, value) == Read::Measured;
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

std::optional<double> measureChannel(ProgramState &state, int channel, std::string &why)
{
    why.clear();
    const std::string name = "channel " + std::to_string(channel);
    if (!state.Channels.contains(channel) || state.Channels.Item(channel).Formula().empty()) {
        why = "there is no " + name + " with a formula in this setup";
        return std::nullopt;
    }
    float value = 0;
    const Read read = readAfresh(state, channel, value);
    // A read can run the library's message box, and with it events.
    if (!state.Channels.contains(channel)) {
        why = name + " was removed while it was read";
        return std::nullopt;
    }
    switch (read) {
    case Read::Measured: break;
    case Read::FormulaNotTaken: why = "the board did not take the formula of " + name; break;
    case Read::Failed: why = "the board did not answer the read of " + name; break;
    case Read::Demonstrating:
        why = "the board is in demonstration mode: what it shows is no measurement";
        break;
    }
    if (read == Read::Measured && !std::isfinite(value))
        why = name + " reads no number";
    if (!why.empty())
        return std::nullopt;
    return decimalDouble(value);
}

} // namespace qmxsrv
