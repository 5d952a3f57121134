#pragma once
// Host-side parameter changes for one block: queues of points that the test
// fills before the block, and failures on request.

#include <memory>
#include <utility>
#include <vector>

#include "pluginterfaces/vst/ivstparameterchanges.h"

namespace korvalest::plugins::testhost {

class ParamValueQueue : public Steinberg::Vst::IParamValueQueue {
public:
    explicit ParamValueQueue(Steinberg::Vst::ParamID id) : id(id) {}
    virtual ~ParamValueQueue() = default;

    ParamValueQueue& point(Steinberg::int32 offset, double value)
    {
        points.emplace_back(offset, value);
        return *this;
    }

    Steinberg::Vst::ParamID id;
    std::vector<std::pair<Steinberg::int32, double>> points;
    Steinberg::int32 failingPoint = -1; // getPoint refuses this index

    Steinberg::Vst::ParamID PLUGIN_API getParameterId() override { return id; }
    Steinberg::int32 PLUGIN_API getPointCount() override { return static_cast<Steinberg::int32>(points.size()); }
    Steinberg::tresult PLUGIN_API getPoint(Steinberg::int32 index, Steinberg::int32& sampleOffset,
                                           Steinberg::Vst::ParamValue& value) override;
    Steinberg::tresult PLUGIN_API addPoint(Steinberg::int32 sampleOffset, Steinberg::Vst::ParamValue value,
                                           Steinberg::int32& index) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; } // owned by its ParameterChanges
    Steinberg::uint32 PLUGIN_API release() override { return 1; }
};

class ParameterChanges : public Steinberg::Vst::IParameterChanges {
public:
    virtual ~ParameterChanges() = default;

    ParamValueQueue& queue(Steinberg::Vst::ParamID id);
    void addNullQueue() { queues.emplace_back(); }
    void clear() { queues.clear(); }

    std::vector<std::unique_ptr<ParamValueQueue>> queues; // a null entry is handed out as null

    Steinberg::int32 PLUGIN_API getParameterCount() override { return static_cast<Steinberg::int32>(queues.size()); }
    Steinberg::Vst::IParamValueQueue* PLUGIN_API getParameterData(Steinberg::int32 index) override;
    Steinberg::Vst::IParamValueQueue* PLUGIN_API addParameterData(const Steinberg::Vst::ParamID& id,
                                                                  Steinberg::int32& index) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; } // owned by the test
    Steinberg::uint32 PLUGIN_API release() override { return 1; }
};

} // namespace korvalest::plugins::testhost
