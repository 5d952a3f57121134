// One 512-frame block at 48 kHz per iteration. Targets: INPUT at 0 dB, settled,
// within 3 x a memcpy of the same audio; every kind's worst case within 1 %
// real-time load, that is "audio_seconds_per_second" of at least 100.

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "parameter_changes.h"
#include "plugin_instance.h"
#include "process_buffers.h"
#include "utility_plugin.h"

namespace korvalest::plugins {
namespace {

using namespace Steinberg;
namespace sv = Steinberg::Vst;

constexpr int32 kFrames = 512;
constexpr double kRate = 48000.0;

struct Rig {
    explicit Rig(ModuleKind kind) : plugin(new UtilityPlugin(kind))
    {
        plugin->initialize(testhost::hostContext());
        sv::ProcessSetup setup{sv::kRealtime, sv::kSample32, kFrames, kRate};
        plugin->setupProcessing(setup);
        for (auto dir : {sv::kInput, sv::kOutput})
            for (int32 b = 0; b < plugin->getBusCount(sv::kAudio, dir); ++b)
                plugin->activateBus(sv::kAudio, dir, b, true);
        plugin->setProcessing(true);
    }
    ~Rig()
    {
        plugin->setProcessing(false);
        plugin->terminate();
        plugin->release();
    }
    UtilityPlugin* plugin;
};

void reportAudioRate(benchmark::State& state)
{
    state.counters["audio_seconds_per_second"]
        = benchmark::Counter(kFrames / kRate, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_MemcpyStereoBlock(benchmark::State& state)
{
    std::vector<float> in(2 * kFrames, 0.25f);
    std::vector<float> out(2 * kFrames);
    for (auto _ : state) {
        std::memcpy(out.data(), in.data(), kFrames * sizeof(float));
        std::memcpy(out.data() + kFrames, in.data() + kFrames, kFrames * sizeof(float));
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MemcpyStereoBlock);

void BM_InputUnitySettled(benchmark::State& state)
{
    Rig rig(ModuleKind::Input);
    testhost::ProcessBuffers buffers(sv::kSample32, kFrames, {2}, {2});
    buffers.fillInputs(0.25);
    rig.plugin->process(buffers.data);
    for (auto _ : state) {
        rig.plugin->process(buffers.data);
        benchmark::ClobberMemory();
    }
    reportAudioRate(state);
}
BENCHMARK(BM_InputUnitySettled);

// Worst case: every bus active and live, 64 strips or branches, and gains
// moving in every block (a change at the first frame and one mid-block).
void BM_KindWorstCase(benchmark::State& state)
{
    const auto kind = static_cast<ModuleKind>(state.range(0));
    Rig rig(kind);
    rig.plugin->storeParamValue(kParamActiveCount, 1.0);
    std::vector<int32> ins(static_cast<size_t>(rig.plugin->getBusCount(sv::kAudio, sv::kInput)), 2);
    std::vector<int32> outs(static_cast<size_t>(rig.plugin->getBusCount(sv::kAudio, sv::kOutput)),
                            kind == ModuleKind::Breakout ? 1 : 2);
    if (kind == ModuleKind::Breakout)
        ins[0] = 64;
    testhost::ProcessBuffers buffers(sv::kSample32, kFrames, ins, outs);
    buffers.fillInputs(0.25);
    testhost::ParameterChanges up;
    testhost::ParameterChanges down;
    up.queue(kParamGain).point(0, 0.9).point(256, 0.7);
    down.queue(kParamGain).point(0, 0.5).point(256, 0.8);
    for (uint32 k = 0; k < kStripCount; ++k) {
        up.queue(kParamStripGainFirst + k).point(0, 0.9).point(256, 0.7);
        down.queue(kParamStripGainFirst + k).point(0, 0.5).point(256, 0.8);
    }
    bool flip = false;
    for (auto _ : state) {
        buffers.data.inputParameterChanges = flip ? &up : &down;
        flip = !flip;
        rig.plugin->process(buffers.data);
        benchmark::ClobberMemory();
    }
    state.SetLabel(displayName(kind));
    reportAudioRate(state);
}
BENCHMARK(BM_KindWorstCase)->DenseRange(1, 8);

} // namespace
} // namespace korvalest::plugins
