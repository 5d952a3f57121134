#pragma once
// The class factory a module hands to its host: factory information, the
// registered classes and their creation functions.

#include <atomic>
#include <vector>

#include "pluginterfaces/base/ipluginbase.h"

namespace korvalest::plugins {

using CreateFunction = Steinberg::FUnknown* (*)(void* context);

class CPluginFactory : public Steinberg::IPluginFactory3 {
public:
    explicit CPluginFactory(const Steinberg::PFactoryInfo& info);
    virtual ~CPluginFactory();

    // Called when the last reference goes, before the object is deleted; a
    // module uses it to forget its singleton pointer.
    using DestroyedHook = void (*)(CPluginFactory*);
    void setDestroyedHook(DestroyedHook hook) { destroyedHook = hook; }

    bool registerClass(const Steinberg::PClassInfo2& info, CreateFunction create, void* context = nullptr);

    // FUnknown
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override;
    Steinberg::uint32 PLUGIN_API release() override;

    // IPluginFactory
    Steinberg::tresult PLUGIN_API getFactoryInfo(Steinberg::PFactoryInfo* info) override;
    Steinberg::int32 PLUGIN_API countClasses() override;
    Steinberg::tresult PLUGIN_API getClassInfo(Steinberg::int32 index, Steinberg::PClassInfo* info) override;
    Steinberg::tresult PLUGIN_API createInstance(Steinberg::FIDString cid, Steinberg::FIDString iid,
                                                 void** obj) override;
    // IPluginFactory2
    Steinberg::tresult PLUGIN_API getClassInfo2(Steinberg::int32 index, Steinberg::PClassInfo2* info) override;
    // IPluginFactory3
    Steinberg::tresult PLUGIN_API getClassInfoUnicode(Steinberg::int32 index,
                                                      Steinberg::PClassInfoW* info) override;
    Steinberg::tresult PLUGIN_API setHostContext(Steinberg::FUnknown* context) override;

private:
    struct ClassEntry {
        Steinberg::PClassInfo2 info;
        CreateFunction create;
        void* context;
    };
    const ClassEntry* entryAt(Steinberg::int32 index) const;

    std::atomic<Steinberg::uint32> refCount{1};
    Steinberg::PFactoryInfo factoryInfo;
    std::vector<ClassEntry> classes;
    Steinberg::FUnknown* hostContext = nullptr;
    DestroyedHook destroyedHook = nullptr;
};

} // namespace korvalest::plugins
