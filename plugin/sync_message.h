#pragma once
// The 7-byte SysEx start and stop message that a PLAYER sends on its event
// output and a RECORDER reads from its event input.

#include <array>
#include <cstdint>

#include "pluginterfaces/vst/ivstevents.h"

namespace korvalest::plugins {

constexpr uint8_t kSyncCommandStart = 1;
constexpr uint8_t kSyncCommandStop = 2;

// A received message becomes a change-list entry with identifier 600 + command.
constexpr uint32_t kSyncPseudoIdBase = 600;
constexpr uint32_t kSyncStartId = kSyncPseudoIdBase + kSyncCommandStart;
constexpr uint32_t kSyncStopId = kSyncPseudoIdBase + kSyncCommandStop;

constexpr int32_t kSyncMessageSize = 7;
using SyncMessageBytes = std::array<uint8_t, kSyncMessageSize>;

// F0, the non-commercial manufacturer id 7D, the tag "KVX", the command, F7.
constexpr SyncMessageBytes kSyncStartMessage{0xF0, 0x7D, 0x4B, 0x56, 0x58, kSyncCommandStart, 0xF7};
constexpr SyncMessageBytes kSyncStopMessage{0xF0, 0x7D, 0x4B, 0x56, 0x58, kSyncCommandStop, 0xF7};

// The command (1 or 2) of a data event that carries a sync message, or 0.
// Bus index, flags and ppq position are not looked at.
uint8_t syncCommandOf(const Steinberg::Vst::Event& event);

// The event that carries the message for the command at the offset; its bytes
// point at constant data, so the event can be handed to a host list as it is.
Steinberg::Vst::Event makeSyncEvent(int32_t sampleOffset, uint8_t command);

} // namespace korvalest::plugins
