#pragma once
// The one plug-in class: component, processor and controller of every kind.

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "change_list.h"
#include "audiofile/file_player.h"
#include "audiofile/file_recorder.h"
#include "gain.h"
#include "input_alias_guard.h"
#include "module_kind.h"
#include "parameters.h"
#include "single_component_effect.h"

namespace korvalest::plugins {

class UtilityPlugin : public SingleComponentEffect {
public:
    explicit UtilityPlugin(ModuleKind kind);
    ~UtilityPlugin() override;

    // IPluginBase
    Steinberg::tresult PLUGIN_API initialize(Steinberg::FUnknown* context) override;

    // IEditController
    Steinberg::tresult PLUGIN_API setComponentState(Steinberg::IBStream* state) override;
    Steinberg::Vst::ParamValue PLUGIN_API getParamNormalized(Steinberg::Vst::ParamID id) override;
    Steinberg::tresult PLUGIN_API setParamNormalized(Steinberg::Vst::ParamID id,
                                                     Steinberg::Vst::ParamValue value) override;
    Steinberg::IPlugView* PLUGIN_API createView(Steinberg::FIDString name) override;

    // IAudioProcessor: buses and set-up
    Steinberg::tresult PLUGIN_API setBusArrangements(Steinberg::Vst::SpeakerArrangement* inputs,
                                                     Steinberg::int32 numIns,
                                                     Steinberg::Vst::SpeakerArrangement* outputs,
                                                     Steinberg::int32 numOuts) override;
    Steinberg::tresult PLUGIN_API getBusArrangement(Steinberg::Vst::BusDirection dir, Steinberg::int32 index,
                                                    Steinberg::Vst::SpeakerArrangement& arr) override;
    Steinberg::tresult PLUGIN_API canProcessSampleSize(Steinberg::int32 symbolicSampleSize) override;
    Steinberg::tresult PLUGIN_API setupProcessing(Steinberg::Vst::ProcessSetup& setup) override;
    Steinberg::tresult PLUGIN_API setProcessing(Steinberg::TBool state) override;

    // IAudioProcessor: the audio thread's entry point
    Steinberg::tresult PLUGIN_API process(Steinberg::Vst::ProcessData& data) override;

    // Value store: ignores identifiers of 512 and above and non-finite values,
    // clamps into [0, 1].
    void storeParamValue(uint32_t id, double value);
    double loadParamValue(uint32_t id) const { return id < kParamSlotCount ? paramValues[id].load() : 0.0; }

    // One complete edit gesture from the editor.
    void editParameter(uint32_t id, double value);

    const ModuleKind kind;
    ParamValueStore paramValues;
    std::atomic<bool> processing{false};
    bool transportWasRunning = false;
    uint64_t samplePosition = 0; // running sample position: the time base of every engine position
    // The two file engines every instance owns, whatever its kind, and the one
    // file path (the PLAYER's loaded file, the RECORDER's destination).
    FilePlayer player;
    FileRecorder recorder;
    std::wstring filePath;

    // Scratch bank: 64 channels of maxBlockSize frames; both pointer tables
    // point at the channel starts (null until the first setupProcessing).
    std::vector<float> scratchSamples;
    std::array<float*, kStripCount> renderChannels{};
    std::array<const float*, kStripCount> captureChannels{};
    double sampleRate = 48000.0;
    int32_t maxBlockSize = 512;

    // Gain smoothing: strip states (FADER BANK strip b is output bus b) and the
    // "Gain" state; not primed means the next sub-block starts at the targets.
    std::array<double, kStripCount> stripGainState{};
    double masterGainState = 1.0;
    bool gainStatePrimed = false;

private:
    void createBuses();

    // One stretch of a block between two change offsets: gains, the file
    // engines' step, then the output pass.
    template <typename Sample>
    void processSubBlock(Steinberg::Vst::ProcessData& data, int32_t start, int32_t length);

    // PLAYER and RECORDER: transport edges, sync sending, rendering into and
    // capturing from the scratch bank. Runs between the gain step and the
    // output pass; does nothing yet.
    void runTransportAndEngines(Steinberg::Vst::ProcessData& data, int32_t start, int32_t length);

    // A received sync message, at the running position of its frame.
    void syncStart(uint64_t position);
    void syncStop(uint64_t position);

    // setProcessing(false): the player's and the recorder's stop requests.
    void stopFileEngines();

    void applyChange(const ParamChange& change);

    ChangeList changeList; // audio thread only
    InputAliasGuard inputAliasGuard;
    MemoizedGain masterGainLaw;
    std::array<MemoizedGain, kStripCount> stripGainLaw{};
    double smoothingRate = 0.0; // sampleRate that smoothingStepValue was computed for
    double smoothingStepValue = 0.0;
    // Ramps of the moving gains for one chunk: 64 strips, then the master.
    std::array<double, (kStripCount + 1) * kRampChunkFrames> rampTable{};
};

} // namespace korvalest::plugins
