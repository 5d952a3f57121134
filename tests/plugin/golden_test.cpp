// One block of every kind through its module, compared with the results kept
// in the repository (made on Linux). The same test runs the Windows modules
// under wine: mingw's libm may round pow and exp differently in the last bit,
// so samples may differ by at most 2 float steps.
//
// KORVALEST_REGENERATE_GOLDEN=1 rewrites the file from this platform's modules.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "module_loader.h"
#include "parameter_changes.h"
#include "plugin_instance.h"
#include "process_buffers.h"

namespace korvalest::plugins::test {
namespace {

using namespace Steinberg;
namespace sv = Steinberg::Vst;

constexpr int32 kFrames = 48;
constexpr int32 kRecordedBuses = 4;
constexpr uint32 kGain = 1;
constexpr uint32 kStripGain0 = 100;
constexpr uint32 kStripMute1 = 201;

const char* const kModules[] = {"KorvalestInput",  "KorvalestOutput", "KorvalestSumming",  "KorvalestBreakout",
                                "KorvalestPlayer", "KorvalestRecorder", "KorvalestFaderBank", "KorvalestDistributor"};

// Exact in binary, so every platform feeds the same samples.
double inputSample(int32 bus, int32 ch, int32 frame)
{
    return static_cast<double>((frame * 37 + ch * 11 + bus * 5) % 200 - 100) / 128.0;
}

// One line per recorded output channel: "<module> <bus> <channel> <samples...>".
std::vector<std::string> runModule(const std::string& name)
{
    auto module = testhost::LoadedModule::load(std::string(KORVALEST_BUNDLES) + "/" + name + ".vst3");
    testhost::PluginInstance instance(module->factory());
    EXPECT_EQ(instance.initialize(), kResultOk);
    sv::IComponent& component = *instance.component;
    sv::IAudioProcessor& processor = *instance.processor;
    std::vector<int32> ins;
    std::vector<int32> outs;
    for (auto [dir, list] : {std::pair{sv::kInput, &ins}, std::pair{sv::kOutput, &outs}})
        for (int32 b = 0; b < component.getBusCount(sv::kAudio, dir); ++b) {
            sv::BusInfo info{};
            component.getBusInfo(sv::kAudio, dir, b, info);
            list->push_back(info.channelCount);
            component.activateBus(sv::kAudio, dir, b, true);
        }
    if (name == "KorvalestBreakout")
        ins[0] = 6; // as if the host had set a 6-channel input
    sv::ProcessSetup setup{sv::kRealtime, sv::kSample32, kFrames, 44100.0};
    EXPECT_EQ(processor.setupProcessing(setup), kResultOk);
    component.setActive(true);
    processor.setProcessing(true);

    testhost::ProcessBuffers buffers(sv::kSample32, kFrames, ins, outs);
    for (size_t b = 0; b < ins.size(); ++b)
        for (int32 c = 0; c < ins[b]; ++c)
            for (int32 i = 0; i < kFrames; ++i)
                buffers.setInput(static_cast<int32>(b), c, i, inputSample(static_cast<int32>(b), c, i));
    testhost::ParameterChanges changes;
    changes.queue(kGain).point(0, 0.8).point(16, 0.95);
    changes.queue(kStripGain0).point(0, 0.7).point(20, 1.0);
    changes.queue(kStripMute1).point(30, 1.0);
    buffers.data.inputParameterChanges = &changes;
    EXPECT_EQ(processor.process(buffers.data), kResultOk) << name;
    processor.setProcessing(false);
    component.setActive(false);
    instance.terminate();

    std::vector<std::string> lines;
    for (int32 b = 0; b < std::min<int32>(kRecordedBuses, buffers.data.numOutputs); ++b)
        for (int32 c = 0; c < outs[static_cast<size_t>(b)]; ++c) {
            std::ostringstream line;
            line << name << ' ' << b << ' ' << c;
            for (int32 i = 0; i < kFrames; ++i) {
                char text[32];
                std::snprintf(text, sizeof text, " %.9g", static_cast<float>(buffers.output(b, c, i)));
                line << text;
            }
            lines.push_back(line.str());
        }
    return lines;
}

int32_t floatSteps(float a, float b)
{
    int32_t ia = 0;
    int32_t ib = 0;
    std::memcpy(&ia, &a, 4);
    std::memcpy(&ib, &b, 4);
    if (ia < 0)
        ia = INT32_MIN - ia;
    if (ib < 0)
        ib = INT32_MIN - ib;
    return std::abs(ia - ib);
}

TEST(GoldenBlocks, EveryKindMatchesTheRecordedLinuxResults)
{
    std::vector<std::string> lines;
    for (const char* name : kModules)
        for (const std::string& line : runModule(name))
            lines.push_back(line);

    const char* regenerate = std::getenv("KORVALEST_REGENERATE_GOLDEN");
    if (regenerate != nullptr && std::string(regenerate) == "1") {
        std::ofstream file(KORVALEST_GOLDEN_FILE, std::ios::trunc);
        for (const std::string& line : lines)
            file << line << '\n';
        ASSERT_TRUE(file.good());
        GTEST_SKIP() << "rewrote " << KORVALEST_GOLDEN_FILE;
    }

    std::ifstream file(KORVALEST_GOLDEN_FILE);
    ASSERT_TRUE(file.is_open()) << KORVALEST_GOLDEN_FILE;
    std::vector<std::string> expected;
    for (std::string line; std::getline(file, line);)
        if (!line.empty())
            expected.push_back(line);
    ASSERT_EQ(lines.size(), expected.size());
    for (size_t l = 0; l < lines.size(); ++l) {
        std::istringstream got(lines[l]);
        std::istringstream want(expected[l]);
        std::string gotName, wantName;
        int gotBus = 0, wantBus = 0, gotCh = 0, wantCh = 0;
        got >> gotName >> gotBus >> gotCh;
        want >> wantName >> wantBus >> wantCh;
        ASSERT_EQ(gotName + std::to_string(gotBus) + "/" + std::to_string(gotCh),
                  wantName + std::to_string(wantBus) + "/" + std::to_string(wantCh));
        for (int32 i = 0; i < kFrames; ++i) {
            std::string a, b;
            got >> a;
            want >> b;
            const float fa = std::strtof(a.c_str(), nullptr);
            const float fb = std::strtof(b.c_str(), nullptr);
            EXPECT_LE(floatSteps(fa, fb), 2) << gotName << " bus " << gotBus << " ch " << gotCh << " frame " << i
                                             << ": " << a << " vs " << b;
        }
    }
}

} // namespace
} // namespace korvalest::plugins::test
