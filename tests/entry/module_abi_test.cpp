// The built modules as a host sees them: entry points, factory, class record,
// class ID bytes, instance creation and the parameters of every kind.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "pluginterfaces/vst/ivstmessage.h"
#include "pluginterfaces/vst/ivstunits.h"

#include "bundles.h"
#include "component_handler.h"
#include "module_loader.h"
#include "plugin_instance.h"
#include "text.h"

using namespace Steinberg;
using namespace korvalest::plugins;
using namespace korvalest::plugins::tests;
using testhost::LoadedModule;
using testhost::PluginInstance;

namespace {

std::vector<uint8_t> expectedClassId(int32_t kind)
{
#if defined(_WIN32)
    // GUID byte order.
    return {0x43, 0x41, 0x52, 0x4B, 0x55, 0x4B, 0x49, 0x54, 0x4C, 0x49, 0x54, 0x59, 0x00, 0x10, 0x00,
            static_cast<uint8_t>(kind)};
#else
    // Each word most significant byte first.
    return {0x4B, 0x52, 0x41, 0x43, 0x4B, 0x55, 0x54, 0x49, 0x4C, 0x49, 0x54, 0x59, 0x00, 0x10, 0x00,
            static_cast<uint8_t>(kind)};
#endif
}

std::vector<uint8_t> bytesOf(const TUID id)
{
    return {reinterpret_cast<const uint8_t*>(id), reinterpret_cast<const uint8_t*>(id) + 16};
}

class EveryModule : public ::testing::TestWithParam<ModuleExpectation> {
protected:
    void SetUp() override { module = LoadedModule::load(bundlePath(GetParam().moduleName)); }
    std::unique_ptr<LoadedModule> module;
};

std::string moduleName(const ::testing::TestParamInfo<ModuleExpectation>& info)
{
    return info.param.moduleName;
}

} // namespace

TEST_P(EveryModule, ExportsEntryPointsThatAlwaysSucceed)
{
#if defined(_WIN32)
    const char* names[] = {"InitDll", "ExitDll"};
    for (const char* name : names) {
        auto entry = reinterpret_cast<bool (*)()>(module->symbol(name));
        ASSERT_NE(entry, nullptr) << name;
        for (int i = 0; i < 3; ++i)
            EXPECT_TRUE(entry()) << name;
    }
#else
    auto entry = reinterpret_cast<bool (*)(void*)>(module->symbol("ModuleEntry"));
    auto exit = reinterpret_cast<bool (*)()>(module->symbol("ModuleExit"));
    ASSERT_NE(entry, nullptr);
    ASSERT_NE(exit, nullptr);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(entry(nullptr));
        EXPECT_TRUE(exit());
    }
#endif
}

TEST_P(EveryModule, FactoryInformationAndClassRecord)
{
    IPluginFactory* factory = module->factory();
    PFactoryInfo info{};
    ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);
    EXPECT_STREQ(info.vendor, "KORVALEST");
    EXPECT_EQ(info.flags, PFactoryInfo::kUnicode);
    ASSERT_EQ(factory->countClasses(), 1);

    FUnknownPtr<IPluginFactory2> factory2(factory);
    ASSERT_TRUE(factory2);
    PClassInfo2 ci{};
    ASSERT_EQ(factory2->getClassInfo2(0, &ci), kResultOk);
    EXPECT_EQ(bytesOf(ci.cid), expectedClassId(GetParam().kind));
    EXPECT_EQ(ci.cardinality, 0x7FFFFFFF);
    EXPECT_STREQ(ci.category, "Audio Module Class");
    EXPECT_STREQ(ci.name, GetParam().className);
    EXPECT_EQ(ci.classFlags, 0u);
    EXPECT_STREQ(ci.subCategories, "Fx|Generator|Tools");
    EXPECT_STREQ(ci.vendor, "");
    EXPECT_STREQ(ci.version, "0.1.0-beta.1");
    EXPECT_STREQ(ci.sdkVersion, "VST 3.8.1");
    // Zero-filled behind the text.
    EXPECT_EQ(ci.name[sizeof(ci.name) - 1], 0);

    PClassInfo plain{};
    ASSERT_EQ(factory->getClassInfo(0, &plain), kResultOk);
    EXPECT_EQ(bytesOf(plain.cid), expectedClassId(GetParam().kind));
    EXPECT_STREQ(plain.name, GetParam().className);

    FUnknownPtr<IPluginFactory3> factory3(factory);
    ASSERT_TRUE(factory3);
    PClassInfoW wide{};
    ASSERT_EQ(factory3->getClassInfoUnicode(0, &wide), kResultOk);
    EXPECT_EQ(bytesOf(wide.cid), expectedClassId(GetParam().kind));
    EXPECT_EQ(testhost::toUtf8(wide.name), GetParam().className);
    EXPECT_EQ(testhost::toUtf8(wide.version), "0.1.0-beta.1");
    EXPECT_EQ(factory3->setHostContext(testhost::hostContext()), kResultOk);
}

