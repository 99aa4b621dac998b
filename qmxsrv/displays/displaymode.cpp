#include "displaymode.h"

#include "core/programstate.h"

#include <type_traits>

namespace qmxsrv {

namespace {

// State is ProgramState or const ProgramState.
template <typename State> auto *modeRecord(State &state)
{
    using Record = std::conditional_t<std::is_const_v<State>, const WindowGeometry, WindowGeometry>;
    switch (state.view.DisplayMode) {
    case ViewState::ShowChannels: return static_cast<Record *>(&state.ChannelWindows);
    case ViewState::ShowLVDTs: return static_cast<Record *>(&state.LvdtWindows);
    case ViewState::ShowAnalogs: return static_cast<Record *>(&state.AnalogWindows);
    default: return static_cast<Record *>(nullptr);
    }
}

} // namespace

const group *currentGroup(const ProgramState &state)
{
    const int g = state.view.CurrentGroup;
    return state.Groups.contains(g) ? &state.Groups.Item(g) : nullptr;
}

std::int16_t displayItemCount(const ProgramState &state)
{
    switch (state.view.DisplayMode) {
    case ViewState::ShowGroup: {
        const group *g = currentGroup(state);
        return g ? g->Count() : 0;
    }
    case ViewState::ShowChannels: return state.settings.MaxChannel;
    case ViewState::ShowLVDTs: return state.settings.MaxLVDT;
    case ViewState::ShowAnalogs: return state.settings.MaxAnalog;
    default: return 0;
    }
}

const channel *displayedChannel(const ProgramState &state, int i)
{
    int number = 0;
    if (state.view.DisplayMode == ViewState::ShowGroup) {
        const group *g = currentGroup(state);
        number = g && i >= 1 && i <= g->Count() ? g->GetChannel(std::int16_t(i)) : 0;
    } else if (state.view.DisplayMode == ViewState::ShowChannels) {
        number = i;
    }
    return state.Channels.contains(number) ? &state.Channels.Item(number) : nullptr;
}

namespace {

template <typename State> auto *inputOf(State &state, int i)
{
    using Input = std::conditional_t<std::is_const_v<State>, const BoardInput, BoardInput>;
    if (state.view.DisplayMode == ViewState::ShowLVDTs && state.LVDTs.contains(i))
        return static_cast<Input *>(&state.LVDTs.Item(i));
    if (state.view.DisplayMode == ViewState::ShowAnalogs && state.Analogs.contains(i))
        return static_cast<Input *>(&state.Analogs.Item(i));
    return static_cast<Input *>(nullptr);
}

} // namespace

BoardInput *displayedInput(ProgramState &state, int i) { return inputOf(state, i); }

std::string displayedDescription(const ProgramState &state, int i)
{
    if (const channel *c = displayedChannel(state, i))
        return c->Description;
    if (const BoardInput *in = inputOf(state, i))
        return in->Description;
    return {};
}

std::optional<WindowPlace> storedPlace(const ProgramState &state, WindowKind kind)
{
    if (state.view.DisplayMode == ViewState::ShowGroup) {
        const group *g = currentGroup(state);
        return g ? std::optional<WindowPlace>(g->windows().*kind) : std::nullopt;
    }
    const WindowGeometry *record = modeRecord(state);
    return record ? std::optional<WindowPlace>(record->*kind) : std::nullopt;
}

void storePlace(ProgramState &state, WindowKind kind, const WindowPlace &place)
{
    if (state.view.DisplayMode == ViewState::ShowGroup) {
        const int number = state.view.CurrentGroup;
        if (!state.Groups.contains(number))
            return;
        group &g = state.Groups.Item(number);
        WindowGeometry geometry = g.windows();
        geometry.*kind = place;
        g.setWindows(geometry);
    } else if (WindowGeometry *record = modeRecord(state)) {
        record->*kind = place;
    }
}

} // namespace qmxsrv
