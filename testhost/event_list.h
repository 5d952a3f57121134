#pragma once
// A host-side event list: the test fills it for the plug-in, or reads what the
// plug-in added. Capacity is reserved up front so that adding on the audio
// thread does not allocate.

#include <vector>

#include "pluginterfaces/vst/ivstevents.h"

namespace korvalest::plugins::testhost {

class EventList : public Steinberg::Vst::IEventList {
public:
    explicit EventList(size_t capacity = 256) { events.reserve(capacity); }
    virtual ~EventList() = default;

    std::vector<Steinberg::Vst::Event> events;
    Steinberg::int32 failingEvent = -1; // getEvent refuses this index

    // A data event of the given bytes (the bytes must outlive the list's use).
    void addData(Steinberg::int32 sampleOffset, const Steinberg::uint8* bytes, Steinberg::uint32 size);

    Steinberg::int32 PLUGIN_API getEventCount() override { return static_cast<Steinberg::int32>(events.size()); }
    Steinberg::tresult PLUGIN_API getEvent(Steinberg::int32 index, Steinberg::Vst::Event& e) override;
    Steinberg::tresult PLUGIN_API addEvent(Steinberg::Vst::Event& e) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; } // owned by the test
    Steinberg::uint32 PLUGIN_API release() override { return 1; }
};

} // namespace korvalest::plugins::testhost
