#pragma once
// The one plug-in class: component, processor and controller of every kind.

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "module_kind.h"
#include "parameters.h"
#include "single_component_effect.h"

namespace korvalest::plugins {

class UtilityPlugin : public SingleComponentEffect {
public:
    explicit UtilityPlugin(ModuleKind kind);
    ~UtilityPlugin() override;

    // IPluginBase
    Steinberg::tresult PLUGIN_API initialize(Steinberg::FUnknown* context) override;

    // IEditController
    Steinberg::tresult PLUGIN_API setComponentState(Steinberg::IBStream* state) override;
    Steinberg::Vst::ParamValue PLUGIN_API getParamNormalized(Steinberg::Vst::ParamID id) override;
    Steinberg::tresult PLUGIN_API setParamNormalized(Steinberg::Vst::ParamID id,
                                                     Steinberg::Vst::ParamValue value) override;
    Steinberg::IPlugView* PLUGIN_API createView(Steinberg::FIDString name) override;

    // Value store: ignores identifiers of 512 and above and non-finite values,
    // clamps into [0, 1].
    void storeParamValue(uint32_t id, double value);
    double loadParamValue(uint32_t id) const { return id < kParamSlotCount ? paramValues[id].load() : 0.0; }

    // One complete edit gesture from the editor.
    void editParameter(uint32_t id, double value);

    ModuleKind getKind() const { return kind; }

    const ModuleKind kind;
    ParamValueStore paramValues;

private:
    void createBuses();
};

} // namespace korvalest::plugins
