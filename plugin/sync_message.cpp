#include "sync_message.h"

#include <algorithm>

namespace korvalest::plugins {

using namespace Steinberg::Vst;

uint8_t syncCommandOf(const Event& event)
{
    if (event.type != Event::kDataEvent)
        return 0;
    const DataEvent& data = event.data;
    if (data.type != DataEvent::kMidiSysEx || data.bytes == nullptr
        || data.size != static_cast<Steinberg::uint32>(kSyncMessageSize))
        return 0;
    const uint8_t command = data.bytes[5];
    if (command != kSyncCommandStart && command != kSyncCommandStop)
        return 0;
    const SyncMessageBytes& expected = command == kSyncCommandStart ? kSyncStartMessage : kSyncStopMessage;
    return std::equal(expected.begin(), expected.end(), data.bytes) ? command : 0;
}

Event makeSyncEvent(int32_t sampleOffset, uint8_t command)
{
    Event event{};
    event.busIndex = 0;
    event.sampleOffset = sampleOffset;
    event.ppqPosition = 0.0;
    event.flags = 0;
    event.type = Event::kDataEvent;
    event.data.size = kSyncMessageSize;
    event.data.type = DataEvent::kMidiSysEx;
    event.data.bytes = (command == kSyncCommandStop ? kSyncStopMessage : kSyncStartMessage).data();
    return event;
}

} // namespace korvalest::plugins
