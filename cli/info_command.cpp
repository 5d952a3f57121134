#include "info_command.h"

#include <cstdio>
#include <ostream>
#include <stdexcept>
#include <string>

#include "module_loader.h"
#include "plugin_instance.h"
#include "text.h"

namespace korvalest::plugins::cli {

using namespace Steinberg;
using testhost::toUtf8;

namespace {

std::string hexBytes(const TUID id)
{
    std::string out;
    char byte[4];
    for (int i = 0; i < 16; ++i) {
        std::snprintf(byte, sizeof(byte), i ? " %02X" : "%02X", static_cast<unsigned char>(id[i]));
        out += byte;
    }
    return out;
}

const char* busTypeName(Vst::BusType type)
{
    return type == Vst::kMain ? "main" : "aux";
}

void printBuses(Vst::IComponent& component, Vst::MediaType media, Vst::BusDirection dir, const char* label,
                std::ostream& out)
{
    const int32 count = component.getBusCount(media, dir);
    for (int32 i = 0; i < count; ++i) {
        Vst::BusInfo info{};
        if (component.getBusInfo(media, dir, i, info) != kResultOk)
            continue;
        out << "  " << label << ' ' << i << ": \"" << toUtf8(info.name) << "\", " << info.channelCount
            << (info.channelCount == 1 ? " channel, " : " channels, ") << busTypeName(info.busType)
            << ((info.flags & Vst::BusInfo::kDefaultActive) ? ", default active" : "") << '\n';
    }
}

} // namespace

void printModuleInfo(const std::filesystem::path& bundle, std::ostream& out)
{
    auto module = testhost::LoadedModule::load(bundle);
    IPluginFactory* factory = module->factory();

    PFactoryInfo fi{};
    factory->getFactoryInfo(&fi);
    out << "Factory\n"
        << "  vendor: " << fi.vendor << "\n  url: " << fi.url << "\n  email: " << fi.email
        << "\n  flags: " << fi.flags << '\n';

    FUnknownPtr<IPluginFactory2> factory2(factory);
    const int32 classes = factory->countClasses();
    for (int32 c = 0; c < classes; ++c) {
        PClassInfo2 ci{};
        if (!factory2 || factory2->getClassInfo2(c, &ci) != kResultOk)
            throw std::runtime_error("the factory gives no class record for index " + std::to_string(c));
        out << "Class " << c << "\n  id: " << hexBytes(ci.cid) << "\n  name: " << ci.name
            << "\n  category: " << ci.category << "\n  sub-categories: " << ci.subCategories
            << "\n  version: " << ci.version << "\n  sdk version: " << ci.sdkVersion
            << "\n  cardinality: " << ci.cardinality << "\n  class flags: " << ci.classFlags << '\n';

        testhost::PluginInstance instance(factory, c);
        if (instance.initialize() != kResultOk)
            throw std::runtime_error("initialize failed");
        const int32 params = instance.controller->getParameterCount();
        out << "Parameters (" << params << ")\n";
        for (int32 i = 0; i < params; ++i) {
            Vst::ParameterInfo pi{};
            instance.controller->getParameterInfo(i, pi);
            out << "  " << pi.id << ": \"" << toUtf8(pi.title) << "\", units \"" << toUtf8(pi.units)
                << "\", steps " << pi.stepCount << ", default " << pi.defaultNormalizedValue << '\n';
        }
        out << "Buses\n";
        printBuses(*instance.component, Vst::kAudio, Vst::kInput, "audio input", out);
        printBuses(*instance.component, Vst::kAudio, Vst::kOutput, "audio output", out);
        printBuses(*instance.component, Vst::kEvent, Vst::kInput, "event input", out);
        printBuses(*instance.component, Vst::kEvent, Vst::kOutput, "event output", out);
        instance.terminate();
    }
}

} // namespace korvalest::plugins::cli
