// processSubBlock: gain targets and smoothing, then the output pass that
// writes every output channel from the kind's sources.

#include "signal_paths.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "gain.h"
#include "parameters.h"
#include "utility_plugin.h"

namespace korvalest::plugins {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// Frames per pass over the sources; the gain ramp of a chunk is computed once
// and shared by every channel that uses it.
constexpr int32 kChunkFrames = 256;

struct GainCurve {
    double start = 1.0;
    double target = 1.0;
    bool steady() const { return start == target; } // stepping then keeps it exactly
};

// The ramp's next `count` frames; `gain` carries on from chunk to chunk.
void fillRamp(double& gain, double target, double step, double* out, int32 count)
{
    double g = gain;
    for (int32 i = 0; i < count; ++i) {
        g = smoothOneFrame(g, target, step);
        out[i] = g;
    }
    gain = g;
}

template <typename Sample>
inline Sample finiteOrZero(double value)
{
    const Sample narrowed = static_cast<Sample>(value);
    return std::isfinite(narrowed) ? narrowed : Sample(0);
}

// Where one output channel's values come from in the current chunk.
template <typename Sample>
struct ChannelSource {
    const Sample* single = nullptr;       // one input channel
    const Sample* const* terms = nullptr; // SUMMING: the readable channels to add
    int32 termCount = 0;
    const float* scratch = nullptr; // PLAYER: scratch channel, indexed from the sub-block's start
    bool summing = false;
};

// Writes `count` frames; the gain is `ramp[i]` when given, else `constant`.
// Returns whether any written sample is non-zero.
template <typename Sample>
bool writeChannel(const ChannelSource<Sample>& source, Sample* out, int32 count, const double* ramp,
                  double constant)
{
    bool nonZero = false;
    if (source.summing) {
        std::array<double, kChunkFrames> sum{};
        for (int32 t = 0; t < source.termCount; ++t) {
            const Sample* in = source.terms[t];
            for (int32 i = 0; i < count; ++i)
                sum[static_cast<size_t>(i)] += static_cast<double>(in[i]);
        }
        for (int32 i = 0; i < count; ++i) {
            const Sample v = finiteOrZero<Sample>(sum[static_cast<size_t>(i)] * (ramp ? ramp[i] : constant));
            out[i] = v;
            nonZero |= v != Sample(0);
        }
        return nonZero;
    }
    if (source.scratch != nullptr) {
        for (int32 i = 0; i < count; ++i) {
            const Sample v = finiteOrZero<Sample>(static_cast<double>(source.scratch[i]));
            out[i] = v;
            nonZero |= v != Sample(0);
        }
        return nonZero;
    }
    const Sample* in = source.single;
    if (in == nullptr) {
        std::fill(out, out + count, Sample(0));
        return false;
    }
    if (ramp != nullptr) {
        for (int32 i = 0; i < count; ++i) {
            const Sample v = finiteOrZero<Sample>(static_cast<double>(in[i]) * ramp[i]);
            out[i] = v;
            nonZero |= v != Sample(0);
        }
    } else if (constant == 1.0) {
        // Unity: the widened product is the sample itself.
        for (int32 i = 0; i < count; ++i) {
            const Sample v = std::isfinite(in[i]) ? in[i] : Sample(0);
            out[i] = v;
            nonZero |= v != Sample(0);
        }
    } else {
        for (int32 i = 0; i < count; ++i) {
            const Sample v = finiteOrZero<Sample>(static_cast<double>(in[i]) * constant);
            out[i] = v;
            nonZero |= v != Sample(0);
        }
    }
    return nonZero;
}

} // namespace

