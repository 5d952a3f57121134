#pragma once
#include <cstdint>

namespace korvalest::plugins {

// Which utility an instance is; fixed at construction. The saved state records the number.
enum class ModuleKind : int32_t {
    Input = 1,
    Output = 2,
    Summing = 3,
    Breakout = 4,
    Player = 5,
    Recorder = 6,
    FaderBank = 7,
    Distributor = 8,
};

// The registered class name and the editor's title. Numbers outside 1 to 8 get
// the FADER BANK name.
const char* displayName(ModuleKind kind);

} // namespace korvalest::plugins
