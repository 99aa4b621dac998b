// scan.h - the firmware's scan: every period it converts each probe and input
// (A/D average: a burst of conversions), smooths the result over the last
// scans (running average) and lets the channels' memories take their values.
// Paced by the board's clock: the scans due are run when the board is next
// asked, however seldom that is.
#pragma once

#include "signal_model.h"

#include <array>
#include <cstdint>
#include <functional>

namespace qmxboard {

class Scan {
public:
    // Averages above this are taken as this.
    static constexpr unsigned kMaxAverage = 64;
    // At most this many missed scans are caught up; older ones are skipped.
    static constexpr unsigned kCatchUp = 256;

    explicit Scan(const SignalModel &model) : model_(model) {}

    // Firmware start: the first scan is taken at `now`.
    void start(std::int64_t nowNs, const std::function<void()> &onScan);
    // Runs the scans due by `now`, calling onScan after each one.
    void advance(std::int64_t nowNs, const std::function<void()> &onScan);

    void setRunning(bool running, std::int64_t nowNs);
    bool running() const { return running_; }
    // Settings as the PC sent them; 0 acts as 1.
    // A new period counts from now.
    void setPeriod(std::uint16_t tenthsMs, std::int64_t nowNs)
    {
        period_ = tenthsMs;
        nextNs_ = nowNs + periodNs();
    }
    void setAdcAverage(std::uint16_t samples) { adcAverage_ = samples; }
    void setRunAverage(std::uint16_t samples) { runAverage_ = samples; }
    std::uint16_t period() const { return period_; }
    std::uint16_t adcAverage() const { return adcAverage_; }
    std::uint16_t runAverage() const { return runAverage_; }
    std::uint64_t scans() const { return scans_; }

    // The item's smoothed position at the last scan; frozen: the set position.
    double position(int item) const;

private:
    std::int64_t periodNs() const;
    void takeScan(const std::function<void()> &onScan);

    const SignalModel &model_;
    bool running_ = true;
    std::uint16_t period_ = 500;
    std::uint16_t adcAverage_ = 4;
    std::uint16_t runAverage_ = 1;
    std::int64_t epochNs_ = 0;
    std::int64_t nextNs_ = 0; // time of the next scan
    std::uint64_t scans_ = 0; // scans taken since the firmware started
    std::array<std::array<double, kMaxAverage>, kItems> history_{};
    std::array<double, kItems> smoothed_{};
};

} // namespace qmxboard
