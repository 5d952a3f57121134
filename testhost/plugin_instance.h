#pragma once
// One plug-in instance created through the factory's ABI, with the interfaces
// a host uses, and a host context for initialize.

#include <memory>

#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"

namespace korvalest::plugins::testhost {

// The host application object handed to initialize.
Steinberg::FUnknown* hostContext();

class PluginInstance {
public:
    // Creates the factory's class at index 0 (throws std::runtime_error on failure).
    explicit PluginInstance(Steinberg::IPluginFactory* factory, Steinberg::int32 classIndex = 0);
    ~PluginInstance();

    Steinberg::tresult initialize() { return component->initialize(hostContext()); }
    Steinberg::tresult terminate() { return component->terminate(); }

    Steinberg::IPtr<Steinberg::Vst::IComponent> component;
    Steinberg::IPtr<Steinberg::Vst::IAudioProcessor> processor;
    Steinberg::IPtr<Steinberg::Vst::IEditController> controller;
};

} // namespace korvalest::plugins::testhost
