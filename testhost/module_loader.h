#pragma once
// Loads a VST 3 bundle the way a host does: finds the binary inside the bundle
// folder, opens it, calls the platform's entry point and takes the factory.

#include <filesystem>
#include <memory>
#include <stdexcept>

#include "pluginterfaces/base/ipluginbase.h"

namespace korvalest::plugins::testhost {

struct LoadError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class LoadedModule {
public:
    // Throws LoadError with a one-line reason.
    static std::unique_ptr<LoadedModule> load(const std::filesystem::path& bundle);
    ~LoadedModule();

    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    // The factory reference taken at load; released before the module is closed.
    Steinberg::IPluginFactory* factory() const { return factoryPtr; }
    // A fresh GetPluginFactory call (the caller owns the reference).
    Steinberg::IPluginFactory* getPluginFactory() const;
    // Takes over a reference the caller holds as the one released at unload
    // (after the caller released the one taken at load).
    void adoptFactory(Steinberg::IPluginFactory* factory) { factoryPtr = factory; }
    // An exported symbol, or null.
    void* symbol(const char* name) const;
    const std::filesystem::path& binaryPath() const { return binary; }

    // The binary inside a bundle folder for this platform.
    static std::filesystem::path binaryInBundle(const std::filesystem::path& bundle);

private:
    LoadedModule() = default;
    void* handle = nullptr;
    std::filesystem::path binary;
    Steinberg::IPluginFactory* factoryPtr = nullptr;
};

} // namespace korvalest::plugins::testhost
