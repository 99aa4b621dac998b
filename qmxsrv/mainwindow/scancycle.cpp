#include "mainwindow/scancycle.h"

#include "core/device.h"
#include "core/numbertext.h"
#include "core/programstate.h"

#include <QMetaMethod>

#include <algorithm>

namespace qmxsrv {

ScanCycle::ScanCycle(ProgramState &state, QObject *parent)
    : QObject(parent), state_(state), LastValue(1, NotShown), LastTrusted(1, true)
{
}

void ScanCycle::tick()
{
    show();
    emit ticked();
}

void ScanCycle::show()
{
    // The library is not re-entrant: this tick runs inside a call's message box.
    if (state_.device().callInProgress())
        return;
    showMasteringValue();
    showChannelLiveValue();
    showInputLiveValue(state_.live.LiveLvdt, state_.LVDTs.Count(), &Device::QmxReadLvdt,
                       &ScanCycle::lvdtSetupTick);
    showInputLiveValue(state_.live.LiveAnalog, state_.Analogs.Count(), &Device::QmxReadAnalog,
                       &ScanCycle::analogSetupTick);
    if (!state_.view.displayRuns())
        return;
    switch (state_.view.DisplayMode) {
    case ViewState::ShowGroup: showGroup(); break;
    case ViewState::ShowChannels: showChannels(); break;
    case ViewState::ShowLVDTs: showInputs(state_.settings.MaxLVDT, &Device::QmxReadLvdt); break;
    case ViewState::ShowAnalogs:
        showInputs(state_.settings.MaxAnalog, &Device::QmxReadAnalog);
        break;
    default: break;
    }
}

void ScanCycle::resetLastValues()
{
    int n = 0;
    switch (state_.view.DisplayMode) {
    case ViewState::ShowGroup:
    case ViewState::ShowChannels: n = state_.settings.MaxChannel; break;
    case ViewState::ShowLVDTs: n = state_.settings.MaxLVDT; break;
    case ViewState::ShowAnalogs: n = state_.settings.MaxAnalog; break;
    default: return;
    }
    LastValue.assign(std::size_t(std::max(n, 0)) + 1, NotShown);
    // A sentinel read as trusted is not shown either.
    LastTrusted.assign(LastValue.size(), true);
}

ChannelReading ScanCycle::lastReading(int ch) const
{
    return ch >= 1 && std::size_t(ch) < readings_.size() ? readings_[std::size_t(ch)]
                                                         : ChannelReading();
}

void ScanCycle::showMasteringValue()
{
    const std::int16_t ch = state_.live.MasteringChannel;
    if (ch == 0 || !state_.Channels.contains(ch))
        return;
    const int d = state_.Channels.Item(ch).Decimals;
    const float v = state_.device().read(&Device::QmxReadChannel, ch);
    state_.live.MasteringValue = v;
    emit masteringValue(formatValue(v, d));
}

void ScanCycle::showChannelLiveValue()
{
    const std::int16_t ch = state_.live.LiveChannel;
    if (ch == 0 || !state_.Channels.contains(ch) ||
        !isSignalConnected(QMetaMethod::fromSignal(&ScanCycle::channelSetupValue)))
        return;
    const int d = state_.Channels.Item(ch).Decimals;
    emit channelSetupValue(formatValue(state_.device().read(&Device::QmxReadChannel, ch), d));
}

void ScanCycle::showInputLiveValue(std::int16_t live, int count,
                                   std::int32_t (Device::*read)(std::int32_t, float &),
                                   void (ScanCycle::*tick)(const InputReader &))
{
    if (live == 0 || !isSignalConnected(QMetaMethod::fromSignal(tick)))
        return;
    const InputReader reader = [this, count, read](const std::string &numberBox) {
        // A box without a number reads as 0, which names no input.
        const std::optional<std::int16_t> n = readInt16(numberBox);
        if (!n || *n < 1 || *n > count)
            return std::optional<std::string>();
        return std::optional(formatValue(state_.device().read(read, *n), InputDecimals));
    };
    emit(this->*tick)(reader);
}

void ScanCycle::showGroup()
{
    const std::int16_t current = state_.view.CurrentGroup;
    if (!state_.Groups.contains(current))
        return;
    const int count = state_.Groups.Item(current).Count();
    // int counters: a 16-bit one never passes a count of 32767
    for (int k = 1; k <= count; ++k) {
        if (!state_.Groups.contains(current))
            return;
        const std::int16_t ch =
            state_.Groups.Item(current).GetChannel(static_cast<std::int16_t>(k));
        if (!state_.Channels.contains(ch))
            continue;
        showChannel(ch, static_cast<std::int16_t>(k));
    }
}

void ScanCycle::showChannels()
{
    const int count = state_.settings.MaxChannel;
    for (int i = 1; i <= count && state_.Channels.contains(i); ++i) {
        const auto ch = static_cast<std::int16_t>(i);
        showChannel(ch, ch);
    }
}

void ScanCycle::showInputs(int count, std::int32_t (Device::*read)(std::int32_t, float &))
{
    const bool lvdts = state_.view.DisplayMode == ViewState::ShowLVDTs;
    for (int i = 1; i <= count; ++i) {
        if (lvdts ? !state_.LVDTs.contains(i) : !state_.Analogs.contains(i))
            return;
        Device &device = state_.device();
        float v = 0;
        const bool measured = (device.*read)(i, v) == 0 && device.QmxHostDemoMode() == 0;
        toWindows(static_cast<std::int16_t>(i), formatValue(v, InputDecimals), v, measured);
    }
}

void ScanCycle::showChannel(std::int16_t ch, std::int16_t position)
{
    Device &device = state_.device();
    // A channel that measures nothing still shows what the board reads.
    const bool measures = state_.Channels.Item(ch).measures();
    float value = 0; // what a failed read shows
    const bool trusted =
        device.QmxReadChannel(ch, value) == 0 && device.QmxHostDemoMode() == 0 && measures;
    // Channels added since the last UpdateMainDisplay start as not shown.
    if (std::size_t(ch) >= LastValue.size()) {
        LastValue.resize(std::size_t(ch) + 1, NotShown);
        LastTrusted.resize(LastValue.size(), true);
    }
    if (std::size_t(ch) >= readings_.size())
        readings_.resize(std::size_t(ch) + 1);
    ChannelReading &reading = readings_[std::size_t(ch)];
    if (value == LastValue[std::size_t(ch)] && trusted == bool(LastTrusted[std::size_t(ch)]))
        return;
    LastValue[std::size_t(ch)] = value;
    LastTrusted[std::size_t(ch)] = trusted;
    // Still there? A read can run the library's message box, and with it events.
    if (!state_.Channels.contains(ch)) {
        reading = {};
        return;
    }
    const channel &c = state_.Channels.Item(ch);
    reading = trusted ? ChannelReading{decimalDouble(value), verdict(value, c)} : ChannelReading{};
    const std::string text = formatValue(value, c.Decimals);
    emit labelChanValue(ch, text);
    toWindows(position, text, value, trusted);
}

void ScanCycle::toWindows(std::int16_t position, const std::string &text, float value,
                          bool measured)
{
    emit gridValue(position, text);
    emit barValue(position, value, measured);
}

} // namespace qmxsrv
