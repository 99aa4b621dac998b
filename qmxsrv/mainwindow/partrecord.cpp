#include "mainwindow/partrecord.h"

#include "core/device.h"
#include "core/numbertext.h"
#include "core/programstate.h"

namespace qmxsrv {

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

} // namespace qmxsrv
