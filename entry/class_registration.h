#pragma once
// What one module registers: its kind, the class name and the class ID belong together.

#include "pluginterfaces/base/funknown.h"
#include "pluginterfaces/base/ipluginbase.h"
#include "module_kind.h"

namespace korvalest::plugins {

// The class ID of a kind: three words of ASCII capitals, the fourth ending in the kind number.
Steinberg::FUID classIdOf(ModuleKind kind);

// The class record of a kind, built from its display name and class ID.
Steinberg::PClassInfo2 classInfoOf(ModuleKind kind);

// Factory information shared by every module.
Steinberg::PFactoryInfo factoryInfo();

// Creation function: a new UtilityPlugin of the kind (given as context-free
// build constant) as its IComponent. Never lets an exception reach the host.
Steinberg::FUnknown* createUtilityPlugin(ModuleKind kind) noexcept;

// The module's factory singleton: built on first use, rebuilt after the host
// released it. The class record is built once per module load.
Steinberg::IPluginFactory* modulePluginFactory(ModuleKind kind, Steinberg::FUnknown* (*create)(void*)) noexcept;

} // namespace korvalest::plugins
