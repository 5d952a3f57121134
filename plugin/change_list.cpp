#include "change_list.h"

#include <algorithm>
#include <cmath>

#include "parameters.h"
#include "sync_message.h"

namespace korvalest::plugins {

using namespace Steinberg;
using namespace Steinberg::Vst;

void ChangeList::sortByOffset()
{
    const auto byOffset = [](const ParamChange& a, const ParamChange& b) { return a.sampleOffset < b.sampleOffset; };
    ParamChange* first = items.data();
    if (std::is_sorted(first, first + count, byOffset))
        return;
    // Bottom-up merge sort: stable, bounded and without allocation.
    ParamChange* from = first;
    ParamChange* to = spare.data();
    for (int32_t width = 1; width < count; width *= 2) {
        for (int32_t lo = 0; lo < count; lo += 2 * width) {
            const int32_t mid = std::min(lo + width, count);
            const int32_t hi = std::min(lo + 2 * width, count);
            std::merge(from + lo, from + mid, from + mid, from + hi, to + lo, byOffset);
        }
        std::swap(from, to);
    }
    if (from != first)
        std::copy(from, from + count, first);
}

void gatherParameterChanges(ChangeList& list, IParameterChanges& changes, int32_t numSamples)
{
    for (int32 q = 0; q < std::min(changes.getParameterCount(), kMaxParameterQueues) && !list.full(); ++q) {
        IParamValueQueue* queue = changes.getParameterData(q);
        if (queue == nullptr)
            continue;
        for (int32 p = 0; p < std::min(queue->getPointCount(), kMaxPointsPerQueue) && !list.full(); ++p) {
            int32 offset = 0;
            ParamValue value = 0.0;
            if (queue->getPoint(p, offset, value) != kResultOk)
                continue;
            if (offset < 0 || offset > numSamples || !std::isfinite(value))
                continue;
            ParamID id = queue->getParameterId();
            // Identifiers without a slot still cut the block and count toward
            // the caps, but they must not pass for the sync pseudo-identifiers
            // 601 and 602: a host parameter never starts or stops a recording.
            if (id >= kParamSlotCount)
                id = kIgnoredChangeId;
            list.append({offset, id, value});
        }
    }
}

void gatherSyncMessages(ChangeList& list, IEventList& events, int32_t numSamples)
{
    for (int32 e = 0; e < std::min(events.getEventCount(), kMaxEvents) && !list.full(); ++e) {
        Event event{};
        if (events.getEvent(e, event) != kResultOk)
            continue;
        if (event.sampleOffset < 0 || event.sampleOffset >= numSamples)
            continue;
        const uint8_t command = syncCommandOf(event);
        if (command != 0)
            list.append({event.sampleOffset, kSyncPseudoIdBase + command, 0.0});
    }
}

} // namespace korvalest::plugins
