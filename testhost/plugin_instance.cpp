#include "plugin_instance.h"

#include <stdexcept>

#include "public.sdk/source/vst/hosting/hostclasses.h"

namespace korvalest::plugins::testhost {

using namespace Steinberg;

FUnknown* hostContext()
{
    static Vst::HostApplication application;
    return static_cast<Vst::IHostApplication*>(&application);
}

PluginInstance::PluginInstance(IPluginFactory* factory, int32 classIndex)
{
    PClassInfo info{};
    if (factory == nullptr || factory->getClassInfo(classIndex, &info) != kResultOk)
        throw std::runtime_error("no class at that index");
    void* obj = nullptr;
    if (factory->createInstance(info.cid, Vst::IComponent::iid, &obj) != kResultOk || obj == nullptr)
        throw std::runtime_error("createInstance failed");
    component = owned(static_cast<Vst::IComponent*>(obj));
    processor = FUnknownPtr<Vst::IAudioProcessor>(component);
    controller = FUnknownPtr<Vst::IEditController>(component);
    if (!processor || !controller)
        throw std::runtime_error("the instance is not a single-component effect");
}

PluginInstance::~PluginInstance() = default;

} // namespace korvalest::plugins::testhost
