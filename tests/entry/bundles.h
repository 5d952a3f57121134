#pragma once
// Where the tests find the built bundles, and what each one registers.

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace korvalest::plugins::tests {

struct ModuleExpectation {
    int32_t kind;
    const char* moduleName;
    const char* className;
};

inline constexpr std::array<ModuleExpectation, 8> kModules{{
    {1, "KorvalestInput", "KORVALEST INPUT"},
    {2, "KorvalestOutput", "KORVALEST OUTPUT"},
    {3, "KorvalestSumming", "KORVALEST SUMMING"},
    {4, "KorvalestBreakout", "KORVALEST BREAKOUT"},
    {5, "KorvalestPlayer", "KORVALEST PLAYER"},
    {6, "KorvalestRecorder", "KORVALEST RECORDER"},
    {7, "KorvalestFaderBank", "KORVALEST FADER BANK"},
    {8, "KorvalestDistributor", "KORVALEST DISTRIBUTOR"},
}};

// KORVALEST_BUNDLE_DIR is set by the test's environment.
inline std::filesystem::path bundlePath(const std::string& moduleName)
{
    const char* dir = std::getenv("KORVALEST_BUNDLE_DIR");
    return std::filesystem::path(dir ? dir : "bundles") / (moduleName + ".vst3");
}

} // namespace korvalest::plugins::tests
