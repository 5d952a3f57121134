#include "module_loader.h"

#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace korvalest::plugins::testhost {

namespace fs = std::filesystem;
using GetFactoryFunction = Steinberg::IPluginFactory*(PLUGIN_API*)();
using EntryFunction = bool (*)(void*);
using PlainEntryFunction = bool (*)();
using ExitFunction = bool (*)();

#if defined(_WIN32)
static constexpr const char* kArchFolder = "x86_64-win";
static constexpr const char* kBinarySuffix = ".vst3";
#else
static constexpr const char* kArchFolder = "x86_64-linux";
static constexpr const char* kBinarySuffix = ".so";
#endif

fs::path LoadedModule::binaryInBundle(const fs::path& bundle)
{
    return bundle / "Contents" / kArchFolder / (bundle.stem().string() + kBinarySuffix);
}

namespace {

std::string lastLoadError()
{
#if defined(_WIN32)
    return std::system_category().message(static_cast<int>(GetLastError()));
#else
    const char* text = dlerror();
    return text ? text : "unknown error";
#endif
}

} // namespace

std::unique_ptr<LoadedModule> LoadedModule::load(const fs::path& bundle)
{
    std::error_code ec;
    if (!fs::exists(bundle, ec))
        throw LoadError("no such file or folder: " + bundle.string());
    fs::path binary = bundle;
    if (fs::is_directory(bundle, ec)) {
        binary = binaryInBundle(bundle);
        if (!fs::is_regular_file(binary, ec))
            throw LoadError("not a VST 3 bundle: " + bundle.string() + " has no " + binary.string());
    }

    std::unique_ptr<LoadedModule> module(new LoadedModule());
    module->binary = binary;
#if defined(_WIN32)
    module->handle = LoadLibraryW(binary.wstring().c_str());
#else
    module->handle = dlopen(binary.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
    if (module->handle == nullptr)
        throw LoadError("cannot load " + binary.string() + ": " + lastLoadError());

#if defined(_WIN32)
    if (auto init = reinterpret_cast<PlainEntryFunction>(module->symbol("InitDll")); init && !init())
        throw LoadError("InitDll failed in " + binary.string());
#else
    if (auto entry = reinterpret_cast<EntryFunction>(module->symbol("ModuleEntry")); entry && !entry(module->handle))
        throw LoadError("ModuleEntry failed in " + binary.string());
#endif
    if (module->symbol("GetPluginFactory") == nullptr)
        throw LoadError("not a VST 3 module: " + binary.string() + " exports no GetPluginFactory");
    module->factoryPtr = module->getPluginFactory();
    if (module->factoryPtr == nullptr)
        throw LoadError("GetPluginFactory returned no factory in " + binary.string());
    return module;
}

Steinberg::IPluginFactory* LoadedModule::getPluginFactory() const
{
    auto get = reinterpret_cast<GetFactoryFunction>(symbol("GetPluginFactory"));
    return get ? get() : nullptr;
}

void* LoadedModule::symbol(const char* name) const
{
    if (handle == nullptr)
        return nullptr;
#if defined(_WIN32)
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
#else
    return dlsym(handle, name);
#endif
}

LoadedModule::~LoadedModule()
{
    if (factoryPtr)
        factoryPtr->release();
    if (handle == nullptr)
        return;
#if defined(_WIN32)
    if (auto exit = reinterpret_cast<ExitFunction>(symbol("ExitDll")))
        exit();
    FreeLibrary(static_cast<HMODULE>(handle));
#else
    if (auto exit = reinterpret_cast<ExitFunction>(symbol("ModuleExit")))
        exit();
    dlclose(handle);
#endif
}

} // namespace korvalest::plugins::testhost
