// firmware.cpp
#include "firmware.h"

#include "commands.h"

#include <codes.h>

#include <cstring>
#include <string>

namespace qmxboard {
namespace {

void putFloat(std::vector<std::uint8_t> &out, float v)
{
    std::uint8_t b[4];
    std::memcpy(b, &v, 4);
    out.insert(out.end(), b, b + 4);
}

Reply floatReply(float v)
{
    Reply r;
    putFloat(r.data, v);
    return r;
}

Reply refuse(Status status)
{
    Reply r;
    r.status = status;
    return r;
}

std::uint16_t word(const std::vector<std::uint8_t> &d, std::size_t at)
{
    return std::uint16_t(d[at] | d[at + 1] << 8);
}

// Whether an item number lies in the board's range; the status when not.
Status checkItem(Item kind, int n)
{
    switch (kind) {
    case Item::Channel: return n >= 1 && n <= kChannels ? kOk : kBadChannel;
    case Item::Probe: return n >= 1 && n <= kProbes ? kOk : kBadProbe;
    case Item::Input: return n >= 1 && n <= kInputs ? kOk : kBadProbe;
    case Item::None: break;
    }
    return kOk;
}

} // namespace

Firmware::Firmware(const SignalModel &model, const BoardMemory &memory, std::int64_t nowNs)
    : memory_(memory), scan_(model)
{
    for (Calibration &c : probes_)
        c.fullScale = kProbeUnitScale;
    for (Calibration &c : inputs_)
        c.fullScale = kInputUnitScale;
    scan_.start(nowNs, [this] { channels_.scan(*this); });
}

void Firmware::advance(std::int64_t nowNs)
{
    scan_.advance(nowNs, [this] { channels_.scan(*this); });
}

double Firmware::probe(int n)
{
    const Calibration &c = probes_[n - 1];
    return scan_.position(probeItem(n)) * (double(c.fullScale) / double(kProbeUnitScale)) +
           double(c.zero);
}

double Firmware::input(int n)
{
    const Calibration &c = inputs_[n - 1];
    return scan_.position(inputItem(n)) * (double(c.fullScale) / double(kInputUnitScale)) +
           double(c.zero);
}

float *Firmware::calibration(std::uint8_t code, int n)
{
    switch (code) {
    case qmx::kSetTfsv:
    case qmx::kReadTfsv: return &probes_[n - 1].fullScale;
    case qmx::kSetTzero:
    case qmx::kReadTzero: return &probes_[n - 1].zero;
    case qmx::kSetAfsv:
    case qmx::kReadAfsv: return &inputs_[n - 1].fullScale;
    case qmx::kSetAzero:
    case qmx::kReadAzero: return &inputs_[n - 1].zero;
    case qmx::kSetCzero:
    case qmx::kReadCzero: return &channels_.at(n).zero;
    case qmx::kSetCscale:
    case qmx::kReadCscale: return &channels_.at(n).scale;
    }
    return nullptr;
}

Reply Firmware::execute(std::uint8_t code, const std::vector<std::uint8_t> &d, std::int64_t nowNs)
{
    const Command *c = findCommand(code);
    if (!c || d.size() < dataNeeded(c->shape))
        return refuse(kBadCommand);
    int n = d[0];
    if (Status s = checkItem(c->item, n); s != kOk)
        return refuse(s);

    switch (c->shape) {
    case Shape::ItemFloat: std::memcpy(calibration(code, n), &d[1], 4); return {};
    case Shape::Item:
        if (float *value = calibration(code, n))
            return floatReply(*value);
        break;
    default: break;
    }

    switch (code) {
    case qmx::kMemory: return memoryRead(d);
    case qmx::kReadDirect: return directRead(d);
    case qmx::kDefineChannel: {
        // The text ends at its NUL, or with the frame.
        const char *text = reinterpret_cast<const char *>(&d[1]);
        std::string_view formula(text, strnlen(text, d.size() - 1));
        if (formula.find_first_not_of(" \t") == std::string_view::npos) {
            channels_.clear(n);
            return {};
        }
        return refuse(channels_.define(n, formula));
    }
    case qmx::kReadChannel: return floatReply(channel(n));
    case qmx::kClearAllChannels: channels_.clearAll(); return {};
    case qmx::kClearChannel: channels_.clear(n); return {};
    case qmx::kStartScan: scan_.setRunning(true, nowNs); return {};
    case qmx::kStopScan: scan_.setRunning(false, nowNs); return {};
    case qmx::kResetMaxMin: channels_.resetMemories(); return {};
    case qmx::kSetScanTime: scan_.setPeriod(word(d, 0), nowNs); return {};
    case qmx::kReadLvdt: return floatReply(float(probe(n)));
    case qmx::kReadAnalog: return floatReply(float(input(n)));
    case qmx::kReadFormula: {
        Reply r;
        const std::string &text = channels_.at(n).text;
        r.data.assign(text.begin(), text.end());
        r.data.push_back(0);
        return r;
    }
    case qmx::kSetFpIn: fpIn_ = d[0]; return {};
    case qmx::kSetFpOut: fpOut_ = d[0]; return {};
    case qmx::kSetMuxTime: muxTime_ = word(d, 0); return {};
    case qmx::kSetFpPrec: fpPrec_ = d[0]; return {};
    case qmx::kGetFpIn: return Reply{kOk, {fpIn_, 0}};
    case qmx::kGetFpOut: return Reply{kOk, {fpOut_, 0}};
    case qmx::kGetFpPrec: return Reply{kOk, {fpPrec_, 0}};
    case qmx::kSetAdcAvg: scan_.setAdcAverage(word(d, 0)); return {};
    case qmx::kSetRunAvg: scan_.setRunAverage(word(d, 0)); return {};
    }
    return refuse(kBadCommand);
}

// 02: 00 the raw positions of probes 1..64, 01 those of inputs 1..16, as
// floats before calibration (what the converters see).
Reply Firmware::directRead(const std::vector<std::uint8_t> &d)
{
    if (d[0] > 1)
        return refuse(kBadCommand);
    Reply r;
    int first = d[0] == 0 ? probeItem(1) : inputItem(1);
    int count = d[0] == 0 ? kProbes : kInputs;
    for (int i = 0; i < count; ++i)
        putFloat(r.data, float(scan_.position(first + i)));
    return r;
}

// 01: 00, offset, segment: 256 bytes of board memory (the loaded image lives there).
Reply Firmware::memoryRead(const std::vector<std::uint8_t> &d) const
{
    if (d[0] != 0)
        return refuse(kBadCommand);
    std::uint16_t offset = word(d, 1), segment = word(d, 3);
    Reply r;
    for (unsigned i = 0; i < 256; ++i)
        r.data.push_back(memory_.read(std::uint32_t(segment) * 16 + std::uint16_t(offset + i)));
    return r;
}

} // namespace qmxboard
