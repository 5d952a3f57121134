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

void addRange(ParameterContainer& parameters, const std::string& title, uint32_t id, const char* units,
              double min, double max, double defaultPlain, int32 stepCount)
{
    const String128Buffer titleText = widen128(title);
    const String128Buffer unitsText = widen128(units);
    parameters.addParameter(new RangeParameter(titleText.data(), id, units ? unitsText.data() : nullptr, min, max,
                                               defaultPlain, stepCount, kAutomatable, kRootUnitId));
}

void addOnOff(ParameterContainer& parameters, const std::string& title, uint32_t id, double defaultNormalized)
{
    const String128Buffer titleText = widen128(title);
    parameters.addParameter(titleText.data(), nullptr, 1, defaultNormalized, kAutomatable, static_cast<int32>(id),
                            kRootUnitId, nullptr);
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
