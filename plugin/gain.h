#pragma once
// Gain law, active count and the one-pole gain smoother.

#include <cmath>
#include <cstdint>

namespace korvalest::plugins {

// Normalized x stands for x * 102 - 90 dB; 15/17 gives exactly 1.0.
inline double linearGain(double normalized)
{
    return std::pow(10.0, (normalized * 102.0 - 90.0) / 20.0);
}

// Live strips or branches, 1 to 64, from "Active strips / branches".
inline int32_t activeCount(double normalized)
{
    return static_cast<int32_t>(std::round(normalized * 63.0)) + 1;
}

constexpr double kGainTimeConstantSeconds = 0.003;

// The output pass works in chunks of this many frames; each moving gain's
// ramp for a chunk is computed once and shared by every channel using it.
constexpr int32_t kRampChunkFrames = 64;

// The smoother's per-frame step k = 1 - a, a = exp(-1 / (rate * 3 ms)).
inline double smoothingStep(double sampleRate)
{
    return 1.0 - std::exp(-1.0 / (sampleRate * kGainTimeConstantSeconds));
}

// One frame of the smoother; the output pass steps every frame this way.
inline double smoothOneFrame(double gain, double target, double step)
{
    return gain + (target - gain) * step;
}

// The state after `frames` frames, in closed form; `decay` is (1 - k)^frames.
inline double advanceSmoothed(double start, double target, double decay)
{
    return target + (start - target) * decay;
}

} // namespace korvalest::plugins

namespace korvalest::plugins {

// linearGain of the last value asked for, kept so that a steady parameter costs
// no pow per sub-block.
struct MemoizedGain {
    double normalized = -1.0; // outside [0, 1]: nothing held yet
    double linear = 0.0;
    double operator()(double x)
    {
        if (x != normalized) {
            normalized = x;
            linear = linearGain(x);
        }
        return linear;
    }
};

} // namespace korvalest::plugins
