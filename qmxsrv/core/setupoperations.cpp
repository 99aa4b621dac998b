#include "setupoperations.h"

#include "device.h"
#include "programstate.h"
#include "setupwindow.h"

#include <algorithm>
#include <memory>

namespace qmxsrv {
namespace {

// The one resize rule of the three object collections. The collection's own
// size, not the count setting, is the old count: a count read as -3 means no
// objects, and growing from it must start at number 1.
template <typename T, typename Make>
bool resize(Collection<T> &items, std::int16_t &count, std::int16_t newCount, Make make)
{
    if (newCount > MaxItemCount)
        return false;
    const int target = std::max<int>(newCount, 0);
    while (items.Count() > target)
        items.Remove(items.Count());
    while (items.Count() < target) {
        std::unique_ptr<T> item = make();
        item->SetDefaults(static_cast<std::int16_t>(items.Count() + 1));
        items.Add(std::move(item));
    }
    count = newCount;
    return true;
}

// Every object removed, then created afresh with its defaults at the same count.
template <typename T> void rebuild(ProgramState &state, Collection<T> &items, std::int16_t &count,
                                   bool (*create)(ProgramState &, std::int16_t))
{
    items.clear();
    const std::int16_t n = count;
    count = 0;
    create(state, n);
}

} // namespace

void StartDevice(ProgramState &state)
{
    Settings &s = state.settings;
    Device &d = state.device();
    s.CommStatus = static_cast<std::int16_t>(d.QmxCommInit(s.QMXBaseAdr, s.FirmwarePath));
    d.QmxStartScan();
    d.QmxSetScanTime(s.ScanTime);
    d.QmxSetAdcAvg(s.ADCAverage);
    d.QmxSetRunAvg(s.RunAvg);
}

void CreateDefaultObjects(ProgramState &state)
{
    CreateChannels(state, state.settings.MaxChannel);
    CreateLVDTs(state, state.settings.MaxLVDT);
    CreateAnalogs(state, state.settings.MaxAnalog);
}

bool CreateChannels(ProgramState &state, std::int16_t NewMaxChannel)
{
    if (!resize(state.Channels, state.settings.MaxChannel, NewMaxChannel,
                [&state] { return std::make_unique<channel>(state.device(), state.boxes()); }))
        return false;
    // Callers ask the operator first; this only makes sure that no group is
    // left naming a channel that is gone (a setup file can shrink the
    // channels after its groups).
    CheckMaxChannel(state, static_cast<std::int16_t>(state.Channels.Count()), true);
    return true;
}

bool CreateLVDTs(ProgramState &state, std::int16_t NewMaxLVDT)
{
    return resize(state.LVDTs, state.settings.MaxLVDT, NewMaxLVDT,
                  [&state] { return std::make_unique<lvdt>(state.device()); });
}

bool CreateAnalogs(ProgramState &state, std::int16_t NewMaxAnalog)
{
    return resize(state.Analogs, state.settings.MaxAnalog, NewMaxAnalog,
                  [&state] { return std::make_unique<analog>(state.device()); });
}

void CreateDigitals(ProgramState &state, std::int16_t NewMaxDigital)
{
    state.settings.MaxDigital = NewMaxDigital;
}

void CreateStrains(ProgramState &state, std::int16_t NewMaxStrain)
{
    state.settings.MaxStrain = NewMaxStrain;
}

void RemoveAllGroups(ProgramState &state) { state.Groups.clear(); }

void ClearSetup(ProgramState &state)
{
    Settings &s = state.settings;
    RemoveAllGroups(state);
    rebuild(state, state.Channels, s.MaxChannel, CreateChannels);
    rebuild(state, state.LVDTs, s.MaxLVDT, CreateLVDTs);
    rebuild(state, state.Analogs, s.MaxAnalog, CreateAnalogs);
}

bool CheckMaxChannel(ProgramState &state, std::int16_t NewMax, bool FixNow)
{
    for (group &g : state.Groups) {
        for (int j = 1; j <= g.Count();) {
            if (g.GetChannel(static_cast<std::int16_t>(j)) <= NewMax) {
                ++j;
                continue;
            }
            if (!FixNow)
                return false;
            g.RemoveChannel(
                static_cast<std::int16_t>(j)); // the later channels moved down: look at j again
        }
    }
    return true;
}

std::string setupWindowTitle(const std::string &setupFileName)
{
    return "QMX-X1 [" + setupFileName + "]";
}

void NewSetup(ProgramState &state, SetupWindow &window)
{
    state.view.UpdateEnabled = false;
    state.view.SetupFileName = "new.qmx";
    window.showSetupTitle(setupWindowTitle(state.view.SetupFileName));
    ClearSetup(state);
    state.view.UpdateEnabled = true;
}

} // namespace qmxsrv
