// Bus arrangements, sample sizes, processing set-up and switching processing off.

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "audiofile/audio_clip.h"
#include "plugin_fixture.h"

namespace korvalest::plugins::test {
namespace {

using namespace Steinberg;
using SA = sv::SpeakerArrangement;

constexpr SA kMono = sv::SpeakerArr::kMono;
constexpr SA kStereo = sv::SpeakerArr::kStereo;
constexpr SA k6 = 0x3F;
constexpr SA k64 = ~SA{0};

struct ArrangementCase {
    const char* name;
    ModuleKind kind;
    std::vector<SA> inputs;
    std::vector<SA> outputs;
    tresult expected;
};

std::vector<SA> repeat(SA arrangement, size_t count = 64)
{
    return std::vector<SA>(count, arrangement);
}

TEST(BusArrangements, AcceptAndRefuseByKindCountAndChannels)
{
    std::vector<SA> faderIn = repeat(kStereo);
    std::vector<SA> faderOut = repeat(kStereo);
    faderOut[3] = kMono;
    std::vector<SA> faderMono = repeat(kStereo);
    faderMono[3] = kMono;
    const std::vector<ArrangementCase> cases = {
        {"input stereo", ModuleKind::Input, {kStereo}, {kStereo}, kResultOk},
        {"input 64 channels", ModuleKind::Input, {k64}, {k64}, kResultOk},
        {"input two inputs", ModuleKind::Input, {kStereo, kStereo}, {kStereo}, kResultFalse},
        {"input no speaker", ModuleKind::Input, {0}, {kStereo}, kResultFalse},
        {"breakout 6 in, mono outs", ModuleKind::Breakout, {k6}, repeat(kMono), kResultOk},
        {"breakout stereo out", ModuleKind::Breakout, {k6}, repeat(kStereo), kResultFalse},
        {"summing 3 channels in", ModuleKind::Summing, repeat(0x7), {kStereo}, kResultFalse},
        {"summing mono ins", ModuleKind::Summing, repeat(kMono), {kStereo}, kResultOk},
        {"player inputs given", ModuleKind::Player, {kStereo}, {kStereo}, kResultFalse},
        {"player 64 out", ModuleKind::Player, {}, {k64}, kResultOk},
        {"recorder 64 both", ModuleKind::Recorder, {k64}, {k64}, kResultOk},
        {"fader bank mismatch on bus 3", ModuleKind::FaderBank, faderIn, faderOut, kResultFalse},
        {"fader bank mono on bus 3 both", ModuleKind::FaderBank, faderMono, faderMono, kResultOk},
        {"distributor 63 outputs", ModuleKind::Distributor, {kStereo}, repeat(kStereo, 63), kResultFalse},
    };
    for (const auto& c : cases) {
        PluginUnderTest p(c.kind);
        std::vector<SA> in = c.inputs;
        std::vector<SA> out = c.outputs;
        EXPECT_EQ(p->setBusArrangements(in.empty() ? nullptr : in.data(), static_cast<int32>(in.size()),
                                        out.data(), static_cast<int32>(out.size())),
                  c.expected)
            << c.name;
        // Accepted arrangements are taken; refused ones change nothing.
        SA arr = 0;
        ASSERT_EQ(p->getBusArrangement(sv::kOutput, 0, arr), kResultOk) << c.name;
        const SA before = c.kind == ModuleKind::Breakout ? kMono : kStereo;
        EXPECT_EQ(arr, c.expected == kResultOk ? c.outputs[0] : before) << c.name;
    }
}

TEST(BusArrangements, RefusedWhileProcessingAndForBadArguments)
{
    PluginUnderTest p(ModuleKind::Input);
    SA in = kMono;
    SA out = kMono;
    EXPECT_EQ(p->setBusArrangements(nullptr, 1, &out, 1), kResultFalse);
    EXPECT_EQ(p->setBusArrangements(&in, -1, &out, 1), kResultFalse);
    p->setProcessing(true);
    EXPECT_EQ(p->setBusArrangements(&in, 1, &out, 1), kResultFalse);
    p->setProcessing(false);
    EXPECT_EQ(p->setBusArrangements(&in, 1, &out, 1), kResultOk);

    SA arr = 0;
    EXPECT_EQ(p->getBusArrangement(2, 0, arr), kInvalidArgument);
    EXPECT_EQ(p->getBusArrangement(sv::kOutput, 1, arr), kInvalidArgument);
    EXPECT_EQ(p->getBusArrangement(sv::kInput, -1, arr), kInvalidArgument);
    EXPECT_EQ(p->getBusArrangement(sv::kInput, 0, arr), kResultOk);
    EXPECT_EQ(arr, kMono);
}

TEST(ProcessingSetup, SampleSizesRatesAndBlockSizes)
{
    PluginUnderTest p(ModuleKind::Player);
    EXPECT_EQ(p->canProcessSampleSize(sv::kSample32), kResultOk);
    EXPECT_EQ(p->canProcessSampleSize(sv::kSample64), kResultOk);
    EXPECT_EQ(p->canProcessSampleSize(2), kResultFalse);

    struct SetupCase {
        double rate;
        int32 block;
        int32 sampleSize;
        tresult expected;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const SetupCase cases[] = {
        {8000.0, 64, sv::kSample32, kResultOk},
        {384000.0, 65536, sv::kSample64, kResultOk},
        {std::nextafter(8000.0, 0.0), 64, sv::kSample32, kInvalidArgument},
        {std::nextafter(384000.0, 1e9), 64, sv::kSample32, kInvalidArgument},
        {nan, 64, sv::kSample32, kInvalidArgument}, // would turn every gain into NaN
        {48000.0, 0, sv::kSample32, kInvalidArgument},
        {48000.0, 65537, sv::kSample32, kInvalidArgument},
        {48000.0, 64, 2, kInvalidArgument},
    };
    for (const auto& c : cases) {
        PluginUnderTest fresh(ModuleKind::Player);
        EXPECT_EQ(fresh.setup(c.rate, c.block, c.sampleSize), c.expected) << c.rate << " " << c.block;
        if (c.expected != kResultOk) {
            EXPECT_EQ(fresh->sampleRate, 48000.0);
            EXPECT_EQ(fresh->maxBlockSize, 512);
            EXPECT_TRUE(fresh->scratchSamples.empty());
            EXPECT_EQ(fresh->renderChannels[0], nullptr);
        } else {
            EXPECT_EQ(fresh->sampleRate, c.rate);
            EXPECT_EQ(fresh->maxBlockSize, c.block);
        }
    }
}

TEST(ProcessingSetup, ScratchBankLayoutFollowsTheLastAcceptedSetup)
{
    PluginUnderTest p(ModuleKind::Recorder);
    ASSERT_EQ(p.setup(44100.0, 256), kResultOk);
    ASSERT_EQ(p->scratchSamples.size(), 64u * 256u);
    EXPECT_EQ(p->renderChannels[0], p->scratchSamples.data());
    EXPECT_EQ(p->renderChannels[63], p->renderChannels[0] + 63 * 256);
    for (size_t k = 0; k < 64; ++k)
        EXPECT_EQ(p->captureChannels[k], p->renderChannels[k]);

    // A refused set-up keeps the bank; a larger one lays it out anew.
    EXPECT_EQ(p.setup(44100.0, 0), kInvalidArgument);
    EXPECT_EQ(p->scratchSamples.size(), 64u * 256u);
    ASSERT_EQ(p.setup(96000.0, 1024), kResultOk);
    EXPECT_EQ(p->renderChannels[1], p->scratchSamples.data() + 1024);
    EXPECT_EQ(p->captureChannels[63], p->scratchSamples.data() + 63 * 1024);
    EXPECT_EQ(p->sampleRate, 96000.0);
}

TEST(ProcessingSetup, SwitchingProcessingOffResetsPlayRecordTransportAndGains)
{
    PluginUnderTest p(ModuleKind::Recorder);
    p.start();
    EXPECT_TRUE(p->processing.load());
    ASSERT_EQ(p->setParamNormalized(kParamPlayRecord, 1.0), kResultOk);
    p->transportWasRunning = true;
    p->gainStatePrimed = true;
    AudioClip clip;
    clip.channels = 1;
    clip.sampleRate = 48000;
    clip.samples.assign(4800, 0.5f);
    p->player.publishClip(std::move(clip));
    p->player.start(0, 0);
    EXPECT_EQ(p->setProcessing(true), kResultOk);
    EXPECT_EQ(p->loadParamValue(kParamPlayRecord), 1.0);

    EXPECT_EQ(p->setProcessing(false), kResultOk);
    EXPECT_FALSE(p->processing.load());
    EXPECT_EQ(p->loadParamValue(kParamPlayRecord), 0.0);
    EXPECT_FALSE(p->transportWasRunning);
    EXPECT_FALSE(p->gainStatePrimed);
    // Both engines are told to stop.
    EXPECT_FALSE(p->player.playing.load());
    EXPECT_FALSE(p->recorder.recording.load());
    EXPECT_TRUE(p->recorder.stopRequested.load());
    // The parameter object keeps its own value: the host is not told.
    EXPECT_EQ(p->getParameterObject(kParamPlayRecord)->getNormalized(), 1.0);
    EXPECT_EQ(p->getProcessContextRequirements(), 0x402u);
}

} // namespace
} // namespace korvalest::plugins::test
