#pragma once
// Hosts may process in place: an output channel can share its buffer with an
// input channel. Outputs are written bus by bus, so a later output (a further
// DISTRIBUTOR branch, SUMMING's repeated mono channel) could read input that an
// earlier write has replaced. When a block shares buffers, the shared input
// channels are copied first and the walk reads the copies.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pluginterfaces/vst/ivstaudioprocessor.h"

namespace korvalest::plugins {

class InputAliasGuard {
public:
    // Enough for every layout the kinds accept (64 stereo buses); shared
    // channels beyond it read as silence.
    static constexpr size_t kMaxCopiedChannels = 128;
    static constexpr size_t kMaxBuses = 64;
    static constexpr size_t kMaxChannels = 64;

    // Set-up thread: room for blocks of up to maxBlockSize frames of either
    // sample size. Throws std::bad_alloc, leaving the guard as it was.
    void prepare(int32_t maxBlockSize);

    // Audio thread, after the block's checks passed: the input buses the walk
    // should read (the host's own when nothing is shared). Never allocates.
    Steinberg::Vst::AudioBusBuffers* protect(const Steinberg::Vst::ProcessData& data);

private:
    template <typename Sample>
    Steinberg::Vst::AudioBusBuffers* protectAs(const Steinberg::Vst::ProcessData& data);

    std::vector<std::byte> copies; // kMaxCopiedChannels channels of frames float64s
    size_t framesPerChannel = 0;
    std::array<const void*, kMaxBuses * kMaxChannels> outputPointers{};
    std::array<Steinberg::Vst::AudioBusBuffers, kMaxBuses> shadowBuses{};
    std::array<float*, kMaxBuses * kMaxChannels> shadowPointers32{};
    std::array<double*, kMaxBuses * kMaxChannels> shadowPointers64{};

    template <typename Sample>
    Sample** shadowTable(size_t bus);
};

} // namespace korvalest::plugins
