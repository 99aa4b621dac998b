// signal_model.h - where the probes and inputs stand: a position set from
// outside (the part on the gauge), slow motion and a little A/D noise, all a
// pure function of seed, time and sample number, so runs repeat exactly.
#pragma once

#include "capacities.h"

#include <array>
#include <cstdint>

namespace qmxboard {

// Probes are items 0..kProbes-1, inputs follow.
constexpr int kItems = kProbes + kInputs;
inline int probeItem(int n) { return n - 1; }
inline int inputItem(int n) { return kProbes + n - 1; }

class SignalModel {
public:
    explicit SignalModel(std::uint64_t seed = 1);

    void reseed(std::uint64_t seed);
    std::uint64_t seed() const { return seed_; }
    // Power-on: every probe and input at 0, moving.
    void resetPositions();
    void setPosition(int item, double value) { position_[item] = value; }
    double position(int item) const { return position_[item]; }
    void freeze(bool frozen) { frozen_ = frozen; }
    bool frozen() const { return frozen_; }

    // The mean of `samples` A/D conversions of an item at time t (seconds),
    // scan number `scan`. Frozen: exactly the set position.
    double sample(int item, double t, std::uint64_t scan, unsigned samples) const;

private:
    struct Motion {
        double amplitude, period1, phase1, period2, phase2, noise;
    };
    std::uint64_t seed_;
    bool frozen_ = false;
    std::array<double, kItems> position_{};
    std::array<Motion, kItems> motion_{};
};

} // namespace qmxboard
