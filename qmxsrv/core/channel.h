// A computed gauge channel: a formula over probes and inputs that the board
// evaluates. The object holds what the operator set up; the channel's zero
// offset and scaling live on the board only, so their properties talk to the
// board on every access.
#pragma once

#include <cstdint>
#include <string>

namespace qmxsrv {

class Device;
class MessageBoxes;

class channel {
public:
    channel(Device &device, MessageBoxes &boxes) : device_(&device), boxes_(&boxes) {}

    std::int16_t Index = 0; // channel number on the board
    std::string Description;
    std::int16_t Decimals = 0;
    std::string Units;
    bool UseTwoMasters = false;
    float Master1 = 0;
    float Master2 = 0;
    float HiTol = 0;
    float LoTol = 0;
    float HiAppr = 0;
    float LoAppr = 0;
    float BarDisplayTop = 0;
    float BarDisplayBot = 0;
    bool InUse = false; // programmed from the channel setup; only such channels are saved

    // Number i with every default, programmed on the board: QmxClearChannel(i),
    // QmxSetCzero(i, 0.0), QmxSetCscale(i, 1.0), in this order.
    void SetDefaults(std::int16_t i);

    const std::string &Formula() const { return formula_; }
    // QmxClearChannel(Index) for an empty text, else QmxDefineChannel(Index,
    // text); the text is kept whatever the board answers. With Index 0 it
    // shows "Index Zero in Formula Property" and changes nothing.
    void setFormula(const std::string &NewFormula);
    // Whether the board took Formula() as it stands. A refused definition
    // leaves the board's channel as it was (empty, or an older formula), so
    // what it reads is no measurement of this channel; neither is anything
    // read from a channel without a formula.
    bool measures() const { return measures_; }
    // QmxDefineChannel(ChannelNumber, Formula); the stored formula stays.
    void SetChannelFormula(std::int16_t ChannelNumber, const std::string &Formula);

    // Board reads start from 0.0: a failed call gives 0.0.
    float Value(std::int16_t ChanNumber);
    float ZeroOffset();
    // With Index 0 it shows "Index Zero in ZeroOffset Property" and sends nothing.
    void setZeroOffset(float NewZeroOffset);
    float Scaling();
    void setScaling(float NewScaling);

private:
    Device *device_;
    MessageBoxes *boxes_;
    std::string formula_;
    bool measures_ = false;
};

} // namespace qmxsrv
