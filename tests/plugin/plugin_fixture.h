#pragma once
// A UtilityPlugin created directly, initialized, set up and processing, with
// every audio bus activated unless asked otherwise.

#include <cmath>
#include <cstring>

#include "plugin_instance.h"
#include "utility_plugin.h"

namespace korvalest::plugins::test {

namespace sv = Steinberg::Vst;

struct PluginUnderTest {
    explicit PluginUnderTest(ModuleKind kind) : plugin(new UtilityPlugin(kind))
    {
        plugin->initialize(testhost::hostContext());
    }
    ~PluginUnderTest()
    {
        plugin->setProcessing(false);
        plugin->terminate();
        plugin->release();
    }
    PluginUnderTest(const PluginUnderTest&) = delete;
    PluginUnderTest& operator=(const PluginUnderTest&) = delete;

    UtilityPlugin* operator->() const { return plugin; }

    Steinberg::tresult setup(double rate = 48000.0, Steinberg::int32 block = 512,
                             Steinberg::int32 sampleSize = sv::kSample32)
    {
        sv::ProcessSetup s{sv::kRealtime, sampleSize, block, rate};
        return plugin->setupProcessing(s);
    }

    void activateAll(bool state = true)
    {
        for (auto dir : {sv::kInput, sv::kOutput})
            for (Steinberg::int32 i = 0; i < plugin->getBusCount(sv::kAudio, dir); ++i)
                plugin->activateBus(sv::kAudio, dir, i, state);
    }

    // Set up, every audio bus active, processing on.
    void start(double rate = 48000.0, Steinberg::int32 block = 512, Steinberg::int32 sampleSize = sv::kSample32)
    {
        setup(rate, block, sampleSize);
        activateAll();
        plugin->setProcessing(true);
    }

    UtilityPlugin* plugin;
};

inline double gainOfNormalized(double x)
{
    return std::pow(10.0, (x * 102.0 - 90.0) / 20.0);
}

inline double normalizedOfDb(double db)
{
    return (db + 90.0) / 102.0;
}

inline bool sameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace korvalest::plugins::test
