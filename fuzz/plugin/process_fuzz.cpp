// Drives UtilityPlugin::process with hostile blocks: any kind and set-up, bus
// and channel counts around the limits, null and in-place buffers, silence
// flags, non-finite samples, parameter points anywhere and any event bytes.
// No block may crash, and no output sample may be NaN or infinite.

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "event_list.h"
#include "parameter_changes.h"
#include "plugin_instance.h"
#include "process_buffers.h"
#include "sync_message.h"
#include "utility_plugin.h"

using namespace Steinberg;
using namespace korvalest::plugins;
namespace sv = Steinberg::Vst;

namespace {

double sampleValue(FuzzedDataProvider& in)
{
    switch (in.ConsumeIntegralInRange<int>(0, 7)) {
    case 0: return std::nan("");
    case 1: return HUGE_VAL;
    case 2: return 1e300;
    case 3: return 0.0;
    default: return in.ConsumeFloatingPointInRange<double>(-4.0, 4.0);
    }
}

void runBlock(UtilityPlugin& plugin, FuzzedDataProvider& in)
{
    const int32 sampleSize = in.ConsumeBool() ? sv::kSample32 : in.ConsumeIntegralInRange<int32>(1, 2);
    const int32 frames = in.ConsumeIntegralInRange<int32>(0, 600);
    std::vector<int32> ins(in.ConsumeIntegralInRange<size_t>(0, 66));
    std::vector<int32> outs(in.ConsumeIntegralInRange<size_t>(0, 66));
    for (int32& c : ins)
        c = in.ConsumeIntegralInRange<int32>(0, in.ConsumeBool() ? 3 : 65);
    for (int32& c : outs)
        c = in.ConsumeIntegralInRange<int32>(0, in.ConsumeBool() ? 3 : 65);
    testhost::ProcessBuffers buffers(sampleSize == sv::kSample64 ? sv::kSample64 : sv::kSample32, frames, ins, outs);
    buffers.data.symbolicSampleSize = sampleSize;
    for (int n = in.ConsumeIntegralInRange<int>(0, 8); n > 0 && !ins.empty(); --n) {
        const int32 b = in.ConsumeIntegralInRange<int32>(0, static_cast<int32>(ins.size()) - 1);
        if (ins[b] == 0 || frames == 0)
            continue;
        const int32 c = in.ConsumeIntegralInRange<int32>(0, ins[b] - 1);
        const double v = sampleValue(in);
        for (int32 i = in.ConsumeIntegralInRange<int32>(0, frames - 1); i < frames; i += 7)
            buffers.setInput(b, c, i, v);
    }
    for (size_t b = 0; b < ins.size(); ++b)
        if (ins[b] > 0 && in.ConsumeIntegralInRange<int>(0, 5) == 0) {
            buffers.clearInputPointer(static_cast<int32>(b), in.ConsumeIntegralInRange<int32>(0, ins[b] - 1));
            buffers.data.inputs[b].silenceFlags = in.ConsumeIntegral<uint64_t>();
        }
    for (size_t b = 0; b < outs.size(); ++b)
        if (outs[b] > 0 && in.ConsumeIntegralInRange<int>(0, 5) == 0)
            buffers.clearOutputPointer(static_cast<int32>(b), in.ConsumeIntegralInRange<int32>(0, outs[b] - 1));
    if (!ins.empty() && !outs.empty() && in.ConsumeBool())
        buffers.makeInPlace(0);
    if (in.ConsumeBool())
        buffers.setContinuousTime(in.ConsumeIntegral<int64_t>());
    if (in.ConsumeBool()) {
        buffers.data.numSamples = in.ConsumeIntegral<int32>(); // lies about its length
        if (buffers.data.numSamples > frames)
            buffers.data.numSamples = frames;
    }

    testhost::ParameterChanges changes;
    for (int q = in.ConsumeIntegralInRange<int>(0, 6); q > 0; --q) {
        if (in.ConsumeIntegralInRange<int>(0, 9) == 0) {
            changes.addNullQueue();
            continue;
        }
        auto& queue = changes.queue(in.ConsumeIntegralInRange<uint32>(0, 700));
        for (int p = in.ConsumeIntegralInRange<int>(0, 6); p > 0; --p)
            queue.point(in.ConsumeIntegralInRange<int32>(-2, frames + 2),
                        in.ConsumeBool() ? sampleValue(in) : in.ConsumeProbability<double>());
    }
    buffers.data.inputParameterChanges = in.ConsumeBool() ? &changes : nullptr;

    std::vector<std::vector<uint8_t>> payloads;
    payloads.reserve(8);
    testhost::EventList events;
    for (int e = in.ConsumeIntegralInRange<int>(0, 6); e > 0; --e) {
        const int32 offset = in.ConsumeIntegralInRange<int32>(-2, frames + 2);
        if (in.ConsumeBool()) {
            events.addData(offset, (in.ConsumeBool() ? kSyncStartMessage : kSyncStopMessage).data(), 7);
        } else {
            payloads.push_back(in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(0, 9)));
            events.addData(offset, payloads.back().empty() ? nullptr : payloads.back().data(),
                           static_cast<uint32>(payloads.back().size()));
            events.events.back().type = in.ConsumeIntegralInRange<uint16>(0, 4);
        }
    }
    buffers.data.inputEvents = in.ConsumeBool() ? &events : nullptr;
    testhost::EventList outEvents;
    buffers.data.outputEvents = &outEvents;

    const tresult result = plugin.process(buffers.data);
    if (result != kResultOk && result != kInvalidArgument)
        std::abort();
    if (result != kResultOk)
        return;
    for (int32 b = 0; b < buffers.data.numOutputs; ++b)
        for (int32 c = 0; c < outs[static_cast<size_t>(b)]; ++c) {
            const sv::AudioBusBuffers& bus = buffers.data.outputs[b];
            const bool present = buffers.wide() ? bus.channelBuffers64[c] != nullptr : bus.channelBuffers32[c] != nullptr;
            for (int32 i = 0; present && i < buffers.data.numSamples; ++i)
                if (!std::isfinite(buffers.output(b, c, i)))
                    std::abort();
        }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    auto* plugin = new UtilityPlugin(static_cast<ModuleKind>(in.ConsumeIntegralInRange<int32>(1, 8)));
    plugin->initialize(testhost::hostContext());
    if (in.ConsumeBool()) {
        const double rates[] = {8000.0, 44100.0, 48000.0, 384000.0, std::nan(""), 1.0};
        sv::ProcessSetup setup{sv::kRealtime, in.ConsumeIntegralInRange<int32>(0, 2),
                               in.ConsumeIntegralInRange<int32>(0, 700), rates[in.ConsumeIntegralInRange(0, 5)]};
        plugin->setupProcessing(setup);
    }
    for (auto dir : {sv::kInput, sv::kOutput})
        for (int32 b = 0; b < plugin->getBusCount(sv::kAudio, dir); ++b)
            plugin->activateBus(sv::kAudio, dir, b, in.ConsumeIntegralInRange<int>(0, 3) != 0);
    plugin->setProcessing(true);
    for (int block = in.ConsumeIntegralInRange<int>(1, 4); block > 0 && in.remaining_bytes() > 0; --block) {
        if (in.ConsumeIntegralInRange<int>(0, 7) == 0) {
            plugin->setProcessing(false);
            plugin->setProcessing(true);
        }
        runBlock(*plugin, in);
    }
    plugin->setProcessing(false);
    plugin->terminate();
    plugin->release();
    return 0;
}
