// firmware.h - the firmware the board runs once an image has started: it
// answers the command frames, keeps the channel table, the calibrations of
// probes and inputs and the board settings, and runs the scan.
#pragma once

#include "channel_table.h"
#include "loader.h"
#include "scan.h"

#include <array>
#include <cstdint>
#include <vector>

namespace qmxboard {

struct Reply {
    std::uint8_t status = kOk;
    std::vector<std::uint8_t> data;
};

struct Calibration {
    float zero = 0.0f;
    float fullScale = 0.0f;
};

// Full-scale values at which a reading equals the position: the program's
// default LVDT full scale (0.02, sent as a quarter) and analog full scale.
constexpr float kProbeUnitScale = 0.005f;
constexpr float kInputUnitScale = 1.0f;

class Firmware : public Readings {
public:
    Firmware(const SignalModel &model, const BoardMemory &memory, std::int64_t nowNs);

    // Runs the scans that are due; called before every command.
    void advance(std::int64_t nowNs);
    Reply execute(std::uint8_t code, const std::vector<std::uint8_t> &data, std::int64_t nowNs);

    // Calibrated readings, as the board answers them.
    double probe(int n) override;
    double input(int n) override;
    float channel(int n) { return channels_.value(n, *this); }

    const ChannelTable &channels() const { return channels_; }
    const Calibration &probeCalibration(int n) const { return probes_[n - 1]; }
    const Calibration &inputCalibration(int n) const { return inputs_[n - 1]; }
    const Scan &scan() const { return scan_; }
    std::uint8_t fpIn() const { return fpIn_; }
    std::uint8_t fpOut() const { return fpOut_; }
    std::uint8_t fpPrec() const { return fpPrec_; }
    std::uint16_t muxTime() const { return muxTime_; }

private:
    float *calibration(std::uint8_t code, int n);
    Reply directRead(const std::vector<std::uint8_t> &data);
    Reply memoryRead(const std::vector<std::uint8_t> &data) const;

    const BoardMemory &memory_;
    Scan scan_;
    ChannelTable channels_;
    std::array<Calibration, kProbes> probes_;
    std::array<Calibration, kInputs> inputs_;
    std::uint8_t fpIn_ = 0, fpOut_ = 0, fpPrec_ = 0;
    std::uint16_t muxTime_ = 0;
};

} // namespace qmxboard
