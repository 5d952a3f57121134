#pragma once

#include <cstdint>
#include <vector>

namespace korvalest::plugins {

// Decoded audio held in memory: interleaved 32-bit floats, channel c of frame f
// at f * channels + c. Moved, never copied: clips can be hundreds of MiB.
struct AudioClip {
    uint32_t channels = 0;
    uint32_t sampleRate = 0;
    std::vector<float> samples;

    AudioClip() = default;
    AudioClip(AudioClip&&) noexcept = default;
    AudioClip& operator=(AudioClip&&) noexcept = default;
    AudioClip(const AudioClip&) = delete;
    AudioClip& operator=(const AudioClip&) = delete;

    uint64_t frameCount() const { return channels == 0 ? 0 : samples.size() / channels; }
};

} // namespace korvalest::plugins
