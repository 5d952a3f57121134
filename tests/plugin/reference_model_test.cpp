// The audio path against the reference model over randomized runs of blocks:
// every output sample bit for bit and every silence flag, with the smoothing
// state carried from block to block.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <type_traits>

#include "parameter_changes.h"
#include "plugin_fixture.h"
#include "process_buffers.h"
#include "reference_model.h"

namespace korvalest::plugins::test {
namespace {

using namespace Steinberg;
using testhost::ParameterChanges;
using testhost::ParamValueQueue;
using testhost::ProcessBuffers;

constexpr int32 kMaxBlock = 256;
constexpr int kBlocksPerRun = 48;

struct Shape {
    int32 maxInputChannels;
    int32 maxOutputChannels;
};

// Channel counts the kind's arrangements accept per bus.
Shape shapeOf(ModuleKind kind)
{
    switch (kind) {
    case ModuleKind::Summing: return {2, 2};
    case ModuleKind::Breakout: return {64, 1};
    case ModuleKind::Distributor:
    case ModuleKind::FaderBank: return {2, 2};
    default: return {64, 64};
    }
}

class Generator {
public:
    Generator(uint32_t seed, ModuleKind kind, bool wide) : rng(seed), kind(kind), wide(wide) {}

    bool chance(double p) { return std::uniform_real_distribution<double>(0.0, 1.0)(rng) < p; }
    int32 uniform(int32 lo, int32 hi) { return std::uniform_int_distribution<int32>(lo, hi)(rng); }
    double real(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); }

    // Mostly ordinary audio, with the values that trip conversions and scans.
    double sample()
    {
        const int32 pick = uniform(0, 99);
        const double tiny = wide ? std::numeric_limits<double>::denorm_min() : std::numeric_limits<float>::denorm_min();
        const double huge = wide ? std::numeric_limits<double>::max() : std::numeric_limits<float>::max();
        if (pick < 2)
            return std::numeric_limits<double>::quiet_NaN();
        if (pick < 3)
            return chance(0.5) ? std::numeric_limits<double>::infinity() : -std::numeric_limits<double>::infinity();
        if (pick < 6)
            return tiny * uniform(-1000, 1000); // subnormal
        if (pick < 8)
            return huge * real(-1.0, 1.0); // overflows under a gain above 0 dB
        if (pick < 10)
            return chance(0.5) ? 0.0 : -0.0;
        return real(-1.0, 1.0);
    }

    // Gains and mutes at their edges and beyond [0, 1], non-finite values,
    // active counts at and between steps.
    double paramValue(uint32_t id)
    {
        const int32 pick = uniform(0, 99);
        if (pick < 4)
            return chance(0.5) ? std::numeric_limits<double>::quiet_NaN() : std::numeric_limits<double>::infinity();
        if (pick < 10)
            return chance(0.5) ? real(-0.5, 0.0) : real(1.0, 1.5);
        if (id == 0)
            return pick < 50 ? uniform(0, 63) / 63.0 : pick < 60 ? (uniform(0, 62) + 0.5) / 63.0 : real(0.0, 1.0);
        if (id >= 200 && id < 264)
            return pick < 40 ? 0.5 : pick < 50 ? std::nextafter(0.5, 0.0) : real(0.0, 1.0);
        if (pick < 30)
            return 15.0 / 17.0; // 0 dB
        if (pick < 35)
            return chance(0.5) ? 0.0 : 1.0;
        return real(0.0, 1.0);
    }

    uint32_t paramId()
    {
        const int32 strip = chance(0.7) ? uniform(0, 9) : uniform(0, 63);
        switch (uniform(0, 9)) {
        case 0:
        case 1: return 0;
        case 2:
        case 3: return kind == ModuleKind::FaderBank ? 100 + strip : 1;
        case 4:
        case 5:
        case 6: return 100 + strip;
        case 7:
        case 8: return 200 + strip;
        default: {
            // Slots the audio path does not read, and identifiers without a
            // slot (among them the sync pseudo-identifiers): they only cut the block.
            static constexpr uint32_t others[] = {2, 400, 401, 511, 512, 601, 602, 100000};
            return others[uniform(0, 7)];
        }
        }
    }

