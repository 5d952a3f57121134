#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "audiofile/audio_clip.h"

namespace korvalest::plugins {

// Plays one preloaded clip against the host position. Clips are decoded and
// freed on the user-interface thread; the audio thread only swaps pointers.
// Every clip is owned by exactly one of activeClip, pendingClip or a retired slot.
struct FilePlayer {
    static constexpr uint32_t kRetiredSlots = 32;
    static constexpr uint64_t kNoPosition = ~uint64_t{0};

    AudioClip* activeClip;                    // audio thread only; never null
    std::atomic<AudioClip*> pendingClip{nullptr};
    std::atomic<AudioClip*> publishedClip;    // newest clip, for the editor; not owning
    AudioClip* retiredClips[kRetiredSlots] = {};
    std::atomic<uint32_t> retireReadIndex{0};
    std::atomic<uint32_t> retireWriteIndex{0};
    std::atomic<uint64_t> frameCount{0};
    std::atomic<bool> playing{false};
    std::atomic<uint64_t> startPosition{0};
    std::atomic<uint64_t> startFrame{0};
    std::atomic<uint64_t> endPosition{kNoPosition};

    FilePlayer();
    ~FilePlayer();
    FilePlayer(const FilePlayer&) = delete;
    FilePlayer& operator=(const FilePlayer&) = delete;

    // User-interface thread.
    void load(const std::wstring& path);
    void publishClip(AudioClip&& clip);
    void reclaimRetired();

    // Audio thread (stop from any thread).
    void start(uint64_t hostPosition, uint64_t clipFrame);
    void stop();
    void render(float* const* outputs, uint32_t channelCount, uint32_t frames, double sampleRate, uint64_t hostPosition);
};

} // namespace korvalest::plugins
