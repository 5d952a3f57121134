#include "process_buffers.h"

#include <algorithm>

namespace korvalest::plugins::testhost {

using namespace Steinberg;
using namespace Steinberg::Vst;

ProcessBuffers::ProcessBuffers(int32 symbolicSampleSize, int32 frames, std::vector<int32> inputChannels,
                               std::vector<int32> outputChannels)
    : frameCount(frames)
{
    data.symbolicSampleSize = symbolicSampleSize;
    data.numSamples = frames;
    build(in, inputChannels);
    build(out, outputChannels);
    data.numInputs = static_cast<int32>(in.buses.size());
    data.numOutputs = static_cast<int32>(out.buses.size());
    data.inputs = in.buses.empty() ? nullptr : in.buses.data();
    data.outputs = out.buses.empty() ? nullptr : out.buses.data();
}

void ProcessBuffers::build(Direction& direction, const std::vector<int32>& channels)
{
    const size_t frames = static_cast<size_t>(std::max<int32>(frameCount, 1));
    for (int32 count : channels)
        for (int32 c = 0; c < count; ++c) {
            direction.samples32.emplace_back(frames, 0.0f);
            direction.samples64.emplace_back(frames, 0.0);
        }
    size_t next = 0;
    for (int32 count : channels) {
        std::vector<float*> p32;
        std::vector<double*> p64;
        for (int32 c = 0; c < count; ++c, ++next) {
            p32.push_back(direction.samples32[next].data());
            p64.push_back(direction.samples64[next].data());
        }
        direction.pointers32.push_back(std::move(p32));
        direction.pointers64.push_back(std::move(p64));
    }
    direction.buses.resize(channels.size());
    for (size_t b = 0; b < channels.size(); ++b) {
        AudioBusBuffers& bus = direction.buses[b];
        bus.numChannels = channels[b];
        bus.silenceFlags = 0;
        if (data.symbolicSampleSize == kSample64)
            bus.channelBuffers64 = direction.pointers64[b].data();
        else
            bus.channelBuffers32 = direction.pointers32[b].data();
    }
}

size_t ProcessBuffers::channelIndex(const Direction& direction, int32 bus, int32 ch)
{
    size_t index = 0;
    for (int32 b = 0; b < bus; ++b)
        index += direction.pointers32[static_cast<size_t>(b)].size();
    return index + static_cast<size_t>(ch);
}

void ProcessBuffers::setInput(int32 bus, int32 ch, int32 frame, double value)
{
    const size_t k = channelIndex(in, bus, ch);
    in.samples32[k][static_cast<size_t>(frame)] = static_cast<float>(value);
    in.samples64[k][static_cast<size_t>(frame)] = value;
}

void ProcessBuffers::fillInputs(double value)
{
    for (auto& channel : in.samples32)
        std::fill(channel.begin(), channel.end(), static_cast<float>(value));
    for (auto& channel : in.samples64)
        std::fill(channel.begin(), channel.end(), value);
}

double ProcessBuffers::output(int32 bus, int32 ch, int32 frame) const
{
    const size_t f = static_cast<size_t>(frame);
    if (wide())
        return out.pointers64[static_cast<size_t>(bus)][static_cast<size_t>(ch)][f];
    return out.pointers32[static_cast<size_t>(bus)][static_cast<size_t>(ch)][f];
}

void ProcessBuffers::fillOutputs(double value)
{
    for (auto& channel : out.samples32)
        std::fill(channel.begin(), channel.end(), static_cast<float>(value));
    for (auto& channel : out.samples64)
        std::fill(channel.begin(), channel.end(), value);
}

void ProcessBuffers::clearInputPointer(int32 bus, int32 ch)
{
    in.pointers32[static_cast<size_t>(bus)][static_cast<size_t>(ch)] = nullptr;
    in.pointers64[static_cast<size_t>(bus)][static_cast<size_t>(ch)] = nullptr;
}

void ProcessBuffers::clearOutputPointer(int32 bus, int32 ch)
{
    out.pointers32[static_cast<size_t>(bus)][static_cast<size_t>(ch)] = nullptr;
    out.pointers64[static_cast<size_t>(bus)][static_cast<size_t>(ch)] = nullptr;
}

void ProcessBuffers::makeInPlace(int32 bus)
{
    const size_t b = static_cast<size_t>(bus);
    const size_t channels = std::min(in.pointers32[b].size(), out.pointers32[b].size());
    for (size_t c = 0; c < channels; ++c) {
        out.pointers32[b][c] = in.pointers32[b][c];
        out.pointers64[b][c] = in.pointers64[b][c];
    }
}

void ProcessBuffers::setContinuousTime(int64_t samples)
{
    context.state |= ProcessContext::kContTimeValid;
    context.continousTimeSamples = samples;
    data.processContext = &context;
}

} // namespace korvalest::plugins::testhost
