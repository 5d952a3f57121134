#pragma once
// The audio and event buses of each kind, and the channel limits that
// setBusArrangements enforces.

#include <cstdint>

#include "module_kind.h"

namespace korvalest::plugins {


struct BusLayout {
    int32_t audioInputs;
    int32_t audioOutputs;
    int32_t maxInputChannels;  // largest channel count accepted for any one input bus
    int32_t maxOutputChannels; // the same for an output bus
    bool hasPlayerSyncOutput;
    bool hasRecorderSyncInput;
};

BusLayout busLayoutOf(ModuleKind kind);

} // namespace korvalest::plugins
