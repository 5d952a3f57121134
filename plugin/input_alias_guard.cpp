#include "input_alias_guard.h"

#include <algorithm>
#include <cstring>

#include "signal_paths.h"

namespace korvalest::plugins {

using namespace Steinberg;
using namespace Steinberg::Vst;

void InputAliasGuard::prepare(int32_t maxBlockSize)
{
    const size_t frames = static_cast<size_t>(maxBlockSize);
    std::vector<std::byte> bank(kMaxCopiedChannels * frames * sizeof(double));
    copies.swap(bank);
    framesPerChannel = frames;
}

template <>
float** InputAliasGuard::shadowTable<float>(size_t bus)
{
    return &shadowPointers32[bus * kMaxChannels];
}

template <>
double** InputAliasGuard::shadowTable<double>(size_t bus)
{
    return &shadowPointers64[bus * kMaxChannels];
}

AudioBusBuffers* InputAliasGuard::protect(const ProcessData& data)
{
    if (data.numInputs == 0 || data.numOutputs == 0 || data.numSamples <= 0)
        return data.inputs;
    return data.symbolicSampleSize == kSample64 ? protectAs<double>(data) : protectAs<float>(data);
}

template <typename Sample>
AudioBusBuffers* InputAliasGuard::protectAs(const ProcessData& data)
{
    size_t outputs = 0;
    for (int32 b = 0; b < data.numOutputs; ++b) {
        Sample** channels = channelBuffers<Sample>(data.outputs[b]);
        if (channels == nullptr)
            continue;
        for (int32 c = 0; c < data.outputs[b].numChannels; ++c)
            if (channels[c] != nullptr)
                outputPointers[outputs++] = channels[c];
    }
    std::sort(outputPointers.begin(), outputPointers.begin() + static_cast<std::ptrdiff_t>(outputs));
    auto shared = [&](const Sample* p) {
        return p != nullptr
            && std::binary_search(outputPointers.begin(), outputPointers.begin() + static_cast<std::ptrdiff_t>(outputs),
                                  static_cast<const void*>(p));
    };

    bool anyShared = false;
    for (int32 j = 0; j < data.numInputs && !anyShared; ++j)
        if (Sample** channels = channelBuffers<Sample>(data.inputs[j]))
            for (int32 ch = 0; ch < data.inputs[j].numChannels && !anyShared; ++ch)
                anyShared = shared(channels[ch]);
    if (!anyShared)
        return data.inputs;

    const size_t frames = std::min(static_cast<size_t>(data.numSamples), framesPerChannel);
    auto* bank = reinterpret_cast<Sample*>(copies.data());
    size_t copied = 0;
    for (int32 j = 0; j < data.numInputs; ++j) {
        AudioBusBuffers& shadow = shadowBuses[static_cast<size_t>(j)];
        shadow = data.inputs[j];
        Sample** channels = channelBuffers<Sample>(data.inputs[j]);
        if (channels == nullptr)
            continue;
        Sample** table = shadowTable<Sample>(static_cast<size_t>(j));
        for (int32 ch = 0; ch < data.inputs[j].numChannels; ++ch) {
            Sample* source = channels[ch];
            if (!shared(source)) {
                table[ch] = source;
            } else if (copied < kMaxCopiedChannels && frames == static_cast<size_t>(data.numSamples)) {
                Sample* copy = bank + copied++ * framesPerChannel;
                std::memcpy(copy, source, frames * sizeof(Sample));
                table[ch] = copy;
            } else {
                table[ch] = nullptr; // beyond every accepted layout: silence, never stale input
            }
        }
        if constexpr (sizeof(Sample) == sizeof(double))
            shadow.channelBuffers64 = table;
        else
            shadow.channelBuffers32 = table;
    }
    return shadowBuses.data();
}

} // namespace korvalest::plugins
