#pragma once
// One object that is component, audio processor, edit controller and
// process-context-requirements provider at once: the base of every plug-in
// object here. Built on the SDK's component base, bus lists and edit controller.

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "public.sdk/source/vst/vstbus.h"
#include "public.sdk/source/vst/vsteditcontroller.h"

namespace korvalest::plugins {

namespace sv = Steinberg::Vst;

class SingleComponentEffect : public sv::EditControllerEx1,
                              public sv::IComponent,
                              public sv::IAudioProcessor,
                              public sv::IProcessContextRequirements {
public:
    SingleComponentEffect();
    ~SingleComponentEffect() override;

    // IPluginBase
    Steinberg::tresult PLUGIN_API initialize(Steinberg::FUnknown* context) override;
    Steinberg::tresult PLUGIN_API terminate() override;

    // IComponent
    Steinberg::tresult PLUGIN_API getControllerClassId(Steinberg::TUID) override
    {
        return Steinberg::kNotImplemented;
    }
    Steinberg::tresult PLUGIN_API setIoMode(sv::IoMode) override { return Steinberg::kNotImplemented; }
    Steinberg::int32 PLUGIN_API getBusCount(sv::MediaType type, sv::BusDirection dir) override;
    Steinberg::tresult PLUGIN_API getBusInfo(sv::MediaType type, sv::BusDirection dir,
                                             Steinberg::int32 index, sv::BusInfo& info) override;
    Steinberg::tresult PLUGIN_API getRoutingInfo(sv::RoutingInfo&, sv::RoutingInfo&) override
    {
        return Steinberg::kNotImplemented;
    }
    Steinberg::tresult PLUGIN_API activateBus(sv::MediaType type, sv::BusDirection dir,
                                              Steinberg::int32 index, Steinberg::TBool state) override;
    Steinberg::tresult PLUGIN_API setActive(Steinberg::TBool) override { return Steinberg::kResultOk; }
    // One override serves IComponent and IEditController: the signatures are the same.
    Steinberg::tresult PLUGIN_API setState(Steinberg::IBStream*) override { return Steinberg::kNotImplemented; }
    Steinberg::tresult PLUGIN_API getState(Steinberg::IBStream*) override { return Steinberg::kNotImplemented; }

    // IAudioProcessor
    Steinberg::tresult PLUGIN_API setBusArrangements(sv::SpeakerArrangement* inputs, Steinberg::int32 numIns,
                                                     sv::SpeakerArrangement* outputs,
                                                     Steinberg::int32 numOuts) override;
    Steinberg::tresult PLUGIN_API getBusArrangement(sv::BusDirection dir, Steinberg::int32 index,
                                                    sv::SpeakerArrangement& arr) override;
    Steinberg::tresult PLUGIN_API canProcessSampleSize(Steinberg::int32 symbolicSampleSize) override;
    Steinberg::uint32 PLUGIN_API getLatencySamples() override { return 0; }
    Steinberg::tresult PLUGIN_API setupProcessing(sv::ProcessSetup& setup) override;
    Steinberg::tresult PLUGIN_API setProcessing(Steinberg::TBool) override { return Steinberg::kNotImplemented; }
    Steinberg::tresult PLUGIN_API process(sv::ProcessData&) override { return Steinberg::kNotImplemented; }
    Steinberg::uint32 PLUGIN_API getTailSamples() override { return sv::kNoTail; }

    // IProcessContextRequirements
    Steinberg::uint32 PLUGIN_API getProcessContextRequirements() override
    {
        return processContextRequirements;
    }

    sv::AudioBus* addAudioInput(const sv::TChar* name, sv::SpeakerArrangement arr,
                                sv::BusType busType = sv::kMain,
                                Steinberg::int32 flags = sv::BusInfo::kDefaultActive);
    sv::AudioBus* addAudioOutput(const sv::TChar* name, sv::SpeakerArrangement arr,
                                 sv::BusType busType = sv::kMain,
                                 Steinberg::int32 flags = sv::BusInfo::kDefaultActive);
    sv::EventBus* addEventInput(const sv::TChar* name, Steinberg::int32 channels = 16,
                                sv::BusType busType = sv::kMain,
                                Steinberg::int32 flags = sv::BusInfo::kDefaultActive);
    sv::EventBus* addEventOutput(const sv::TChar* name, Steinberg::int32 channels = 16,
                                 sv::BusType busType = sv::kMain,
                                 Steinberg::int32 flags = sv::BusInfo::kDefaultActive);
    void removeAllBusses();

    OBJ_METHODS(SingleComponentEffect, EditControllerEx1)
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    REFCOUNT_METHODS(EditControllerEx1)

protected:
    sv::BusList* getBusList(sv::MediaType type, sv::BusDirection dir);
    sv::Bus* getBus(sv::MediaType type, sv::BusDirection dir, Steinberg::int32 index);

    sv::ProcessSetup processSetup{};
    Steinberg::uint32 processContextRequirements = 0;

    sv::BusList audioInputs{sv::kAudio, sv::kInput};
    sv::BusList audioOutputs{sv::kAudio, sv::kOutput};
    sv::BusList eventInputs{sv::kEvent, sv::kInput};
    sv::BusList eventOutputs{sv::kEvent, sv::kOutput};
};

} // namespace korvalest::plugins
