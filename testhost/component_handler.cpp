#include "component_handler.h"

namespace korvalest::plugins::testhost {

using namespace Steinberg;

tresult PLUGIN_API RecordingComponentHandler::beginEdit(Vst::ParamID id)
{
    edits.push_back({EditRecord::Kind::Begin, id, 0.0});
    return kResultOk;
}

tresult PLUGIN_API RecordingComponentHandler::performEdit(Vst::ParamID id, Vst::ParamValue value)
{
    edits.push_back({EditRecord::Kind::Perform, id, value});
    return kResultOk;
}

tresult PLUGIN_API RecordingComponentHandler::endEdit(Vst::ParamID id)
{
    edits.push_back({EditRecord::Kind::End, id, 0.0});
    return kResultOk;
}

tresult PLUGIN_API RecordingComponentHandler::restartComponent(int32 flags)
{
    restartFlags |= flags;
    return kResultOk;
}

tresult PLUGIN_API RecordingComponentHandler::queryInterface(const TUID iid, void** obj)
{
    if (FUnknownPrivate::iidEqual(iid, Vst::IComponentHandler::iid) || FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
        addRef();
        *obj = static_cast<Vst::IComponentHandler*>(this);
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}

} // namespace korvalest::plugins::testhost
