#pragma once
// The time-ordered list of one block's parameter changes and sync messages.
// Fixed storage owned by the audio thread; rebuilt from nothing in every block.

#include <array>
#include <cstdint>

#include "pluginterfaces/vst/ivstevents.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"

namespace korvalest::plugins {

struct ParamChange {
    int32_t sampleOffset; // frame inside the block
    uint32_t id;          // value-store slot, or a sync pseudo-identifier
    double value;         // normalized; 0.0 for sync entries
};

// Host parameters without a value-store slot: kept in the list (they cut the
// block like any change) but ignored when applied.
constexpr uint32_t kIgnoredChangeId = 0xFFFFFFFFu;

constexpr int32_t kMaxChanges = 4096;
constexpr int32_t kMaxParameterQueues = 512;
constexpr int32_t kMaxPointsPerQueue = 4096;
constexpr int32_t kMaxEvents = 4096;

class ChangeList {
public:
    void clear() { count = 0; }
    bool full() const { return count >= kMaxChanges; }
    int32_t size() const { return count; }
    const ParamChange& operator[](int32_t index) const { return items[static_cast<size_t>(index)]; }
    void append(const ParamChange& change)
    {
        if (!full())
            items[static_cast<size_t>(count++)] = change;
    }

    // Orders by offset; entries with the same offset keep their gathering
    // order, so two changes of one parameter at one frame end at the later one.
    void sortByOffset();

private:
    std::array<ParamChange, kMaxChanges> items{};
    std::array<ParamChange, kMaxChanges> spare{}; // merge buffer, so sorting never allocates
    int32_t count = 0;
};

// Appends the host's parameter points that lie in [0, numSamples], carry a
// finite value and address a value-store slot.
void gatherParameterChanges(ChangeList& list, Steinberg::Vst::IParameterChanges& changes, int32_t numSamples);

// Appends the sync messages that lie in [0, numSamples) as 601 / 602 entries.
void gatherSyncMessages(ChangeList& list, Steinberg::Vst::IEventList& events, int32_t numSamples);

} // namespace korvalest::plugins
