// UtilityPlugin::process: checks the block, takes the host's time, gathers the
// block's changes in time order and walks the block from change to change.

#include <cmath>

#include "parameters.h"
#include "sync_message.h"
#include "utility_plugin.h"

namespace korvalest::plugins {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

constexpr int32 kMaxProcessBuses = 64;
constexpr uint32 kMaxProcessChannels = 64;

bool busesValid(const AudioBusBuffers* buses, int32 count)
{
    if (count < 0 || count > kMaxProcessBuses || (count != 0 && buses == nullptr))
        return false;
    for (int32 b = 0; b < count; ++b)
        if (static_cast<uint32>(buses[b].numChannels) > kMaxProcessChannels)
            return false;
    return true;
}

} // namespace

tresult PLUGIN_API UtilityPlugin::process(ProcessData& data)
{
    if (data.numSamples < 0 || data.numSamples > maxBlockSize)
        return kInvalidArgument;
    if (!busesValid(data.inputs, data.numInputs) || !busesValid(data.outputs, data.numOutputs))
        return kInvalidArgument;
    // A block that would be refused for its sample size is refused before any
    // of its changes or sync messages act, so a refused block changes nothing.
    const bool wide = data.symbolicSampleSize == kSample64;
    if (data.numSamples > 0 && !wide && data.symbolicSampleSize != kSample32)
        return kInvalidArgument;

    // The running position never moves backward: a host that holds its
    // continuous time still while stopped would otherwise replay one block.
    if (const ProcessContext* context = data.processContext;
        context != nullptr && (context->state & ProcessContext::kContTimeValid) != 0
        && context->continousTimeSamples >= 0
        && static_cast<uint64_t>(context->continousTimeSamples) >= samplePosition)
        samplePosition = static_cast<uint64_t>(context->continousTimeSamples);

    changeList.clear();
    if (data.inputParameterChanges != nullptr)
        gatherParameterChanges(changeList, *data.inputParameterChanges, data.numSamples);
    if (kind == ModuleKind::Recorder && data.inputEvents != nullptr)
        gatherSyncMessages(changeList, *data.inputEvents, data.numSamples);
    changeList.sortByOffset();

    // The walk reads copies of input channels that share an output's buffer.
    ProcessData walked = data;
    walked.inputs = inputAliasGuard.protect(data);

    int32 next = 0;
    int32 current = 0;
    for (;;) {
        while (next < changeList.size() && changeList[next].sampleOffset == current)
            applyChange(changeList[next++]);
        const int32 end = next < changeList.size() ? changeList[next].sampleOffset : data.numSamples;
        if (end > current) {
            if (wide)
                processSubBlock<double>(walked, current, end - current);
            else
                processSubBlock<float>(walked, current, end - current);
            samplePosition += static_cast<uint64_t>(end - current);
        }
        if (end == data.numSamples)
            break;
        current = end;
    }
    // Points at offset numSamples have no frame left in this block; they are dropped.
    return kResultOk;
}

void UtilityPlugin::applyChange(const ParamChange& change)
{
    switch (change.id) {
    case kSyncStartId:
        paramValues[kParamFollowTransport].exchange(0.0);
        paramValues[kParamPlayRecord].exchange(1.0);
        transportWasRunning = true;
        syncStart(samplePosition);
        break;
    case kSyncStopId:
        paramValues[kParamFollowTransport].exchange(0.0);
        paramValues[kParamPlayRecord].exchange(0.0);
        transportWasRunning = false;
        syncStop(samplePosition);
        break;
    default:
        storeParamValue(change.id, change.value);
        break;
    }
}

} // namespace korvalest::plugins