template <typename Sample>
void UtilityPlugin::processSubBlock(ProcessData& data, int32_t start, int32_t length)
{
    const bool faderBank = kind == ModuleKind::FaderBank;
    const bool usesMaster = kind != ModuleKind::FaderBank && kind != ModuleKind::Player;

    // Targets, as the store holds them at the sub-block's first frame.
    const int32 active = activeCount(loadParamValue(kParamActiveCount));
    const double masterTarget = masterGainLaw(loadParamValue(kParamGain));
    std::array<double, kStripCount> stripTarget{};
    if (faderBank) {
        // Strips from the active count on, and muted strips, fade to 0.
        for (uint32 k = 0; k < kStripCount; ++k)
            stripTarget[k] = static_cast<int32>(k) >= active || loadParamValue(kParamStripMuteFirst + k) >= 0.5
                ? 0.0
                : stripGainLaw[k](loadParamValue(kParamStripGainFirst + k));
    }

    if (!gainStatePrimed) {
        // Other kinds never read the strip states.
        if (faderBank)
            stripGainState = stripTarget;
        masterGainState = masterTarget;
        gainStatePrimed = true;
    }

    if (sampleRate != smoothingRate) {
        smoothingRate = sampleRate;
        smoothingStepValue = smoothingStep(sampleRate);
    }
    const double step = smoothingStepValue;

    // Start values for the output pass; the states move on in closed form.
    const GainCurve master{masterGainState, masterTarget};
    std::array<GainCurve, kStripCount> strips{};
    bool anyRamp = !master.steady();
    if (faderBank)
        for (size_t k = 0; k < kStripCount; ++k) {
            strips[k] = {stripGainState[k], stripTarget[k]};
            anyRamp |= !strips[k].steady();
        }
    if (anyRamp) {
        const double decay = std::pow(1.0 - step, static_cast<double>(length));
        masterGainState = advanceSmoothed(master.start, master.target, decay);
        if (faderBank)
            for (size_t k = 0; k < kStripCount; ++k)
                stripGainState[k] = advanceSmoothed(strips[k].start, strips[k].target, decay);
    }

    if (kind == ModuleKind::Player || kind == ModuleKind::Recorder)
        runTransportAndEngines(data, start, length);

    // Output pass, chunk by chunk, so that one gain ramp serves every channel.
    const int32 numOutputs = data.numOutputs;
    std::array<uint64, kStripCount> nonZero{};
    std::array<uint64, kStripCount> written{};
    std::array<double, kChunkFrames> masterRamp{};
    std::array<double, kChunkFrames> stripRamp{};
    std::array<const Sample*, kStripCount> terms{};
    double masterRun = master.start;
    std::array<double, kStripCount> stripRun{};
    for (size_t k = 0; k < kStripCount; ++k)
        stripRun[k] = strips[k].start;
    const int32 summed = std::min(data.numInputs, active);

    for (int32 offset = 0; offset < length; offset += kChunkFrames) {
        const int32 count = std::min(kChunkFrames, length - offset);
        const int32 frame = start + offset;
        if (usesMaster && !master.steady())
            fillRamp(masterRun, master.target, step, masterRamp.data(), count);

        for (int32 b = 0; b < numOutputs; ++b) {
            AudioBusBuffers& out = data.outputs[b];
            Sample** channels = channelBuffers<Sample>(out);
            if (channels == nullptr || out.numChannels <= 0)
                continue;
            const bool live = b < static_cast<int32>(audioOutputs.size())
                && audioOutputs[static_cast<size_t>(b)]->isActive();

            const double* ramp = nullptr;
            double constant = 1.0;
            if (faderBank) {
                const GainCurve& strip = strips[static_cast<size_t>(b)];
                if (!strip.steady()) {
                    fillRamp(stripRun[static_cast<size_t>(b)], strip.target, step, stripRamp.data(), count);
                    ramp = stripRamp.data();
                } else {
                    constant = strip.start;
                }
            } else if (usesMaster) {
                if (!master.steady())
                    ramp = masterRamp.data();
                else
                    constant = master.start;
            }

            for (int32 c = 0; c < out.numChannels; ++c) {
                Sample* dst = channels[c];
                if (dst == nullptr)
                    continue;
                ChannelSource<Sample> source;
                if (live) {
                    switch (kind) {
                    case ModuleKind::Input:
                    case ModuleKind::Output:
                    case ModuleKind::Recorder:
                        source.single = readableInput<Sample>(data, audioInputs, 0, c, frame);
                        break;
                    case ModuleKind::Summing:
                        source.summing = true;
                        for (int32 j = 0; j < summed; ++j)
                            if (const Sample* in = readableInput<Sample>(
                                    data, audioInputs, j, std::min(c, lastInputChannel(data, j)), frame))
                                terms[static_cast<size_t>(source.termCount++)] = in;
                        source.terms = terms.data();
                        break;
                    case ModuleKind::Breakout:
                        if (b < active)
                            source.single = readableInput<Sample>(data, audioInputs, 0, b, frame);
                        break;
                    case ModuleKind::Distributor:
                        if (b < active)
                            source.single = readableInput<Sample>(data, audioInputs, 0,
                                                                  std::min(c, lastInputChannel(data, 0)), frame);
                        break;
                    case ModuleKind::FaderBank:
                        source.single = readableInput<Sample>(data, audioInputs, b, c, frame);
                        break;
                    case ModuleKind::Player:
                        // Before any set-up there is no scratch bank: silence.
                        if (const float* channel = renderChannels[static_cast<size_t>(c)])
                            source.scratch = channel + offset;
                        break;
                    }
                }
                const uint64 bit = uint64{1} << c;
                written[static_cast<size_t>(b)] |= bit;
                if (writeChannel(source, dst + frame, count, ramp, constant))
                    nonZero[static_cast<size_t>(b)] |= bit;
            }
        }
    }

    // Silence flags: cleared by the block's first sub-block; a channel ends
    // flagged only if every sample of the block written to it was zero.
    for (int32 b = 0; b < numOutputs; ++b) {
        AudioBusBuffers& out = data.outputs[b];
        if (start == 0)
            out.silenceFlags = 0;
        const size_t k = static_cast<size_t>(b);
        out.silenceFlags &= ~nonZero[k];
        if (start == 0)
            out.silenceFlags |= written[k] & ~nonZero[k];
    }
}

template void UtilityPlugin::processSubBlock<float>(ProcessData&, int32_t, int32_t);
template void UtilityPlugin::processSubBlock<double>(ProcessData&, int32_t, int32_t);

} // namespace korvalest::plugins
