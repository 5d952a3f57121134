#pragma once
// A host's component handler that records every edit the plug-in reports.

#include <atomic>
#include <vector>

#include "pluginterfaces/vst/ivsteditcontroller.h"

namespace korvalest::plugins::testhost {

struct EditRecord {
    enum class Kind { Begin, Perform, End };
    Kind kind;
    Steinberg::Vst::ParamID id;
    Steinberg::Vst::ParamValue value; // Perform only
    bool operator==(const EditRecord&) const = default;
};

class RecordingComponentHandler : public Steinberg::Vst::IComponentHandler {
public:
    std::vector<EditRecord> edits;
    int restartFlags = 0;

    Steinberg::tresult PLUGIN_API beginEdit(Steinberg::Vst::ParamID id) override;
    Steinberg::tresult PLUGIN_API performEdit(Steinberg::Vst::ParamID id,
                                              Steinberg::Vst::ParamValue value) override;
    Steinberg::tresult PLUGIN_API endEdit(Steinberg::Vst::ParamID id) override;
    Steinberg::tresult PLUGIN_API restartComponent(Steinberg::int32 flags) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return ++refs; }
    Steinberg::uint32 PLUGIN_API release() override { return --refs; } // owned by the test

private:
    std::atomic<Steinberg::uint32> refs{1};
};

} // namespace korvalest::plugins::testhost
