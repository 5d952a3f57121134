#include "module_kind.h"

namespace korvalest::plugins {

const char* displayName(ModuleKind kind)
{
    switch (kind) {
    case ModuleKind::Input: return "KORVALEST INPUT";
    case ModuleKind::Output: return "KORVALEST OUTPUT";
    case ModuleKind::Summing: return "KORVALEST SUMMING";
    case ModuleKind::Breakout: return "KORVALEST BREAKOUT";
    case ModuleKind::Player: return "KORVALEST PLAYER";
    case ModuleKind::Recorder: return "KORVALEST RECORDER";
    case ModuleKind::Distributor: return "KORVALEST DISTRIBUTOR";
    case ModuleKind::FaderBank:
    default: return "KORVALEST FADER BANK";
    }
}

} // namespace korvalest::plugins
