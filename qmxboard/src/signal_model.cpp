// signal_model.cpp
#include "signal_model.h"

#include <cmath>

namespace qmxboard {
namespace {

constexpr double kTwoPi = 6.283185307179586;
// Probes move about 0.5 thou and show 20 micro-inch of noise; inputs a few
// hundredths of their unit scale.
constexpr double kProbeMotion = 0.0005, kProbeNoise = 0.00002;
constexpr double kInputMotion = 0.02, kInputNoise = 0.001;

std::uint64_t mix(std::uint64_t x)
{ // splitmix64 finaliser
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// Uniform in [0, 1).
double unit(std::uint64_t x) { return double(x >> 11) * (1.0 / 9007199254740992.0); }

} // namespace

SignalModel::SignalModel(std::uint64_t seed) { reseed(seed); }

void SignalModel::reseed(std::uint64_t seed)
{
    seed_ = seed;
    for (int i = 0; i < kItems; ++i) {
        std::uint64_t h = mix(seed ^ mix(std::uint64_t(i) + 0x51ull));
        bool probe = i < kProbes;
        Motion &m = motion_[i];
        m.amplitude = (probe ? kProbeMotion : kInputMotion) * (0.5 + unit(h));
        m.period1 = 8.0 + 12.0 * unit(mix(h + 1));
        m.phase1 = kTwoPi * unit(mix(h + 2));
        m.period2 = 2.5 + 2.5 * unit(mix(h + 3));
        m.phase2 = kTwoPi * unit(mix(h + 4));
        m.noise = probe ? kProbeNoise : kInputNoise;
    }
}

void SignalModel::resetPositions()
{
    position_.fill(0.0);
    frozen_ = false;
}

double SignalModel::sample(int item, double t, std::uint64_t scan, unsigned samples) const
{
    if (frozen_)
        return position_[item];
    const Motion &m = motion_[item];
    double moved =
        position_[item] + m.amplitude * (0.7 * std::sin(kTwoPi * t / m.period1 + m.phase1) +
                                         0.3 * std::sin(kTwoPi * t / m.period2 + m.phase2));
    if (samples == 0)
        samples = 1;
    double noise = 0;
    std::uint64_t key = mix(seed_ ^ mix((scan << 8) ^ std::uint64_t(item)));
    for (unsigned j = 0; j < samples; ++j) {
        std::uint64_t h = mix(key + j);
        noise += unit(h) + unit(mix(h)) - 1.0; // triangular in (-1, 1)
    }
    return moved + m.noise * noise / samples;
}

} // namespace qmxboard
