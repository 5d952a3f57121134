// The plug-in object's controller side, driven directly: edit gestures and the
// component state hand-off.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

#include <unistd.h>

#include "component_handler.h"
#include "utility_plugin.h"

using namespace Steinberg;
using namespace korvalest::plugins;
using testhost::EditRecord;

namespace {

struct PluginRef {
    explicit PluginRef(ModuleKind kind) : plugin(new UtilityPlugin(kind)) { plugin->initialize(nullptr); }
    ~PluginRef()
    {
        plugin->terminate();
        plugin->release();
    }
    UtilityPlugin* operator->() { return plugin; }
    UtilityPlugin* plugin;
};

} // namespace

TEST(EditParameter, IsOneCompleteGestureWithTheStoredValue)
{
    PluginRef plugin(ModuleKind::FaderBank);
    testhost::RecordingComponentHandler handler;
    plugin->setComponentHandler(&handler);

    plugin->editParameter(105, 0.25);
    plugin->editParameter(205, 1.0);
    plugin->editParameter(105, 7.0); // clamped in the store, passed on as given
    const std::vector<EditRecord> expected{
        {EditRecord::Kind::Begin, 105, 0.0}, {EditRecord::Kind::Perform, 105, 0.25}, {EditRecord::Kind::End, 105, 0.0},
        {EditRecord::Kind::Begin, 205, 0.0}, {EditRecord::Kind::Perform, 205, 1.0},  {EditRecord::Kind::End, 205, 0.0},
        {EditRecord::Kind::Begin, 105, 0.0}, {EditRecord::Kind::Perform, 105, 7.0},  {EditRecord::Kind::End, 105, 0.0},
    };
    EXPECT_EQ(handler.edits, expected);
    EXPECT_EQ(plugin->getParamNormalized(105), 1.0);
    EXPECT_EQ(plugin->getParamNormalized(205), 1.0);
    // The parameter object follows too.
    EXPECT_EQ(plugin->getParameterObject(105)->getNormalized(), 1.0);
    plugin->setComponentHandler(nullptr);
}

TEST(EditParameter, WithoutAHandlerStillStores)
{
    PluginRef plugin(ModuleKind::Input);
    plugin->editParameter(1, 0.5);
    EXPECT_EQ(plugin->getParamNormalized(1), 0.5);
    EXPECT_EQ(plugin->getParameterObject(1)->getNormalized(), 0.5);
}

TEST(PluginObject, StoreIgnoresSlotsBeyondTheStoreAndNonFiniteValues)
{
    PluginRef plugin(ModuleKind::Recorder);
    plugin->storeParamValue(512, 0.5);
    plugin->storeParamValue(401, std::nan(""));
    EXPECT_DOUBLE_EQ(plugin->getParamNormalized(401), 1.0 / 120.0);
    plugin->storeParamValue(401, 2.0);
    EXPECT_EQ(plugin->getParamNormalized(401), 1.0);
}

TEST(PluginObject, UnknownKindNumbersAreNamedFaderBank)
{
    EXPECT_STREQ(displayName(static_cast<ModuleKind>(0)), "KORVALEST FADER BANK");
    EXPECT_STREQ(displayName(static_cast<ModuleKind>(9)), "KORVALEST FADER BANK");
    EXPECT_STREQ(displayName(ModuleKind::Distributor), "KORVALEST DISTRIBUTOR");
}

TEST(PluginObject, DestructionFinalizesAPreparedRecording)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("korvalest-destroy-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path file = dir / "take.wav";
    {
        auto* plugin = new UtilityPlugin(ModuleKind::Recorder);
        plugin->recorder.prepareDestination(file.wstring(), 2, 48000);
        ASSERT_TRUE(plugin->recorder.ready.load());
        plugin->release(); // stops and joins the writer, which finalizes the file
    }
    std::ifstream in(file, std::ios::binary);
    std::vector<unsigned char> header((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(header.size(), 44u);
    auto le32 = [&](size_t at) {
        return uint32_t(header[at]) | uint32_t(header[at + 1]) << 8 | uint32_t(header[at + 2]) << 16
            | uint32_t(header[at + 3]) << 24;
    };
    EXPECT_EQ(le32(4), 36u); // RIFF size
    EXPECT_EQ(le32(40), 0u); // data size
    fs::remove_all(dir);
}
