#include "plugin_factory.h"

#include <cstring>

namespace korvalest::plugins {

using namespace Steinberg;

CPluginFactory::CPluginFactory(const PFactoryInfo& info) : factoryInfo(info) {}

CPluginFactory::~CPluginFactory()
{
    if (hostContext)
        hostContext->release();
}

bool CPluginFactory::registerClass(const PClassInfo2& info, CreateFunction create, void* context)
{
    if (create == nullptr)
        return false;
    classes.push_back({info, create, context});
    return true;
}

tresult PLUGIN_API CPluginFactory::queryInterface(const TUID iid, void** obj)
{
    if (obj == nullptr)
        return kInvalidArgument;
    if (FUnknownPrivate::iidEqual(iid, IPluginFactory::iid) || FUnknownPrivate::iidEqual(iid, IPluginFactory2::iid)
        || FUnknownPrivate::iidEqual(iid, IPluginFactory3::iid) || FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
        addRef();
        *obj = static_cast<IPluginFactory3*>(this);
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}

uint32 PLUGIN_API CPluginFactory::addRef()
{
    return ++refCount;
}

uint32 PLUGIN_API CPluginFactory::release()
{
    const uint32 left = --refCount;
    if (left == 0) {
        if (destroyedHook)
            destroyedHook(this);
        delete this;
    }
    return left;
}

tresult PLUGIN_API CPluginFactory::getFactoryInfo(PFactoryInfo* info)
{
    if (info == nullptr)
        return kInvalidArgument;
    std::memcpy(info, &factoryInfo, sizeof(PFactoryInfo));
    return kResultOk;
}

int32 PLUGIN_API CPluginFactory::countClasses()
{
    return static_cast<int32>(classes.size());
}

const CPluginFactory::ClassEntry* CPluginFactory::entryAt(int32 index) const
{
    if (index < 0 || index >= static_cast<int32>(classes.size()))
        return nullptr;
    return &classes[static_cast<size_t>(index)];
}

tresult PLUGIN_API CPluginFactory::getClassInfo(int32 index, PClassInfo* info)
{
    const ClassEntry* entry = entryAt(index);
    if (entry == nullptr || info == nullptr)
        return kInvalidArgument;
    *info = PClassInfo{};
    std::memcpy(info->cid, entry->info.cid, sizeof(TUID));
    info->cardinality = entry->info.cardinality;
    std::memcpy(info->category, entry->info.category, sizeof(info->category));
    std::memcpy(info->name, entry->info.name, sizeof(info->name));
    return kResultOk;
}

tresult PLUGIN_API CPluginFactory::getClassInfo2(int32 index, PClassInfo2* info)
{
    const ClassEntry* entry = entryAt(index);
    if (entry == nullptr || info == nullptr)
        return kInvalidArgument;
    std::memcpy(info, &entry->info, sizeof(PClassInfo2));
    return kResultOk;
}

namespace {
// ASCII texts widened for the Unicode class record; zero-filled behind the text.
template <size_t N>
void widen(char16 (&to)[N], const char8* from, size_t fromSize)
{
    std::memset(to, 0, sizeof(to));
    for (size_t i = 0; i + 1 < N && i < fromSize && from[i] != 0; ++i)
        to[i] = static_cast<char16>(static_cast<unsigned char>(from[i]));
}
} // namespace

tresult PLUGIN_API CPluginFactory::getClassInfoUnicode(int32 index, PClassInfoW* info)
{
    const ClassEntry* entry = entryAt(index);
    if (entry == nullptr || info == nullptr)
        return kInvalidArgument;
    const PClassInfo2& from = entry->info;
    *info = PClassInfoW{};
    std::memcpy(info->cid, from.cid, sizeof(TUID));
    info->cardinality = from.cardinality;
    std::memcpy(info->category, from.category, sizeof(info->category));
    widen(info->name, from.name, sizeof(from.name));
    info->classFlags = from.classFlags;
    std::memcpy(info->subCategories, from.subCategories, sizeof(info->subCategories));
    widen(info->vendor, from.vendor, sizeof(from.vendor));
    widen(info->version, from.version, sizeof(from.version));
    widen(info->sdkVersion, from.sdkVersion, sizeof(from.sdkVersion));
    return kResultOk;
}

tresult PLUGIN_API CPluginFactory::createInstance(FIDString cid, FIDString iid, void** obj)
{
    if (obj == nullptr)
        return kInvalidArgument;
    *obj = nullptr;
    if (cid == nullptr || iid == nullptr)
        return kInvalidArgument;
    for (const ClassEntry& entry : classes) {
        if (std::memcmp(entry.info.cid, cid, sizeof(TUID)) != 0)
            continue;
        FUnknown* instance = entry.create(entry.context);
        if (instance == nullptr)
            return kNoInterface;
        const tresult result = instance->queryInterface(iid, obj);
        // The creation reference goes; the host keeps the one the query added.
        instance->release();
        if (result != kResultOk) {
            *obj = nullptr;
            return kNoInterface;
        }
        return kResultOk;
    }
    return kNoInterface;
}

tresult PLUGIN_API CPluginFactory::setHostContext(FUnknown* context)
{
    if (context)
        context->addRef();
    if (hostContext)
        hostContext->release();
    hostContext = context;
    return kResultOk;
}

} // namespace korvalest::plugins
