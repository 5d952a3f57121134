#include "reference_model.h"

#include <algorithm>
#include <cmath>

namespace korvalest::plugins::test {

namespace {

struct Change {
    int32_t offset;
    uint32_t id;
    double value;
};

double gainLaw(double x)
{
    return std::pow(10.0, (x * 102.0 - 90.0) / 20.0);
}

} // namespace

ReferenceModel::ReferenceModel(ModuleKind kind, double sampleRate) : kind(kind), sampleRate(sampleRate)
{
    values[0] = 1.0 / 9.0; // 8 active
    values[1] = 15.0 / 17.0; // 0 dB
    for (int k = 0; k < 64; ++k)
        values[100 + k] = 15.0 / 17.0;
}

void ReferenceModel::setProcessing(bool state)
{
    if (!state)
        primed = false;
}

void ReferenceModel::process(ModelBlock& block)
{
    std::vector<Change> changes;
    for (const ModelQueue& queue : block.queues) {
        if (queue.null)
            continue;
        for (const auto& [offset, value] : queue.points)
            if (offset >= 0 && offset <= block.frames && std::isfinite(value))
                changes.push_back({offset, queue.id, value});
    }
    std::stable_sort(changes.begin(), changes.end(),
                     [](const Change& a, const Change& b) { return a.offset < b.offset; });

    size_t next = 0;
    int32_t current = 0;
    for (;;) {
        while (next < changes.size() && changes[next].offset == current) {
            const Change& change = changes[next++];
            if (change.id < 512 && std::isfinite(change.value))
                values[change.id] = std::clamp(change.value, 0.0, 1.0);
        }
        const int32_t end = next < changes.size() ? changes[next].offset : block.frames;
        if (end > current)
            subBlock(block, current, end - current);
        if (end == block.frames)
            return;
        current = end;
    }
}

double ReferenceModel::input(const ModelBlock& block, int32_t j, int32_t ch, int32_t frame) const
{
    if (j >= static_cast<int32_t>(block.inputs.size()))
        return 0.0;
    if (j >= static_cast<int32_t>(block.pluginInputActive.size()) || !block.pluginInputActive[j])
        return 0.0;
    const ModelBus& bus = block.inputs[j];
    if (ch >= bus.numChannels || ((bus.silenceFlags >> ch) & 1) != 0)
        return 0.0;
    if (bus.nullArray || !bus.channels[ch].present)
        return 0.0;
    return block.wide ? bus.channels[ch].samples64[frame] : static_cast<double>(bus.channels[ch].samples32[frame]);
}

double ReferenceModel::source(const ModelBlock& block, int32_t b, int32_t c, int32_t frame, int32_t n, double g,
                              double m) const
{
    const auto channelsOf = [&](int32_t j) {
        return j < static_cast<int32_t>(block.inputs.size()) ? block.inputs[j].numChannels : 0;
    };
    const auto last = [&](int32_t j) { return channelsOf(j) > 0 ? channelsOf(j) - 1 : 0; };
    switch (kind) {
    case ModuleKind::Input:
    case ModuleKind::Output:
    case ModuleKind::Recorder:
        return input(block, 0, c, frame) * m;
    case ModuleKind::Summing: {
        double sum = 0.0;
        const int32_t buses = std::min(static_cast<int32_t>(block.inputs.size()), n);
        for (int32_t j = 0; j < buses; ++j)
            sum += input(block, j, std::min(c, last(j)), frame);
        return sum * m;
    }
    case ModuleKind::Breakout:
        return (b < n ? input(block, 0, b, frame) : 0.0) * m;
    case ModuleKind::Distributor:
        return (b < n ? input(block, 0, std::min(c, last(0)), frame) : 0.0) * m;
    case ModuleKind::FaderBank:
        return input(block, b, c, frame) * g;
    case ModuleKind::Player:
        break;
    }
    return 0.0; // PLAYER's scratch bank is silent for now
}

void ReferenceModel::subBlock(ModelBlock& block, int32_t start, int32_t length)
{
    const int32_t n = static_cast<int32_t>(std::round(values[0] * 63.0)) + 1;
    const double M = gainLaw(values[1]);
    std::array<double, 64> T;
    for (int32_t k = 0; k < 64; ++k)
        T[k] = k >= n || values[200 + k] >= 0.5 ? 0.0 : gainLaw(values[100 + k]);

    if (!primed) {
        stripGain = T;
        masterGain = M;
        primed = true;
    }

    const double a = std::exp(-1.0 / (sampleRate * 0.003));
    const double k = 1.0 - a;

    const std::array<double, 64> stripStart = stripGain;
    const double masterStart = masterGain;
    const double decay = std::pow(1.0 - k, static_cast<double>(length));
    for (int32_t s = 0; s < 64; ++s)
        stripGain[s] = T[s] + (stripStart[s] - T[s]) * decay;
    masterGain = M + (masterStart - M) * decay;

    for (int32_t b = 0; b < static_cast<int32_t>(block.outputs.size()); ++b) {
        ModelBus& out = block.outputs[b];
        if (start == 0)
            out.silenceFlags = 0;
        const bool live = b < static_cast<int32_t>(block.pluginOutputActive.size()) && block.pluginOutputActive[b];
        for (int32_t c = 0; c < out.numChannels; ++c) {
            if (out.nullArray || !out.channels[c].present)
                continue;
            double g = stripStart[b];
            double m = masterStart;
            bool nonZero = false;
            for (int32_t i = 0; i < length; ++i) {
                g = g + (T[b] - g) * k;
                m = m + (M - m) * k;
                const int32_t frame = start + i;
                const double value = live ? source(block, b, c, frame, n, g, m) : 0.0;
                if (block.wide) {
                    const double sample = std::isfinite(value) ? value : 0.0;
                    out.channels[c].samples64[frame] = sample;
                    nonZero |= sample != 0.0;
                } else {
                    float sample = static_cast<float>(value);
                    if (!std::isfinite(sample))
                        sample = 0.0f;
                    out.channels[c].samples32[frame] = sample;
                    nonZero |= sample != 0.0f;
                }
            }
            const uint64_t bit = uint64_t{1} << c;
            if (nonZero)
                out.silenceFlags &= ~bit;
            else if (start == 0)
                out.silenceFlags |= bit;
        }
    }
}

} // namespace korvalest::plugins::test