TEST_P(EveryModule, FactoryRefusesBadQueries)
{
    IPluginFactory* factory = module->factory();
    FUnknownPtr<IPluginFactory3> factory3(factory);
    PClassInfo plain{};
    PClassInfo2 info2{};
    PClassInfoW wide{};
    for (int32 index : {-1, 1, 100}) {
        EXPECT_EQ(factory->getClassInfo(index, &plain), kInvalidArgument);
        EXPECT_EQ(factory3->getClassInfo2(index, &info2), kInvalidArgument);
        EXPECT_EQ(factory3->getClassInfoUnicode(index, &wide), kInvalidArgument);
    }
    EXPECT_EQ(factory->getClassInfo(0, nullptr), kInvalidArgument);
    EXPECT_EQ(factory3->getClassInfo2(0, nullptr), kInvalidArgument);
    EXPECT_EQ(factory3->getClassInfoUnicode(0, nullptr), kInvalidArgument);

    TUID unknown = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    void* obj = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(factory->createInstance(unknown, Vst::IComponent::iid, &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);

    // A known class asked for an interface it does not have.
    ASSERT_EQ(factory->getClassInfo(0, &plain), kResultOk);
    obj = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(factory->createInstance(plain.cid, IPluginFactory::iid, &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);
}

TEST_P(EveryModule, CreatesOneObjectForEveryInterface)
{
    IPluginFactory* factory = module->factory();
    PClassInfo ci{};
    ASSERT_EQ(factory->getClassInfo(0, &ci), kResultOk);
    const FUID* interfaces[] = {&Vst::IComponent::iid, &Vst::IAudioProcessor::iid, &Vst::IEditController::iid,
                                &Vst::IEditController2::iid, &Vst::IUnitInfo::iid, &Vst::IConnectionPoint::iid,
                                &IPluginBase::iid, &Vst::IProcessContextRequirements::iid, &FUnknown::iid};
    for (const FUID* iid : interfaces) {
        void* obj = nullptr;
        ASSERT_EQ(factory->createInstance(ci.cid, iid->toTUID(), &obj), kResultOk);
        ASSERT_NE(obj, nullptr);
        auto* unknown = static_cast<FUnknown*>(obj);
        // Whatever it was made through, it is one object offering all the others.
        FUnknownPtr<Vst::IComponent> component(unknown);
        FUnknownPtr<Vst::IAudioProcessor> processor(unknown);
        FUnknownPtr<Vst::IEditController> controller(unknown);
        EXPECT_TRUE(component && processor && controller);
        FUnknownPtr<Vst::IProcessContextRequirements> requirements(unknown);
        ASSERT_TRUE(requirements);
        EXPECT_EQ(requirements->getProcessContextRequirements(), 0x402u);
        unknown->release();
    }
}

TEST_P(EveryModule, FactoryIsASingletonRebuiltAfterRelease)
{
    // The module holds one reference (taken at load); two more calls give the same factory.
    IPluginFactory* a = module->getPluginFactory();
    IPluginFactory* b = module->getPluginFactory();
    EXPECT_EQ(a, module->factory());
    EXPECT_EQ(b, module->factory());
    EXPECT_EQ(a->release(), 2u);
    EXPECT_EQ(b->release(), 1u);

    // After the last reference goes, a fresh factory with the same single class.
    IPluginFactory* first = module->getPluginFactory();
    first->release();
    // The module's own reference is the last one: drop it and ask again.
    auto* loaded = module->factory();
    EXPECT_EQ(loaded->release(), 0u);
    IPluginFactory* rebuilt = module->getPluginFactory();
    ASSERT_NE(rebuilt, nullptr);
    EXPECT_EQ(rebuilt->countClasses(), 1);
    PClassInfo ci{};
    ASSERT_EQ(rebuilt->getClassInfo(0, &ci), kResultOk);
    EXPECT_EQ(bytesOf(ci.cid), expectedClassId(GetParam().kind));
    EXPECT_EQ(rebuilt->addRef(), 2u);
    rebuilt->release();
    // Hand the rebuilt factory back to the module so it releases it at unload.
    module->adoptFactory(rebuilt);
}

INSTANTIATE_TEST_SUITE_P(Modules, EveryModule, ::testing::ValuesIn(kModules), moduleName);

// --- Parameters of every kind -------------------------------------------------

namespace {

struct ParamExpectation {
    uint32_t id;
    const char* title;
    const char* units;
    int32 stepCount;
    double defaultNormalized;
};

const ParamExpectation kActive{0, "Active strips / branches", "", 63, 1.0 / 9.0};
const ParamExpectation kGain{1, "Gain", "dB", 0, 15.0 / 17.0};
const ParamExpectation kFollow{2, "Follow DAW transport", "", 1, 1.0};
const ParamExpectation kPlay{3, "Play / Record", "", 1, 0.0};
const ParamExpectation kTailSilence{400, "Tail silence time", "s", 0, 0.05};
const ParamExpectation kMaxTail{401, "Maximum tail", "s", 0, 1.0 / 120.0};

std::vector<ParamExpectation> expectedParameters(int32_t kind)
{
    switch (kind) {
    case 1:
    case 2: return {kGain};
    case 3:
    case 4:
    case 8: return {kActive, kGain};
    case 5: return {kFollow, kPlay};
    case 6: return {kFollow, kPlay, kTailSilence, kMaxTail};
    default: break;
    }
    std::vector<ParamExpectation> bank{kActive};
    static std::vector<std::string> titles; // keeps the c_str()s alive
    titles.reserve(128);
    for (uint32_t i = 0; i < 64; ++i) {
        titles.push_back("Fader " + std::to_string(i + 1) + " gain");
        bank.push_back({100 + i, titles.back().c_str(), "dB", 0, 15.0 / 17.0});
        titles.push_back("Fader " + std::to_string(i + 1) + " mute");
        bank.push_back({200 + i, titles.back().c_str(), "", 1, 0.0});
    }
    return bank;
}

class Instance : public EveryModule {
protected:
    void SetUp() override
    {
        EveryModule::SetUp();
        instance = std::make_unique<PluginInstance>(module->factory());
        ASSERT_EQ(instance->initialize(), kResultOk);
    }
    void TearDown() override
    {
        if (instance)
            instance->terminate();
        instance.reset();
    }
    Vst::IEditController& controller() { return *instance->controller; }
    bool registers(uint32_t id)
    {
        Vst::ParameterInfo info{};
        for (int32 i = 0; i < controller().getParameterCount(); ++i)
            if (controller().getParameterInfo(i, info) == kResultOk && info.id == id)
                return true;
        return false;
    }
    std::unique_ptr<PluginInstance> instance;
};

} // namespace

TEST_P(Instance, ListsItsKindsParametersInOrder)
{
    const std::vector<ParamExpectation> expected = expectedParameters(GetParam().kind);
    ASSERT_EQ(controller().getParameterCount(), static_cast<int32>(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        Vst::ParameterInfo info{};
        ASSERT_EQ(controller().getParameterInfo(static_cast<int32>(i), info), kResultOk);
        SCOPED_TRACE(expected[i].title);
        EXPECT_EQ(info.id, expected[i].id);
        EXPECT_EQ(testhost::toUtf8(info.title), expected[i].title);
        EXPECT_EQ(testhost::toUtf8(info.shortTitle), "");
        EXPECT_EQ(testhost::toUtf8(info.units), expected[i].units);
        EXPECT_EQ(info.stepCount, expected[i].stepCount);
        EXPECT_NEAR(info.defaultNormalizedValue, expected[i].defaultNormalized, 1e-12);
        EXPECT_EQ(info.flags, Vst::ParameterInfo::kCanAutomate);
        EXPECT_EQ(info.unitId, Vst::kRootUnitId);
    }
}

TEST_P(Instance, RangeParametersShowPlainValues)
{
    if (registers(1)) {
        EXPECT_NEAR(controller().normalizedParamToPlain(1, 15.0 / 17.0), 0.0, 1e-9);
        EXPECT_NEAR(controller().normalizedParamToPlain(1, 1.0), 12.0, 1e-9);
        EXPECT_NEAR(controller().normalizedParamToPlain(1, 0.0), -90.0, 1e-9);
    }
    if (registers(0)) {
        EXPECT_NEAR(controller().normalizedParamToPlain(0, 1.0 / 9.0), 8.0, 1e-9);
    }
    if (registers(401)) {
        EXPECT_NEAR(controller().normalizedParamToPlain(401, controller().getParamNormalized(401)), 30.0, 1e-9);
    }
    if (registers(400)) {
        EXPECT_NEAR(controller().normalizedParamToPlain(400, controller().getParamNormalized(400)), 0.5, 1e-9);
    }
}

TEST_P(Instance, StoreHoldsEveryDefaultWhateverTheKindRegisters)
{
    struct Slot {
        uint32_t id;
        double value;
    };
    const Slot slots[] = {{0, 1.0 / 9.0}, {1, 15.0 / 17.0}, {2, 1.0}, {3, 0.0}, {100, 15.0 / 17.0},
                          {163, 15.0 / 17.0}, {200, 0.0}, {263, 0.0}, {400, 0.05}, {401, 1.0 / 120.0},
                          {4, 0.0}, {511, 0.0}, {512, 0.0}, {0xFFFFFFFFu, 0.0}};
    for (const Slot& slot : slots)
        EXPECT_DOUBLE_EQ(controller().getParamNormalized(slot.id), slot.value) << slot.id;
}

TEST_P(Instance, SetParamNormalizedStoresClampedFiniteValues)
{
    const bool hasGain = registers(1);
    EXPECT_EQ(controller().setParamNormalized(1, 1.5), hasGain ? kResultOk : kResultFalse);
    EXPECT_EQ(controller().getParamNormalized(1), 1.0);
    controller().setParamNormalized(1, -0.25);
    EXPECT_EQ(controller().getParamNormalized(1), 0.0);
    controller().setParamNormalized(1, 0.375);
    EXPECT_EQ(controller().getParamNormalized(1), 0.375);

    controller().setParamNormalized(3, 1.0);
    for (double bad : {std::nan(""), std::numeric_limits<double>::infinity(),
                       -std::numeric_limits<double>::infinity()}) {
        controller().setParamNormalized(3, bad);
        EXPECT_EQ(controller().getParamNormalized(3), 1.0);
    }
    // No slot beyond 511; the call is refused by the parameter lookup.
    EXPECT_EQ(controller().setParamNormalized(600, 0.5), kResultFalse);
    EXPECT_EQ(controller().getParamNormalized(600), 0.0);
}

TEST_P(Instance, SecondInitializeIsRefusedAndTerminateAllowsAFreshOne)
{
    const int32 count = controller().getParameterCount();
    const int32 outputs = instance->component->getBusCount(Vst::kAudio, Vst::kOutput);
    EXPECT_NE(instance->initialize(), kResultOk);
    EXPECT_EQ(controller().getParameterCount(), count);
    EXPECT_EQ(instance->component->getBusCount(Vst::kAudio, Vst::kOutput), outputs);

    ASSERT_EQ(instance->terminate(), kResultOk);
    EXPECT_EQ(controller().getParameterCount(), 0);
    EXPECT_EQ(instance->component->getBusCount(Vst::kAudio, Vst::kOutput), 0);
    ASSERT_EQ(instance->initialize(), kResultOk);
    EXPECT_EQ(controller().getParameterCount(), count);
    EXPECT_EQ(instance->component->getBusCount(Vst::kAudio, Vst::kOutput), outputs);
}

TEST_P(Instance, KeepsTheDefaultsOfTheBaseClass)
{
    Vst::IComponent& component = *instance->component;
    TUID cid;
    EXPECT_EQ(component.getControllerClassId(cid), kNotImplemented);
    EXPECT_EQ(component.setIoMode(Vst::kSimple), kNotImplemented);
    Vst::RoutingInfo in{}, out{};
    EXPECT_EQ(component.getRoutingInfo(in, out), kNotImplemented);
    EXPECT_EQ(instance->processor->getLatencySamples(), 0u);
    EXPECT_EQ(instance->processor->getTailSamples(), 0u);
    FUnknownPtr<Vst::IEditController2> controller2(instance->component);
    ASSERT_TRUE(controller2);
    EXPECT_EQ(controller2->openHelp(false), kResultFalse);
    EXPECT_EQ(controller2->openAboutBox(false), kResultFalse);
    FUnknownPtr<Vst::IUnitInfo> units(instance->component);
    ASSERT_TRUE(units);
    EXPECT_EQ(units->getUnitCount(), 0);
}

TEST_P(Instance, CreateViewAnswersNullForAnyOtherName)
{
    EXPECT_EQ(controller().createView(nullptr), nullptr);
    EXPECT_EQ(controller().createView("Editor"), nullptr);
    EXPECT_EQ(controller().createView("view"), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Modules, Instance, ::testing::ValuesIn(kModules), moduleName);
