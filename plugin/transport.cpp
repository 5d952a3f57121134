// Transport following and the hand-off to the file engines. Transport edges,
// rendering and capture are not wired yet: PLAYER outputs its (silent) scratch
// bank and RECORDER passes its input through without recording.

#include "utility_plugin.h"

namespace korvalest::plugins {

using namespace Steinberg::Vst;

void UtilityPlugin::runTransportAndEngines(ProcessData& /*data*/, int32_t /*start*/, int32_t /*length*/) {}

void UtilityPlugin::syncStart(uint64_t /*position*/) {}

void UtilityPlugin::syncStop(uint64_t /*position*/) {}

void UtilityPlugin::stopFileEngines()
{
    player.stop();
    recorder.stop();
}

} // namespace korvalest::plugins
