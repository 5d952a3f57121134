#include "class_registration.h"

#include "plugin_factory.h"
#include "utility_plugin.h"

namespace korvalest::plugins {

using namespace Steinberg;

FUID classIdOf(ModuleKind kind)
{
    return FUID(0x4B524143, 0x4B555449, 0x4C495459, 0x00100000u | static_cast<uint32>(kind));
}

PClassInfo2 classInfoOf(ModuleKind kind)
{
    TUID cid;
    classIdOf(kind).toTUID(cid);
    return PClassInfo2(cid, PClassInfo::kManyInstances, "Audio Module Class", displayName(kind), 0,
                       "Fx|Generator|Tools", "", "0.1.0-beta.1", "VST 3.8.1");
}

PFactoryInfo factoryInfo()
{
    return PFactoryInfo("KORVALEST", "https://korvalest.example", "mailto:support@korvalest.example",
                        PFactoryInfo::kUnicode);
}

FUnknown* createUtilityPlugin(ModuleKind kind) noexcept
{
    try {
        auto* plugin = new UtilityPlugin(kind);
        return static_cast<Vst::IComponent*>(plugin);
    } catch (...) {
        // A C++ exception must not cross into the host.
        return nullptr;
    }
}

namespace {
CPluginFactory* gFactory = nullptr;

void forgetFactory(CPluginFactory* factory)
{
    if (gFactory == factory)
        gFactory = nullptr;
}
} // namespace

IPluginFactory* modulePluginFactory(ModuleKind kind, FUnknown* (*create)(void*)) noexcept
{
    try {
        if (gFactory) {
            gFactory->addRef();
            return gFactory;
        }
        auto* factory = new CPluginFactory(factoryInfo());
        factory->setDestroyedHook(&forgetFactory);
        static const PClassInfo2 classInfo = classInfoOf(kind);
        factory->registerClass(classInfo, create, nullptr);
        gFactory = factory;
        return factory;
    } catch (...) {
        return nullptr;
    }
}

} // namespace korvalest::plugins
