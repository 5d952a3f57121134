#include "parameter_changes.h"

namespace korvalest::plugins::testhost {

using namespace Steinberg;

namespace {

template <typename Interface>
tresult answer(Interface* self, const TUID iid, void** obj)
{
    if (FUnknownPrivate::iidEqual(iid, Interface::iid) || FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
        *obj = self;
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}

} // namespace

tresult PLUGIN_API ParamValueQueue::getPoint(int32 index, int32& sampleOffset, Vst::ParamValue& value)
{
    if (index < 0 || index >= getPointCount() || index == failingPoint)
        return kResultFalse;
    sampleOffset = points[static_cast<size_t>(index)].first;
    value = points[static_cast<size_t>(index)].second;
    return kResultOk;
}

tresult PLUGIN_API ParamValueQueue::addPoint(int32 sampleOffset, Vst::ParamValue value, int32& index)
{
    index = getPointCount();
    points.emplace_back(sampleOffset, value);
    return kResultOk;
}

tresult PLUGIN_API ParamValueQueue::queryInterface(const TUID iid, void** obj)
{
    return answer<Vst::IParamValueQueue>(this, iid, obj);
}

ParamValueQueue& ParameterChanges::queue(Vst::ParamID id)
{
    queues.push_back(std::make_unique<ParamValueQueue>(id));
    return *queues.back();
}

Vst::IParamValueQueue* PLUGIN_API ParameterChanges::getParameterData(int32 index)
{
    if (index < 0 || index >= getParameterCount())
        return nullptr;
    return queues[static_cast<size_t>(index)].get();
}

Vst::IParamValueQueue* PLUGIN_API ParameterChanges::addParameterData(const Vst::ParamID& id, int32& index)
{
    index = getParameterCount();
    return &queue(id);
}

tresult PLUGIN_API ParameterChanges::queryInterface(const TUID iid, void** obj)
{
    return answer<Vst::IParameterChanges>(this, iid, obj);
}

} // namespace korvalest::plugins::testhost
