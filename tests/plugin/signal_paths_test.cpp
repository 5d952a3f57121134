// The per-kind signal paths: sources, gain law and smoothing, non-finite
// samples, readable channels and silence flags.

#include <gtest/gtest.h>

#include <limits>

#include "parameter_changes.h"
#include "plugin_fixture.h"
#include "process_buffers.h"

namespace korvalest::plugins::test {
namespace {

using namespace Steinberg;
using testhost::ParameterChanges;
using testhost::ProcessBuffers;

const double kStep48k = 1.0 - std::exp(-1.0 / 144.0);

TEST(SignalPaths, InputAtUnityIsBitIdenticalExceptNonFiniteSamples)
{
    PluginUnderTest p(ModuleKind::Input);
    p.start();
    ProcessBuffers buffers(sv::kSample32, 512, {2}, {2});
    for (int32 i = 0; i < 512; ++i) {
        buffers.setInput(0, 0, i, std::ldexp(static_cast<double>(i * 7919 % 1000) - 500.0, -9));
        buffers.setInput(0, 1, i, i == 0 ? 1e-42 : -0.3 / (i + 1)); // a subnormal passes as it is
    }
    buffers.setInput(0, 0, 17, std::numeric_limits<double>::quiet_NaN());
    buffers.setInput(0, 1, 18, std::numeric_limits<double>::infinity());
    ASSERT_EQ(p->process(buffers.data), kResultOk);
    const auto* in = buffers.data.inputs[0].channelBuffers32;
    for (int32 c = 0; c < 2; ++c)
        for (int32 i = 0; i < 512; ++i) {
            const bool bad = (c == 0 && i == 17) || (c == 1 && i == 18);
            EXPECT_TRUE(sameBits(static_cast<float>(buffers.output(0, c, i)), bad ? 0.0f : in[c][i]))
                << c << " " << i;
        }
}

TEST(SignalPaths, GainMoveFollowsTheOnePoleRampAndItsClosedForm)
{
    for (int32 sampleSize : {sv::kSample32, sv::kSample64}) {
        PluginUnderTest p(ModuleKind::Output);
        p.start(48000.0, 512, sampleSize);
        ProcessBuffers buffers(sampleSize, 512, {2}, {2});
        buffers.fillInputs(1.0);
        ASSERT_EQ(p->process(buffers.data), kResultOk); // primes at 0 dB

        ParameterChanges changes;
        changes.queue(kParamGain).point(0, 0.0);
        buffers.data.inputParameterChanges = &changes;
        ASSERT_EQ(p->process(buffers.data), kResultOk);
        const double target = gainOfNormalized(0.0);
        double g = 1.0;
        for (int32 i = 0; i < 512; ++i) {
            g = g + (target - g) * kStep48k;
            const double expected = sampleSize == sv::kSample32 ? static_cast<float>(g) : g;
            ASSERT_EQ(buffers.output(0, 1, i), expected) << i;
        }
        // After 144 frames (3 ms) about 63 % of the way is covered.
        const double covered = (1.0 - buffers.output(0, 0, 143)) / (1.0 - target);
        EXPECT_NEAR(covered, 1.0 - std::exp(-1.0), 0.003);
        EXPECT_NEAR(p->masterGainState, target + (1.0 - target) * std::pow(1.0 - kStep48k, 512), 1e-15);
    }
}

TEST(SignalPaths, SummingAddsTheFirstActiveBusesAndRepeatsMonoChannels)
{
    PluginUnderTest p(ModuleKind::Summing);
    p->storeParamValue(kParamActiveCount, 1.0 / 63.0); // 2 live
    p.start();
    std::vector<int32> inputs(64, 2);
    inputs[1] = 1;
    ProcessBuffers buffers(sv::kSample32, 32, inputs, {2});
    buffers.fillInputs(0.25);
    ASSERT_EQ(p->process(buffers.data), kResultOk);
    EXPECT_EQ(buffers.output(0, 0, 5), 0.5);
    EXPECT_EQ(buffers.output(0, 1, 5), 0.5); // the mono bus feeds both channels

    // An inactive bus reads as silence.
    p->setProcessing(false);
    p->activateBus(sv::kAudio, sv::kInput, 0, false);
    p->setProcessing(true);
    ASSERT_EQ(p->process(buffers.data), kResultOk);
    EXPECT_EQ(buffers.output(0, 0, 5), 0.25);
}

TEST(SignalPaths, BreakoutAndDistributorFeedOnlyLiveBranches)
{
    {
        PluginUnderTest p(ModuleKind::Breakout);
        p.start();
        ProcessBuffers buffers(sv::kSample32, 16, {4}, std::vector<int32>(64, 1));
        for (int32 c = 0; c < 4; ++c)
            for (int32 i = 0; i < 16; ++i)
                buffers.setInput(0, c, i, 0.1 * (c + 1));
        buffers.fillOutputs(9.0);
        ASSERT_EQ(p->process(buffers.data), kResultOk);
        for (int32 b = 0; b < 64; ++b) {
            EXPECT_EQ(buffers.output(b, 0, 3), b < 4 ? static_cast<float>(0.1 * (b + 1)) : 0.0f) << b;
            EXPECT_EQ(buffers.data.outputs[b].silenceFlags, b < 4 ? 0u : 1u) << b;
        }
    }
    {
        PluginUnderTest p(ModuleKind::Distributor);
        p->storeParamValue(kParamActiveCount, 2.0 / 63.0); // 3 live
        p->storeParamValue(kParamGain, normalizedOfDb(-6.0));
        p.start();
        ProcessBuffers buffers(sv::kSample32, 16, {1}, std::vector<int32>(64, 2));
        buffers.fillInputs(0.5);
        ASSERT_EQ(p->process(buffers.data), kResultOk);
        const float expected = static_cast<float>(0.5 * gainOfNormalized(normalizedOfDb(-6.0)));
        for (int32 b = 0; b < 64; ++b)
            for (int32 c = 0; c < 2; ++c)
                EXPECT_EQ(buffers.output(b, c, 7), b < 3 ? expected : 0.0f) << b << " " << c;
    }
}

TEST(SignalPaths, FaderBankMuteDecaysThenFlagsSilence)
{
    PluginUnderTest p(ModuleKind::FaderBank);
    p.start(48000.0, 4096);
    ProcessBuffers buffers(sv::kSample32, 4096, std::vector<int32>(64, 2), std::vector<int32>(64, 2));
    buffers.fillInputs(1.0);
    ASSERT_EQ(p->process(buffers.data), kResultOk);
    EXPECT_EQ(buffers.output(5, 0, 100), 1.0);

    ParameterChanges mute;
    mute.queue(kParamStripMuteFirst + 5).point(0, 1.0);
    buffers.data.inputParameterChanges = &mute;
    ASSERT_EQ(p->process(buffers.data), kResultOk);
    EXPECT_FLOAT_EQ(buffers.output(5, 1, 0), static_cast<float>(1.0 - kStep48k));
    EXPECT_NEAR(buffers.output(5, 0, 143), std::exp(-1.0), 0.003);
    EXPECT_GT(buffers.output(5, 0, 4095), 0.0); // still above the float range's bottom
    EXPECT_EQ(buffers.data.outputs[5].silenceFlags, 0u);
    EXPECT_EQ(buffers.output(4, 0, 4095), 1.0); // other strips untouched

    buffers.data.inputParameterChanges = nullptr;
    for (int block = 0; block < 8; ++block)
        ASSERT_EQ(p->process(buffers.data), kResultOk);
    EXPECT_EQ(buffers.output(5, 0, 0), 0.0);
    EXPECT_EQ(buffers.data.outputs[5].silenceFlags, 3u);
    // Strips from the active count (8) on are faded out too.
    EXPECT_EQ(buffers.output(8, 0, 0), 0.0);
}

TEST(SignalPaths, NextBlockAfterProcessingOffStartsAtTheTargets)
{
    PluginUnderTest p(ModuleKind::Input);
    p.start();
    ProcessBuffers buffers(sv::kSample32, 64, {2}, {2});
    buffers.fillInputs(1.0);
    ASSERT_EQ(p->process(buffers.data), kResultOk);
    p->setProcessing(false);
    p->storeParamValue(kParamGain, normalizedOfDb(-20.0));
    p->setProcessing(true);
    ASSERT_EQ(p->process(buffers.data), kResultOk);
    const float expected = static_cast<float>(gainOfNormalized(normalizedOfDb(-20.0)));
    EXPECT_EQ(buffers.output(0, 0, 0), expected);
    EXPECT_EQ(buffers.output(0, 1, 63), expected);
}

TEST(SignalPaths, ReadableChannelsAndSilenceFlags)
{
    PluginUnderTest p(ModuleKind::Input);
    p.start();
    ProcessBuffers buffers(sv::kSample32, 256, {2}, {4});
    buffers.fillInputs(0.5);
    buffers.data.inputs[0].silenceFlags = 2; // channel 1 read as zeros whatever it holds
    buffers.clearOutputPointer(0, 3);
    buffers.data.outputs[0].silenceFlags = ~uint64{0};
    ASSERT_EQ(p->process(buffers.data), kResultOk);
    EXPECT_EQ(buffers.output(0, 0, 10), 0.5);
    // Channel 1 flagged silent, channel 2 has no input channel, 3 is skipped.
    EXPECT_EQ(buffers.data.outputs[0].silenceFlags, 0b0110u);

    // Signal before a split and zeros after it: the bit stays clear.
    buffers.data.inputs[0].silenceFlags = 0;
    for (int32 i = 100; i < 256; ++i)
        buffers.setInput(0, 0, i, 0.0);
    ParameterChanges changes;
    changes.queue(kParamGain).point(100, kUnityGainNormalized);
    buffers.data.inputParameterChanges = &changes;
    ASSERT_EQ(p->process(buffers.data), kResultOk);
    EXPECT_EQ(buffers.data.outputs[0].silenceFlags & 1u, 0u);

    // Zero frames: flags left as they are.
    buffers.data.numSamples = 0;
    buffers.data.outputs[0].silenceFlags = 0xF0;
    ASSERT_EQ(p->process(buffers.data), kResultOk);
    EXPECT_EQ(buffers.data.outputs[0].silenceFlags, 0xF0u);
}

TEST(SignalPaths, InactiveOutputBusIsZeroedAndFlagged)
{
    PluginUnderTest p(ModuleKind::Recorder);
    p.setup();
    p->activateBus(sv::kAudio, sv::kInput, 0, true);
    p->setProcessing(true);
    ProcessBuffers buffers(sv::kSample64, 64, {2}, {2});
    buffers.fillInputs(0.5);
    buffers.fillOutputs(3.0);
    ASSERT_EQ(p->process(buffers.data), kResultOk);
    EXPECT_EQ(buffers.output(0, 0, 0), 0.0);
    EXPECT_EQ(buffers.data.outputs[0].silenceFlags, 3u);

    p->activateBus(sv::kAudio, sv::kOutput, 0, true);
    ASSERT_EQ(p->process(buffers.data), kResultOk);
    EXPECT_EQ(buffers.output(0, 1, 63), 0.5);
    EXPECT_EQ(buffers.data.outputs[0].silenceFlags, 0u);
}

TEST(SignalPaths, InPlaceBuffersAndMonoToStereo)
{
    PluginUnderTest p(ModuleKind::Input);
    p->storeParamValue(kParamGain, normalizedOfDb(-6.0));
    p.start();
    ProcessBuffers buffers(sv::kSample64, 64, {1}, {2});
    buffers.makeInPlace(0);
    buffers.fillInputs(0.5);
    ASSERT_EQ(p->process(buffers.data), kResultOk);
    EXPECT_EQ(buffers.output(0, 0, 9), 0.5 * gainOfNormalized(normalizedOfDb(-6.0)));
    EXPECT_EQ(buffers.output(0, 1, 9), 0.0); // a mono input feeds only the left channel
}

TEST(SignalPaths, PlayerOutputsItsScratchBankAndIsSilentBeforeSetup)
{
    PluginUnderTest p(ModuleKind::Player);
    p.activateAll();
    ProcessBuffers buffers(sv::kSample32, 64, {}, {2});
    buffers.fillOutputs(1.0);
    ASSERT_EQ(p->process(buffers.data), kResultOk); // no scratch bank yet
    EXPECT_EQ(buffers.output(0, 0, 0), 0.0);
    EXPECT_EQ(buffers.data.outputs[0].silenceFlags, 3u);

    p.setup();
    p->setProcessing(true);
    ASSERT_EQ(p->process(buffers.data), kResultOk);
    EXPECT_EQ(buffers.output(0, 1, 63), 0.0);
    EXPECT_EQ(buffers.data.outputs[0].silenceFlags, 3u);
}

} // namespace
} // namespace korvalest::plugins::test
