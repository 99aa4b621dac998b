// scan.cpp
#include "scan.h"

#include <algorithm>

namespace qmxboard {
namespace {
unsigned effective(std::uint16_t setting)
{
    return std::clamp<unsigned>(setting, 1, Scan::kMaxAverage);
}
} // namespace

std::int64_t Scan::periodNs() const
{
    return std::int64_t(std::max<std::uint16_t>(period_, 1)) * 100000;
}

void Scan::start(std::int64_t nowNs, const std::function<void()> &onScan)
{
    epochNs_ = nowNs;
    nextNs_ = nowNs;
    scans_ = 0;
    advance(nowNs, onScan);
}

void Scan::setRunning(bool running, std::int64_t nowNs)
{
    if (running && !running_)
        nextNs_ = nowNs; // a restarted scan does not catch up the pause
    running_ = running;
}

void Scan::advance(std::int64_t nowNs, const std::function<void()> &onScan)
{
    if (!running_ || nowNs < nextNs_)
        return;
    std::int64_t period = periodNs();
    std::uint64_t due = std::uint64_t((nowNs - nextNs_) / period) + 1;
    if (due > kCatchUp) {
        std::uint64_t skipped = due - kCatchUp;
        scans_ += skipped;
        nextNs_ += std::int64_t(skipped) * period;
        due = kCatchUp;
    }
    for (std::uint64_t i = 0; i < due; ++i) {
        takeScan(onScan);
        nextNs_ += period;
    }
}

void Scan::takeScan(const std::function<void()> &onScan)
{
    double t = double(nextNs_ - epochNs_) * 1e-9;
    unsigned burst = effective(adcAverage_);
    unsigned window = std::min<std::uint64_t>(effective(runAverage_), scans_ + 1);
    std::size_t slot = scans_ % kMaxAverage;
    for (int item = 0; item < kItems; ++item) {
        auto &h = history_[item];
        h[slot] = model_.sample(item, t, scans_, burst);
        double sum = 0;
        for (unsigned k = 0; k < window; ++k)
            sum += h[(slot + kMaxAverage - k) % kMaxAverage];
        smoothed_[item] = sum / window;
    }
    ++scans_;
    if (onScan)
        onScan();
}

double Scan::position(int item) const
{
    return model_.frozen() ? model_.position(item) : smoothed_[item];
}

} // namespace qmxboard
