#include "utility_plugin.h"

#include <cmath>
#include <cstring>
#include <string>

#include "bus_layout.h"
#include "widen.h"

namespace korvalest::plugins {

using namespace Steinberg;
using namespace Steinberg::Vst;

UtilityPlugin::UtilityPlugin(ModuleKind kind) : kind(kind)
{
    writeParameterDefaults(paramValues);
    processContextRequirements |= IProcessContextRequirements::kNeedContinousTimeSamples
        | IProcessContextRequirements::kNeedTransportState;
}

UtilityPlugin::~UtilityPlugin()
{
    // The writer finalizes its file before the members go: the scratch bank
    // and the path, then the recorder, then the player.
    recorder.stop();
    try {
        recorder.close();
    } catch (...) {
        // A join that fails leaves nothing to finalize; never throw from here.
    }
}

tresult PLUGIN_API UtilityPlugin::initialize(FUnknown* context)
{
    const tresult result = SingleComponentEffect::initialize(context);
    if (result != kResultOk)
        return result;
    try {
        createBuses();
        registerParameters(parameters, kind);
    } catch (...) {
        // Out of memory: leave nothing half-built, and no exception may reach the host.
        SingleComponentEffect::terminate();
        return kOutOfMemory;
    }
    return kResultOk;
}

void UtilityPlugin::createBuses()
{
    const BusLayout layout = busLayoutOf(kind);
    for (int32 k = 0; k < layout.audioInputs; ++k) {
        const String128Buffer name = widen128("Input " + std::to_string(k + 1));
        addAudioInput(name.data(), SpeakerArr::kStereo, k == 0 ? kMain : kAux,
                      k == 0 ? BusInfo::kDefaultActive : 0);
    }
    const SpeakerArrangement outputArrangement
        = layout.maxOutputChannels == 1 ? SpeakerArr::kMono : SpeakerArr::kStereo;
    for (int32 k = 0; k < layout.audioOutputs; ++k) {
        const String128Buffer name = widen128("Output " + std::to_string(k + 1));
        addAudioOutput(name.data(), outputArrangement, k == 0 ? kMain : kAux, k == 0 ? BusInfo::kDefaultActive : 0);
    }
    if (layout.hasRecorderSyncInput)
        addEventInput(widen128("Recorder Sync").data(), 1, kMain, BusInfo::kDefaultActive);
    if (layout.hasPlayerSyncOutput)
        addEventOutput(widen128("Player Sync").data(), 1, kMain, BusInfo::kDefaultActive);
}

void UtilityPlugin::storeParamValue(uint32_t id, double value)
{
    if (id >= kParamSlotCount || !std::isfinite(value))
        return;
    paramValues[id].exchange(value < 0.0 ? 0.0 : value > 1.0 ? 1.0 : value);
}

ParamValue PLUGIN_API UtilityPlugin::getParamNormalized(ParamID id)
{
    return loadParamValue(id);
}

tresult PLUGIN_API UtilityPlugin::setParamNormalized(ParamID id, ParamValue value)
{
    storeParamValue(id, value);
    return SingleComponentEffect::setParamNormalized(id, value);
}

tresult PLUGIN_API UtilityPlugin::setComponentState(IBStream* state)
{
    return setState(state);
}

IPlugView* PLUGIN_API UtilityPlugin::createView(FIDString /*name*/)
{
    return nullptr;
}

void UtilityPlugin::editParameter(uint32_t id, double value)
{
    IComponentHandler* handler = getComponentHandler();
    if (handler)
        handler->beginEdit(id);
    storeParamValue(id, value);
    SingleComponentEffect::setParamNormalized(id, value);
    if (handler) {
        handler->performEdit(id, value);
        handler->endEdit(id);
    }
}

} // namespace korvalest::plugins