    int32 busCount(int32 pluginBuses)
    {
        if (chance(0.8))
            return pluginBuses;
        return chance(0.5) ? uniform(0, pluginBuses) : std::min(pluginBuses + uniform(1, 2), 64);
    }

    int32 channelCount(int32 maxChannels)
    {
        if (chance(0.7))
            return std::min(uniform(1, 2), maxChannels);
        if (chance(0.7))
            return uniform(0, std::min(maxChannels, 8));
        return uniform(0, std::min(maxChannels + 2, 64)); // beyond what the arrangement takes
    }

    ModelBus bus(int32 channels, int32 frames, bool input)
    {
        ModelBus bus;
        bus.numChannels = channels;
        bus.nullArray = chance(0.03);
        if (input)
            bus.silenceFlags = chance(0.15) ? static_cast<uint64_t>(rng()) << 32 | rng() : 0;
        else
            bus.silenceFlags = static_cast<uint64_t>(rng()) << 32 | rng(); // whatever the host left
        bus.channels.resize(static_cast<size_t>(channels));
        for (ModelChannel& channel : bus.channels) {
            channel.present = !chance(0.03);
            channel.samples32.resize(static_cast<size_t>(frames));
            channel.samples64.resize(static_cast<size_t>(frames));
            for (int32 i = 0; i < frames; ++i) {
                const double value = input ? sample() : 7.0 + i; // outputs: stale contents
                channel.samples32[i] = static_cast<float>(value);
                channel.samples64[i] = value;
            }
        }
        return bus;
    }

    std::vector<ModelQueue> queues(int32 frames)
    {
        std::vector<ModelQueue> list(static_cast<size_t>(uniform(0, 5)));
        for (ModelQueue& queue : list) {
            queue.null = chance(0.05);
            queue.id = paramId();
            const int32 points = uniform(1, 4);
            int32 offset = 0;
            for (int32 p = 0; p < points; ++p) {
                const int32 pick = uniform(0, 99);
                if (pick < 10)
                    offset = frames; // dropped: no frame left in the block
                else if (pick < 15)
                    offset = uniform(-3, -1);
                else if (pick < 20)
                    offset = frames + uniform(1, 3);
                else if (frames > 0)
                    offset = chance(0.3) ? offset : uniform(0, frames - 1); // repeats and out of order
                queue.points.emplace_back(offset, paramValue(queue.id));
            }
        }
        return list;
    }

