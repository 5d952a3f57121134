#pragma once
// Owning audio buffers and the ProcessData that points at them, for either
// sample size: per-bus channel counts, silence flags, null buffers and
// in-place processing on request.

#include <cstdint>
#include <vector>

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"

namespace korvalest::plugins::testhost {

class ProcessBuffers {
public:
    // One entry per bus: its channel count. Frames is the buffers' length.
    ProcessBuffers(Steinberg::int32 symbolicSampleSize, Steinberg::int32 frames,
                   std::vector<Steinberg::int32> inputChannels, std::vector<Steinberg::int32> outputChannels);

    ProcessBuffers(const ProcessBuffers&) = delete;
    ProcessBuffers& operator=(const ProcessBuffers&) = delete;

    Steinberg::Vst::ProcessData data;
    Steinberg::Vst::ProcessContext context{};

    bool wide() const { return data.symbolicSampleSize == Steinberg::Vst::kSample64; }
    Steinberg::int32 frames() const { return frameCount; }

    void setInput(Steinberg::int32 bus, Steinberg::int32 ch, Steinberg::int32 frame, double value);
    // Every input channel of every bus set to the value.
    void fillInputs(double value);
    double output(Steinberg::int32 bus, Steinberg::int32 ch, Steinberg::int32 frame) const;
    // Every output sample set to the value (to see what the plug-in writes).
    void fillOutputs(double value);

    // Channel buffer pointers of one bus channel, to null them for tests.
    void clearInputPointer(Steinberg::int32 bus, Steinberg::int32 ch);
    void clearOutputPointer(Steinberg::int32 bus, Steinberg::int32 ch);
    // Output bus `bus` channel ch uses the input's buffer.
    void makeInPlace(Steinberg::int32 bus);

    // Sets the context's continuous time (kContTimeValid) and hands it over.
    void setContinuousTime(int64_t samples);

private:
    struct Direction {
        std::vector<Steinberg::Vst::AudioBusBuffers> buses;
        std::vector<std::vector<float>> samples32; // one per channel, in bus order
        std::vector<std::vector<double>> samples64;
        std::vector<std::vector<float*>> pointers32; // one per bus
        std::vector<std::vector<double*>> pointers64;
    };
    void build(Direction& direction, const std::vector<Steinberg::int32>& channels);
    static size_t channelIndex(const Direction& direction, Steinberg::int32 bus, Steinberg::int32 ch);

    Steinberg::int32 frameCount;
    Direction in;
    Direction out;
};

} // namespace korvalest::plugins::testhost
