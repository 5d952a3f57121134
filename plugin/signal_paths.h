#pragma once
// Helpers of the per-kind signal paths: reading the host's channels by the
// rules that make missing, inactive and silence-flagged input read as zeros.

#include <cstdint>

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "public.sdk/source/vst/vstbus.h"

namespace korvalest::plugins {

template <typename Sample>
Sample** channelBuffers(const Steinberg::Vst::AudioBusBuffers& bus);

template <>
inline float** channelBuffers<float>(const Steinberg::Vst::AudioBusBuffers& bus)
{
    return bus.channelBuffers32;
}

template <>
inline double** channelBuffers<double>(const Steinberg::Vst::AudioBusBuffers& bus)
{
    return bus.channelBuffers64;
}

// Input channel ch of input bus j from frame `start` on, or null when it reads
// as zeros: bus not in the block or not in the plug-in's list, bus inactive,
// channel not in the block, channel flagged silent, or no buffer.
template <typename Sample>
const Sample* readableInput(const Steinberg::Vst::ProcessData& data, const Steinberg::Vst::BusList& buses,
                            int32_t j, int32_t ch, int32_t start)
{
    if (j < 0 || j >= data.numInputs || j >= static_cast<int32_t>(buses.size()))
        return nullptr;
    const Steinberg::Vst::Bus* bus = buses[static_cast<size_t>(j)];
    if (bus == nullptr || !bus->isActive())
        return nullptr;
    const Steinberg::Vst::AudioBusBuffers& buffers = data.inputs[j];
    if (ch < 0 || ch >= buffers.numChannels || ((buffers.silenceFlags >> ch) & 1u) != 0)
        return nullptr;
    Sample** channels = channelBuffers<Sample>(buffers);
    if (channels == nullptr || channels[ch] == nullptr)
        return nullptr;
    return channels[ch] + start;
}

// The highest channel index of input bus j in the block, 0 when it has none.
inline int32_t lastInputChannel(const Steinberg::Vst::ProcessData& data, int32_t j)
{
    const int32_t channels = j < data.numInputs ? data.inputs[j].numChannels : 0;
    return channels > 0 ? channels - 1 : 0;
}

} // namespace korvalest::plugins