    std::mt19937 rng;
    ModuleKind kind;
    bool wide;
};

std::string describe(const ModelBlock& block)
{
    std::ostringstream s;
    s << "frames " << block.frames << (block.wide ? " (64-bit)" : " (32-bit)") << "\ninputs:";
    for (size_t j = 0; j < block.inputs.size(); ++j) {
        const ModelBus& bus = block.inputs[j];
        s << " [" << j << ": " << bus.numChannels << "ch" << (bus.nullArray ? " null" : "")
          << (j < block.pluginInputActive.size() && block.pluginInputActive[j] ? "" : " inactive") << " silence 0x"
          << std::hex << bus.silenceFlags << std::dec << "]";
    }
    s << "\noutputs:";
    for (size_t b = 0; b < block.outputs.size(); ++b) {
        const ModelBus& bus = block.outputs[b];
        s << " [" << b << ": " << bus.numChannels << "ch" << (bus.nullArray ? " null" : "")
          << (b < block.pluginOutputActive.size() && block.pluginOutputActive[b] ? "" : " inactive") << "]";
    }
    s << "\nchanges:";
    for (const ModelQueue& queue : block.queues) {
        s << " {" << (queue.null ? "null " : "") << "id " << queue.id << ":";
        for (const auto& [offset, value] : queue.points)
            s << " " << offset << "=" << value;
        s << "}";
    }
    return s.str();
}

// The host's side of the block: buffers, flags and queues as the model sees them.
void hostBlock(const ModelBlock& block, ProcessBuffers& buffers, ParameterChanges& changes, bool withChanges)
{
    sv::ProcessData& data = buffers.data;
    const auto fill = [&](sv::AudioBusBuffers* buses, const std::vector<ModelBus>& model) {
        for (size_t b = 0; b < model.size(); ++b) {
            sv::AudioBusBuffers& bus = buses[b];
            bus.silenceFlags = model[b].silenceFlags;
            for (int32 c = 0; c < model[b].numChannels; ++c) {
                const ModelChannel& channel = model[b].channels[static_cast<size_t>(c)];
                if (block.wide)
                    std::copy(channel.samples64.begin(), channel.samples64.end(), bus.channelBuffers64[c]);
                else
                    std::copy(channel.samples32.begin(), channel.samples32.end(), bus.channelBuffers32[c]);
                if (!channel.present) {
                    if (block.wide)
                        bus.channelBuffers64[c] = nullptr;
                    else
                        bus.channelBuffers32[c] = nullptr;
                }
            }
            if (model[b].nullArray) {
                bus.channelBuffers32 = nullptr;
                bus.channelBuffers64 = nullptr;
            }
        }
    };
    fill(data.inputs, block.inputs);
    fill(data.outputs, block.outputs);

    for (const ModelQueue& queue : block.queues) {
        if (queue.null) {
            changes.addNullQueue();
            continue;
        }
        changes.queues.push_back(std::make_unique<ParamValueQueue>(queue.id));
        for (const auto& [offset, value] : queue.points)
            changes.queues.back()->point(offset, value);
    }
    data.inputParameterChanges = withChanges ? &changes : nullptr;
}

template <typename Sample>
std::string bitsOf(Sample value)
{
    using Word = std::conditional_t<sizeof(Sample) == 4, uint32_t, uint64_t>;
    Word word;
    std::memcpy(&word, &value, sizeof word);
    std::ostringstream s;
    s << value << " (0x" << std::hex << word << ")";
    return s.str();
}

// The first difference between the plug-in's outputs and the model's, or "".
std::string firstDifference(const ModelBlock& block, const sv::ProcessData& data)
{
    std::ostringstream s;
    for (size_t b = 0; b < block.outputs.size(); ++b) {
        const ModelBus& expected = block.outputs[b];
        const sv::AudioBusBuffers& actual = data.outputs[b];
        if (actual.silenceFlags != expected.silenceFlags) {
            s << "bus " << b << " silence flags 0x" << std::hex << actual.silenceFlags << ", model 0x"
              << expected.silenceFlags;
            return s.str();
        }
        if (expected.nullArray)
            continue;
        for (int32 c = 0; c < expected.numChannels; ++c) {
            const ModelChannel& channel = expected.channels[static_cast<size_t>(c)];
            if (!channel.present)
                continue;
            for (int32 i = 0; i < block.frames; ++i) {
                const bool same = block.wide
                    ? std::memcmp(&actual.channelBuffers64[c][i], &channel.samples64[i], sizeof(double)) == 0
                    : std::memcmp(&actual.channelBuffers32[c][i], &channel.samples32[i], sizeof(float)) == 0;
                if (same)
                    continue;
                s << "bus " << b << " channel " << c << " frame " << i << ": plug-in ";
                if (block.wide)
                    s << bitsOf(actual.channelBuffers64[c][i]) << ", model " << bitsOf(channel.samples64[i]);
                else
                    s << bitsOf(actual.channelBuffers32[c][i]) << ", model " << bitsOf(channel.samples32[i]);
                return s.str();
            }
        }
    }
    return "";
}

struct RunCase {
    ModuleKind kind;
    bool wide;
};

std::string runName(const ::testing::TestParamInfo<RunCase>& info)
{
    static const char* const names[] = {"",       "Input",    "Output",    "Summing",    "Breakout",
                                        "Player", "Recorder", "FaderBank", "Distributor"};
    return std::string(names[static_cast<int>(info.param.kind)]) + (info.param.wide ? "64" : "32");
}

class ReferenceModelRun : public ::testing::TestWithParam<RunCase> {};

TEST_P(ReferenceModelRun, AudioPathMatchesTheModelBitForBit)
{
    const auto [kind, wide] = GetParam();
    const Shape shape = shapeOf(kind);
    int64_t samplesCompared = 0;
    for (uint32_t seed : {1u, 2u, 3u, 20240611u}) {
        Generator gen(seed, kind, wide);
        static constexpr double rates[] = {44100.0, 48000.0, 96000.0, 8000.0};
        const double rate = rates[gen.uniform(0, 3)];

        PluginUnderTest p(kind);
        p.start(rate, kMaxBlock, wide ? sv::kSample64 : sv::kSample32);
        ReferenceModel model(kind, rate);
        const int32 inputBuses = p->getBusCount(sv::kAudio, sv::kInput);
        const int32 outputBuses = p->getBusCount(sv::kAudio, sv::kOutput);
        std::vector<bool> inputActive(static_cast<size_t>(inputBuses), true);
        std::vector<bool> outputActive(static_cast<size_t>(outputBuses), true);
        const auto activateRandomly = [&] {
            for (int32 j = 0; j < inputBuses; ++j)
                p->activateBus(sv::kAudio, sv::kInput, j, inputActive[j] = !gen.chance(0.15));
            for (int32 b = 0; b < outputBuses; ++b)
                p->activateBus(sv::kAudio, sv::kOutput, b, outputActive[b] = !gen.chance(0.15));
        };
        p->setProcessing(false);
        activateRandomly();
        p->setProcessing(true);

        for (int run = 0; run < kBlocksPerRun; ++run) {
            if (run > 0 && gen.chance(0.08)) {
                // Off and on again: the next block starts at its targets.
                p->setProcessing(false);
                model.setProcessing(false);
                if (gen.chance(0.5))
                    activateRandomly();
                p->setProcessing(true);
                model.setProcessing(true);
            }

            ModelBlock block;
            block.wide = wide;
            block.frames = gen.chance(0.03) ? 0 : gen.chance(0.2) ? kMaxBlock : gen.uniform(1, kMaxBlock);
            block.pluginInputActive = inputActive;
            block.pluginOutputActive = outputActive;
            std::vector<int32> inputChannels(static_cast<size_t>(gen.busCount(inputBuses)));
            std::vector<int32> outputChannels(static_cast<size_t>(gen.busCount(outputBuses)));
            for (int32& count : inputChannels) {
                count = gen.channelCount(shape.maxInputChannels);
                block.inputs.push_back(gen.bus(count, block.frames, true));
            }
            for (int32& count : outputChannels) {
                count = gen.channelCount(shape.maxOutputChannels);
                block.outputs.push_back(gen.bus(count, block.frames, false));
            }
            block.queues = gen.queues(block.frames);
            const bool withChanges = !block.queues.empty() || gen.chance(0.5);

            ProcessBuffers buffers(wide ? sv::kSample64 : sv::kSample32, block.frames, inputChannels,
                                   outputChannels);
            ParameterChanges changes;
            hostBlock(block, buffers, changes, withChanges);
            const std::string before = describe(block);

            ASSERT_EQ(p->process(buffers.data), kResultOk);
            model.process(block);
            const std::string difference = firstDifference(block, buffers.data);
            ASSERT_EQ(difference, "") << "seed " << seed << ", rate " << rate << ", block " << run << "\n"
                                      << before;
            for (const ModelBus& bus : block.outputs)
                samplesCompared += static_cast<int64_t>(bus.numChannels) * block.frames;
        }
    }
    RecordProperty("samples_compared", std::to_string(samplesCompared));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ReferenceModelRun,
    ::testing::Values(RunCase{ModuleKind::Input, false}, RunCase{ModuleKind::Input, true},
                      RunCase{ModuleKind::Output, false}, RunCase{ModuleKind::Output, true},
                      RunCase{ModuleKind::Summing, false}, RunCase{ModuleKind::Summing, true},
                      RunCase{ModuleKind::Breakout, false}, RunCase{ModuleKind::Breakout, true},
                      RunCase{ModuleKind::Distributor, false}, RunCase{ModuleKind::Distributor, true},
                      RunCase{ModuleKind::FaderBank, false}, RunCase{ModuleKind::FaderBank, true},
                      RunCase{ModuleKind::Recorder, false}, RunCase{ModuleKind::Recorder, true}),
    runName);

} // namespace
} // namespace korvalest::plugins::test
