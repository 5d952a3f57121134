#pragma once
// Parameter identifiers, the defaults of the value store, and the parameter
// objects each kind shows the host.

#include <array>
#include <atomic>
#include <cstdint>

#include "module_kind.h"

namespace Steinberg::Vst { class ParameterContainer; }

namespace korvalest::plugins {

constexpr uint32_t kParamActiveCount = 0;
constexpr uint32_t kParamGain = 1;
constexpr uint32_t kParamFollowTransport = 2;
constexpr uint32_t kParamPlayRecord = 3;
constexpr uint32_t kParamStripGainFirst = 100;
constexpr uint32_t kParamStripMuteFirst = 200;
constexpr uint32_t kParamTailSilence = 400;
constexpr uint32_t kParamMaxTail = 401;

constexpr uint32_t kParamSlotCount = 512;
constexpr uint32_t kStripCount = 64;

// 0 dB in the gain law x * 102 - 90 dB.
constexpr double kUnityGainNormalized = 15.0 / 17.0;

using ParamValueStore = std::array<std::atomic<double>, kParamSlotCount>;

// Clears every slot, then writes the defaults. Done for every kind: the audio
// path reads slots of parameters a kind does not register.
void writeParameterDefaults(ParamValueStore& store);

// Registers the kind's parameters in the order the host lists them.
void registerParameters(Steinberg::Vst::ParameterContainer& parameters, ModuleKind kind);

} // namespace korvalest::plugins
