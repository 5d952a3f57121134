#include "bus_layout.h"

namespace korvalest::plugins {

BusLayout busLayoutOf(ModuleKind kind)
{
    switch (kind) {
    case ModuleKind::Input:
    case ModuleKind::Output: return {1, 1, 64, 64, false, false};
    case ModuleKind::Summing: return {64, 1, 2, 2, false, false};
    case ModuleKind::Breakout: return {1, 64, 64, 1, false, false};
    case ModuleKind::Player: return {0, 1, 0, 64, true, false};
    case ModuleKind::Recorder: return {1, 1, 64, 64, false, true};
    case ModuleKind::Distributor: return {1, 64, 2, 2, false, false};
    case ModuleKind::FaderBank:
    default: return {64, 64, 2, 2, false, false};
    }
}

} // namespace korvalest::plugins
