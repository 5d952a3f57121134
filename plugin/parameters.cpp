#include "parameters.h"

#include <string>

#include "public.sdk/source/vst/vstparameters.h"
#include "widen.h"

namespace korvalest::plugins {

using namespace Steinberg;
using namespace Steinberg::Vst;

void writeParameterDefaults(ParamValueStore& store)
{
    for (auto& slot : store)
        slot.store(0.0);
    store[kParamActiveCount].store(1.0 / 9.0);
    store[kParamGain].store(kUnityGainNormalized);
    store[kParamFollowTransport].store(1.0);
    for (uint32_t i = 0; i < kStripCount; ++i)
        store[kParamStripGainFirst + i].store(kUnityGainNormalized);
    store[kParamTailSilence].store(0.05);
    store[kParamMaxTail].store(1.0 / 120.0);
}

namespace {

constexpr int32 kAutomatable = ParameterInfo::kCanAutomate;

// The container adopts the parameter only once its index entry exists; with
// room reserved beforehand, a failure can only come before that.
void addOwned(ParameterContainer& parameters, Parameter* parameter)
{
    try {
        parameters.addParameter(parameter);
    } catch (...) {
        parameter->release();
        throw;
    }
}

void addRange(ParameterContainer& parameters, const std::string& title, uint32_t id, const char* units,
              double min, double max, double defaultPlain, int32 stepCount)
{
    const String128Buffer titleText = widen128(title);
    const String128Buffer unitsText = widen128(units);
    addOwned(parameters, new RangeParameter(titleText.data(), id, units ? unitsText.data() : nullptr, min, max,
                                            defaultPlain, stepCount, kAutomatable, kRootUnitId));
}

void addOnOff(ParameterContainer& parameters, const std::string& title, uint32_t id, double defaultNormalized)
{
    const String128Buffer titleText = widen128(title);
    addOwned(parameters, new Parameter(titleText.data(), id, nullptr, defaultNormalized, 1, kAutomatable,
                                       kRootUnitId, nullptr));
}

bool hasActiveCount(ModuleKind k)
{
    return k == ModuleKind::Summing || k == ModuleKind::Breakout || k == ModuleKind::FaderBank
        || k == ModuleKind::Distributor;
}

bool hasGain(ModuleKind k)
{
    return k == ModuleKind::Input || k == ModuleKind::Output || k == ModuleKind::Summing || k == ModuleKind::Breakout
        || k == ModuleKind::Distributor;
}

} // namespace

void registerParameters(ParameterContainer& parameters, ModuleKind kind)
{
    // Every kind's list fits, so adding a parameter never reallocates.
    parameters.init(1 + 2 * kStripCount);
    if (hasActiveCount(kind))
        addRange(parameters, "Active strips / branches", kParamActiveCount, nullptr, 1.0, 64.0, 8.0, 63);
    if (hasGain(kind))
        addRange(parameters, "Gain", kParamGain, "dB", -90.0, 12.0, 0.0, 0);
    if (kind == ModuleKind::Player || kind == ModuleKind::Recorder) {
        addOnOff(parameters, "Follow DAW transport", kParamFollowTransport, 1.0);
        addOnOff(parameters, "Play / Record", kParamPlayRecord, 0.0);
    }
    if (kind == ModuleKind::FaderBank) {
        for (uint32_t i = 0; i < kStripCount; ++i) {
            const std::string strip = "Fader " + std::to_string(i + 1);
            addRange(parameters, strip + " gain", kParamStripGainFirst + i, "dB", -90.0, 12.0, 0.0, 0);
            addOnOff(parameters, strip + " mute", kParamStripMuteFirst + i, 0.0);
        }
    }
    if (kind == ModuleKind::Recorder) {
        addRange(parameters, "Tail silence time", kParamTailSilence, "s", 0.0, 10.0, 0.5, 0);
        addRange(parameters, "Maximum tail", kParamMaxTail, "s", 0.0, 3600.0, 30.0, 0);
    }
}

} // namespace korvalest::plugins
