#include "event_list.h"

namespace korvalest::plugins::testhost {

using namespace Steinberg;

void EventList::addData(int32 sampleOffset, const uint8* bytes, uint32 size)
{
    Vst::Event e{};
    e.sampleOffset = sampleOffset;
    e.type = Vst::Event::kDataEvent;
    e.data.type = Vst::DataEvent::kMidiSysEx;
    e.data.size = size;
    e.data.bytes = bytes;
    events.push_back(e);
}

tresult PLUGIN_API EventList::getEvent(int32 index, Vst::Event& e)
{
    if (index < 0 || index >= getEventCount() || index == failingEvent)
        return kResultFalse;
    e = events[static_cast<size_t>(index)];
    return kResultOk;
}

tresult PLUGIN_API EventList::addEvent(Vst::Event& e)
{
    if (events.size() == events.capacity())
        return kOutOfMemory; // never grow on the audio thread
    events.push_back(e);
    return kResultOk;
}

tresult PLUGIN_API EventList::queryInterface(const TUID iid, void** obj)
{
    if (FUnknownPrivate::iidEqual(iid, Vst::IEventList::iid) || FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
        *obj = this;
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}

} // namespace korvalest::plugins::testhost
