// The module's entry points. KORVALEST_MODULE_KIND, set by the build for each
// module, is the one kind it registers.

#include "class_registration.h"

#ifndef KORVALEST_MODULE_KIND
#error "KORVALEST_MODULE_KIND must name the kind this module registers"
#endif

using namespace korvalest::plugins;

namespace {
constexpr ModuleKind kModuleKind = static_cast<ModuleKind>(KORVALEST_MODULE_KIND);

Steinberg::FUnknown* createInstance(void* /*context*/)
{
    return createUtilityPlugin(kModuleKind);
}
} // namespace

extern "C" {

SMTG_EXPORT_SYMBOL Steinberg::IPluginFactory* PLUGIN_API GetPluginFactory()
{
    return modulePluginFactory(kModuleKind, &createInstance);
}

#if defined(_WIN32)
SMTG_EXPORT_SYMBOL bool InitDll()
{
    return true;
}

SMTG_EXPORT_SYMBOL bool ExitDll()
{
    return true;
}
#else
SMTG_EXPORT_SYMBOL bool ModuleEntry(void* /*sharedLibraryHandle*/)
{
    return true;
}

SMTG_EXPORT_SYMBOL bool ModuleExit()
{
    return true;
}
#endif

} // extern "C"
