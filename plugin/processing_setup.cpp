// Bus arrangements, sample sizes and processing set-up of UtilityPlugin.

#include <bit>
#include <new>

#include "bus_layout.h"
#include "utility_plugin.h"

namespace korvalest::plugins {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

constexpr int32 kMaxSetupBlockSize = 65536;
constexpr double kMinSampleRate = 8000.0;
constexpr double kMaxSampleRate = 384000.0;

bool arrangementFits(SpeakerArrangement arrangement, int32 maxChannels)
{
    return arrangement != 0 && std::popcount(static_cast<uint64>(arrangement)) <= maxChannels;
}

} // namespace

tresult PLUGIN_API UtilityPlugin::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                     SpeakerArrangement* outputs, int32 numOuts)
{
    if (processing.load())
        return kResultFalse;
    if (numIns < 0 || numOuts < 0 || (numIns != 0 && inputs == nullptr) || (numOuts != 0 && outputs == nullptr))
        return kResultFalse;
    const BusLayout layout = busLayoutOf(kind);
    if (numIns != static_cast<int32>(audioInputs.size()) || numOuts != static_cast<int32>(audioOutputs.size()))
        return kResultFalse;
    for (int32 i = 0; i < numIns; ++i)
        if (!arrangementFits(inputs[i], layout.maxInputChannels))
            return kResultFalse;
    for (int32 i = 0; i < numOuts; ++i)
        if (!arrangementFits(outputs[i], layout.maxOutputChannels))
            return kResultFalse;
    if (kind == ModuleKind::FaderBank)
        for (int32 i = 0; i < numIns; ++i)
            if (inputs[i] != outputs[i])
                return kResultFalse;
    return SingleComponentEffect::setBusArrangements(inputs, numIns, outputs, numOuts);
}

tresult PLUGIN_API UtilityPlugin::getBusArrangement(BusDirection dir, int32 index, SpeakerArrangement& arr)
{
    if (dir != kInput && dir != kOutput)
        return kInvalidArgument;
    const BusList& list = dir == kInput ? audioInputs : audioOutputs;
    if (index < 0 || index >= static_cast<int32>(list.size()))
        return kInvalidArgument;
    return SingleComponentEffect::getBusArrangement(dir, index, arr);
}

tresult PLUGIN_API UtilityPlugin::canProcessSampleSize(int32 symbolicSampleSize)
{
    return symbolicSampleSize == kSample32 || symbolicSampleSize == kSample64 ? kResultOk : kResultFalse;
}

tresult PLUGIN_API UtilityPlugin::setupProcessing(ProcessSetup& setup)
{
    if (setup.maxSamplesPerBlock < 1 || setup.maxSamplesPerBlock > kMaxSetupBlockSize)
        return kInvalidArgument;
    // Written so that a NaN rate is refused too: it would poison every gain.
    if (!(setup.sampleRate >= kMinSampleRate && setup.sampleRate <= kMaxSampleRate))
        return kInvalidArgument;
    if (setup.symbolicSampleSize != kSample32 && setup.symbolicSampleSize != kSample64)
        return kInvalidArgument;

    const ProcessSetup previous = processSetup;
    const tresult result = SingleComponentEffect::setupProcessing(setup);
    if (result != kResultOk)
        return result;
    const size_t frames = static_cast<size_t>(setup.maxSamplesPerBlock);
    try {
        // A guard sized for a larger block than the one kept is harmless.
        inputAliasGuard.prepare(setup.maxSamplesPerBlock);
        scratchSamples.resize(kStripCount * frames, 0.0f);
    } catch (...) {
        // resize keeps the old bank on failure; keep the old set-up with it.
        processSetup = previous;
        return kResultFalse;
    }
    sampleRate = setup.sampleRate;
    maxBlockSize = setup.maxSamplesPerBlock;
    for (size_t k = 0; k < kStripCount; ++k) {
        renderChannels[k] = scratchSamples.data() + k * frames;
        captureChannels[k] = renderChannels[k];
    }
    return kResultOk;
}

tresult PLUGIN_API UtilityPlugin::setProcessing(TBool state)
{
    processing.exchange(state != 0);
    if (state)
        return kResultOk;
    stopFileEngines();
    paramValues[kParamPlayRecord].exchange(0.0);
    transportWasRunning = false;
    gainStatePrimed = false;
    return kResultOk;
}

} // namespace korvalest::plugins
