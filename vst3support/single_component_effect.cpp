#include "single_component_effect.h"

namespace korvalest::plugins {

using namespace Steinberg;

SingleComponentEffect::SingleComponentEffect()
{
    processSetup.maxSamplesPerBlock = 1024;
    processSetup.processMode = sv::kRealtime;
    processSetup.sampleRate = 44100.0;
    processSetup.symbolicSampleSize = sv::kSample32;
}

SingleComponentEffect::~SingleComponentEffect() = default;

tresult PLUGIN_API SingleComponentEffect::initialize(FUnknown* context)
{
    return EditControllerEx1::initialize(context);
}

tresult PLUGIN_API SingleComponentEffect::terminate()
{
    parameters.removeAll();
    removeAllBusses();
    return EditControllerEx1::terminate();
}

sv::BusList* SingleComponentEffect::getBusList(sv::MediaType type, sv::BusDirection dir)
{
    if (type == sv::kAudio)
        return dir == sv::kInput ? &audioInputs : dir == sv::kOutput ? &audioOutputs : nullptr;
    if (type == sv::kEvent)
        return dir == sv::kInput ? &eventInputs : dir == sv::kOutput ? &eventOutputs : nullptr;
    return nullptr;
}

sv::Bus* SingleComponentEffect::getBus(sv::MediaType type, sv::BusDirection dir, int32 index)
{
    sv::BusList* list = getBusList(type, dir);
    if (list == nullptr || index < 0 || index >= static_cast<int32>(list->size()))
        return nullptr;
    return list->at(static_cast<size_t>(index));
}

int32 PLUGIN_API SingleComponentEffect::getBusCount(sv::MediaType type, sv::BusDirection dir)
{
    sv::BusList* list = getBusList(type, dir);
    return list ? static_cast<int32>(list->size()) : 0;
}

tresult PLUGIN_API SingleComponentEffect::getBusInfo(sv::MediaType type, sv::BusDirection dir,
                                                     int32 index, sv::BusInfo& info)
{
    sv::Bus* bus = getBus(type, dir, index);
    if (bus == nullptr)
        return kInvalidArgument;
    info.mediaType = type;
    info.direction = dir;
    return bus->getInfo(info) ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API SingleComponentEffect::activateBus(sv::MediaType type, sv::BusDirection dir,
                                                      int32 index, TBool state)
{
    sv::Bus* bus = getBus(type, dir, index);
    if (bus == nullptr)
        return kInvalidArgument;
    bus->setActive(state);
    return kResultTrue;
}

tresult PLUGIN_API SingleComponentEffect::setBusArrangements(sv::SpeakerArrangement* inputs, int32 numIns,
                                                             sv::SpeakerArrangement* outputs, int32 numOuts)
{
    if (numIns < 0 || numOuts < 0)
        return kInvalidArgument;
    if (numIns > static_cast<int32>(audioInputs.size()) || numOuts > static_cast<int32>(audioOutputs.size()))
        return kResultFalse;
    for (int32 i = 0; i < numIns; ++i)
        if (auto* bus = FCast<sv::AudioBus>(audioInputs[static_cast<size_t>(i)].get()))
            bus->setArrangement(inputs[i]);
    for (int32 i = 0; i < numOuts; ++i)
        if (auto* bus = FCast<sv::AudioBus>(audioOutputs[static_cast<size_t>(i)].get()))
            bus->setArrangement(outputs[i]);
    return kResultTrue;
}

tresult PLUGIN_API SingleComponentEffect::getBusArrangement(sv::BusDirection dir, int32 index,
                                                            sv::SpeakerArrangement& arr)
{
    sv::Bus* bus = getBus(sv::kAudio, dir, index);
    if (bus == nullptr)
        return kInvalidArgument;
    if (auto* audioBus = FCast<sv::AudioBus>(bus)) {
        arr = audioBus->getArrangement();
        return kResultTrue;
    }
    return kResultFalse;
}

tresult PLUGIN_API SingleComponentEffect::canProcessSampleSize(int32 symbolicSampleSize)
{
    return symbolicSampleSize == sv::kSample32 ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API SingleComponentEffect::setupProcessing(sv::ProcessSetup& setup)
{
    if (canProcessSampleSize(setup.symbolicSampleSize) != kResultTrue)
        return kResultFalse;
    processSetup = setup;
    return kResultOk;
}

sv::AudioBus* SingleComponentEffect::addAudioInput(const sv::TChar* name, sv::SpeakerArrangement arr,
                                                   sv::BusType busType, int32 flags)
{
    auto* bus = new sv::AudioBus(name, busType, flags, arr);
    audioInputs.emplace_back(owned(bus));
    return bus;
}

sv::AudioBus* SingleComponentEffect::addAudioOutput(const sv::TChar* name, sv::SpeakerArrangement arr,
                                                    sv::BusType busType, int32 flags)
{
    auto* bus = new sv::AudioBus(name, busType, flags, arr);
    audioOutputs.emplace_back(owned(bus));
    return bus;
}

sv::EventBus* SingleComponentEffect::addEventInput(const sv::TChar* name, int32 channels, sv::BusType busType,
                                                   int32 flags)
{
    auto* bus = new sv::EventBus(name, busType, flags, channels);
    eventInputs.emplace_back(owned(bus));
    return bus;
}

sv::EventBus* SingleComponentEffect::addEventOutput(const sv::TChar* name, int32 channels, sv::BusType busType,
                                                    int32 flags)
{
    auto* bus = new sv::EventBus(name, busType, flags, channels);
    eventOutputs.emplace_back(owned(bus));
    return bus;
}

void SingleComponentEffect::removeAllBusses()
{
    audioInputs.clear();
    audioOutputs.clear();
    eventInputs.clear();
    eventOutputs.clear();
}

tresult PLUGIN_API SingleComponentEffect::queryInterface(const TUID iid, void** obj)
{
    DEF_INTERFACE(sv::IComponent)
    DEF_INTERFACE(sv::IAudioProcessor)
    DEF_INTERFACE(sv::IProcessContextRequirements)
    return EditControllerEx1::queryInterface(iid, obj);
}

} // namespace korvalest::plugins
