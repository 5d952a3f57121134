// Hosts may hand one buffer to an input and an output channel. Every kind must
// then give exactly what it gives with separate buffers, also when an output
// shares a buffer with an input channel that a later output still reads.

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "plugin_fixture.h"
#include "process_buffers.h"

namespace korvalest::plugins::test {
namespace {

using namespace Steinberg;
using testhost::ProcessBuffers;

struct Share {
    int32 outBus, outCh, inBus, inCh;
};

struct InPlaceCase {
    const char* name;
    ModuleKind kind;
    std::vector<int32> ins;
    std::vector<int32> outs;
    std::vector<Share> shares; // each input buffer shared at most once
};

std::vector<InPlaceCase> cases()
{
    std::vector<Share> bank;
    for (int32 b = 0; b < 64; ++b)
        for (int32 c = 0; c < 2; ++c)
            bank.push_back({b, c, b, c});
    return {
        // Crossed: output 0 takes input 1's buffer before output 1 reads it.
        {"InputCrossed", ModuleKind::Input, {2}, {2}, {{0, 0, 0, 1}, {0, 1, 0, 0}}},
        {"RecorderCrossed", ModuleKind::Recorder, {2}, {2}, {{0, 0, 0, 1}, {0, 1, 0, 0}}},
        // The mono input feeds both output channels.
        {"SummingMono", ModuleKind::Summing, std::vector<int32>(64, 1), {2}, {{0, 0, 0, 0}}},
        {"BreakoutShifted", ModuleKind::Breakout, {4}, std::vector<int32>(64, 1), {{0, 0, 0, 3}, {1, 0, 0, 0}}},
        // Every branch reads the input that branch 0 overwrites.
        {"Distributor", ModuleKind::Distributor, {2}, std::vector<int32>(64, 2), {{0, 0, 0, 0}, {0, 1, 0, 1}}},
        {"FaderBank", ModuleKind::FaderBank, std::vector<int32>(64, 2), std::vector<int32>(64, 2), bank},
    };
}

double inputSample(int32 bus, int32 ch, int32 frame)
{
    return ((frame * 31 + ch * 7 + bus * 3) % 97 - 48) / 64.0;
}

// Runs two blocks (the second with every gain ramping) and returns every output sample.
std::vector<double> run(const InPlaceCase& c, int32 sampleSize, bool shared)
{
    PluginUnderTest p(c.kind);
    p->storeParamValue(kParamActiveCount, 1.0);
    p->storeParamValue(kParamGain, normalizedOfDb(-6.0));
    for (uint32 k = 0; k < kStripCount; ++k)
        p->storeParamValue(kParamStripGainFirst + k, normalizedOfDb(-3.0 - k));
    p.start(48000.0, 64, sampleSize);
    ProcessBuffers buffers(sampleSize, 64, c.ins, c.outs);
    if (shared)
        for (const Share& s : c.shares) {
            auto& out = buffers.data.outputs[s.outBus];
            const auto& in = buffers.data.inputs[s.inBus];
            out.channelBuffers32[s.outCh] = in.channelBuffers32[s.inCh];
            out.channelBuffers64[s.outCh] = in.channelBuffers64[s.inCh];
        }
    std::vector<double> result;
    for (int block = 0; block < 2; ++block) {
        for (size_t b = 0; b < c.ins.size(); ++b)
            for (int32 ch = 0; ch < c.ins[b]; ++ch)
                for (int32 i = 0; i < 64; ++i)
                    buffers.setInput(static_cast<int32>(b), ch, i, inputSample(static_cast<int32>(b), ch, i + block));
        if (block == 1) {
            p->storeParamValue(kParamGain, normalizedOfDb(4.0));
            for (uint32 k = 0; k < kStripCount; ++k)
                p->storeParamValue(kParamStripGainFirst + k, normalizedOfDb(-20.0 + k));
        }
        EXPECT_EQ(p->process(buffers.data), kResultOk);
        for (size_t b = 0; b < c.outs.size(); ++b)
            for (int32 ch = 0; ch < c.outs[b]; ++ch)
                for (int32 i = 0; i < 64; ++i)
                    result.push_back(buffers.output(static_cast<int32>(b), ch, i));
    }
    return result;
}

void PrintTo(const InPlaceCase& c, std::ostream* os)
{
    *os << c.name;
}

class InPlace : public ::testing::TestWithParam<InPlaceCase> {};

TEST_P(InPlace, GivesTheOutputOfSeparateBuffers)
{
    for (int32 sampleSize : {sv::kSample32, sv::kSample64}) {
        SCOPED_TRACE(sampleSize);
        const std::vector<double> separate = run(GetParam(), sampleSize, false);
        const std::vector<double> shared = run(GetParam(), sampleSize, true);
        ASSERT_EQ(separate.size(), shared.size());
        size_t differing = 0;
        for (size_t i = 0; i < separate.size(); ++i)
            differing += separate[i] != shared[i];
        EXPECT_EQ(differing, 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, InPlace, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace korvalest::plugins::test
