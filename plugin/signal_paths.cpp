// processSubBlock: gain targets and smoothing, then the output pass that
// writes every output channel from the kind's sources.

#include "signal_paths.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>

#include "gain.h"
#include "parameters.h"
#include "utility_plugin.h"

namespace korvalest::plugins {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// The copy and scan loops get an AVX2 clone where the loader picks clones.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__)
#define KORVALEST_HOT __attribute__((target_clones("avx2", "default")))
#else
#define KORVALEST_HOT
#endif

struct GainCurve {
    double start;
    double target;
    bool steady() const { return start == target; } // stepping then keeps it exactly
};

template <typename Sample>
struct SampleBits;
template <>
struct SampleBits<float> {
    using Word = uint32_t;
    // The word shifted left by one drops the sign: zero only for +-0, and at
    // least this for infinities and NaNs.
    static constexpr Word kNonFiniteShifted = 0xFF000000u;
};
template <>
struct SampleBits<double> {
    using Word = uint64_t;
    static constexpr Word kNonFiniteShifted = 0xFFE0000000000000u;
};

// Largest magnitude word of a channel, sign dropped: 0 means all zero,
// kNonFiniteShifted or more means a NaN or infinity is present.
template <typename Sample>
KORVALEST_HOT typename SampleBits<Sample>::Word copyAndScan(const Sample* in, Sample* out, int32 count)
{
    using Word = typename SampleBits<Sample>::Word;
    Word largest = 0;
    for (int32 i = 0; i < count; ++i) {
        const Word bits = std::bit_cast<Word>(in[i]);
        out[i] = in[i];
        largest = std::max<Word>(largest, static_cast<Word>(bits << 1));
    }
    return largest;
}

template <typename Sample>
KORVALEST_HOT typename SampleBits<Sample>::Word scan(const Sample* out, int32 count)
{
    using Word = typename SampleBits<Sample>::Word;
    Word largest = 0;
    for (int32 i = 0; i < count; ++i)
        largest = std::max<Word>(largest, static_cast<Word>(std::bit_cast<Word>(out[i]) << 1));
    return largest;
}

// Replaces NaNs and infinities by 0.0 (rare) and says whether any sample is non-zero.
template <typename Sample>
bool finishChannel(Sample* out, int32 count, typename SampleBits<Sample>::Word largest)
{
    if (largest < SampleBits<Sample>::kNonFiniteShifted)
        return largest != 0;
    bool nonZero = false;
    for (int32 i = 0; i < count; ++i) {
        if (!std::isfinite(out[i]))
            out[i] = Sample(0);
        nonZero |= out[i] != Sample(0);
    }
    return nonZero;
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
// Products are formed in float64 and narrowed to the block's type. Returns
// whether any written sample is non-zero.
template <typename Sample>
KORVALEST_HOT bool writeChannel(const ChannelSource<Sample>& source, Sample* out, int32 count, const double* ramp,
                                double constant)
{
    if (source.summing) {
        double sum[kRampChunkFrames];
        std::fill(sum, sum + count, 0.0);
        for (int32 t = 0; t < source.termCount; ++t) {
            const Sample* in = source.terms[t];
            for (int32 i = 0; i < count; ++i)
                sum[i] += static_cast<double>(in[i]);
        }
        if (ramp != nullptr)
            for (int32 i = 0; i < count; ++i)
                out[i] = static_cast<Sample>(sum[i] * ramp[i]);
        else
            for (int32 i = 0; i < count; ++i)
                out[i] = static_cast<Sample>(sum[i] * constant);
        return finishChannel(out, count, scan(out, count));
    }
    if (source.scratch != nullptr) {
        for (int32 i = 0; i < count; ++i)
            out[i] = static_cast<Sample>(source.scratch[i]);
        return finishChannel(out, count, scan(out, count));
    }
    const Sample* in = source.single;
    if (in == nullptr) {
        std::fill(out, out + count, Sample(0));
        return false;
    }
    if (ramp != nullptr) {
        for (int32 i = 0; i < count; ++i)
            out[i] = static_cast<Sample>(static_cast<double>(in[i]) * ramp[i]);
    } else if (constant == 1.0) {
        // Unity: the widened product is the sample itself.
        return finishChannel(out, count, copyAndScan(in, out, count));
    } else {
        for (int32 i = 0; i < count; ++i)
            out[i] = static_cast<Sample>(static_cast<double>(in[i]) * constant);
    }
    return finishChannel(out, count, scan(out, count));
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
    std::array<double, kStripCount> stripTarget;
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
    std::array<GainCurve, kStripCount> strips; // FADER BANK only
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

    // Output pass, chunk by chunk. The moving gains are stepped side by side
    // into the ramp table, so their frame-to-frame chains overlap.
    const int32 numOutputs = data.numOutputs;
    std::array<uint64, kStripCount> nonZero;
    std::array<uint64, kStripCount> written;
    std::fill_n(nonZero.begin(), numOutputs, 0);
    std::fill_n(written.begin(), numOutputs, 0);
    std::array<const Sample*, kStripCount> terms;
    constexpr size_t kMasterSlot = kStripCount;
    std::array<uint8_t, kStripCount + 1> moving; // slots with a ramp
    std::array<double, kStripCount + 1> runGain;
    std::array<double, kStripCount + 1> runTarget;
    size_t movingCount = 0;
    if (faderBank)
        for (size_t k = 0; k < kStripCount; ++k)
            if (!strips[k].steady()) {
                moving[movingCount] = static_cast<uint8_t>(k);
                runGain[movingCount] = strips[k].start;
                runTarget[movingCount++] = strips[k].target;
            }
    if (usesMaster && !master.steady()) {
        moving[movingCount] = static_cast<uint8_t>(kMasterSlot);
        runGain[movingCount] = master.start;
        runTarget[movingCount++] = master.target;
    }
    const int32 summed = std::min(data.numInputs, active);

    // Without a ramp (and without SUMMING's chunk-sized sum) one pass does.
    const int32 chunkFrames = movingCount == 0 && kind != ModuleKind::Summing ? length : kRampChunkFrames;
    for (int32 offset = 0; offset < length; offset += chunkFrames) {
        const int32 count = std::min(chunkFrames, length - offset);
        const int32 frame = start + offset;
        for (int32 i = 0; i < count; ++i)
            for (size_t r = 0; r < movingCount; ++r) {
                runGain[r] = smoothOneFrame(runGain[r], runTarget[r], step);
                rampTable[moving[r] * static_cast<size_t>(kRampChunkFrames) + static_cast<size_t>(i)] = runGain[r];
            }

        for (int32 b = 0; b < numOutputs; ++b) {
            AudioBusBuffers& out = data.outputs[b];
            Sample** channels = channelBuffers<Sample>(out);
            if (channels == nullptr || out.numChannels <= 0)
                continue;
            const bool live = b < static_cast<int32>(audioOutputs.size())
                && audioOutputs[static_cast<size_t>(b)]->isActive();

            const double* ramp = nullptr;
            double constant = 1.0;
            if (faderBank || usesMaster) {
                const size_t slot = faderBank ? static_cast<size_t>(b) : kMasterSlot;
                const GainCurve& curve = faderBank ? strips[slot] : master;
                if (curve.steady())
                    constant = curve.start;
                else
                    ramp = rampTable.data() + slot * static_cast<size_t>(kRampChunkFrames);
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
