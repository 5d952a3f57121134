#include "audiofile/file_player.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "audiofile/wav_reader.h"

namespace korvalest::plugins {

FilePlayer::FilePlayer() : activeClip(new AudioClip()), publishedClip(activeClip) {}

FilePlayer::~FilePlayer() {
    playing.exchange(false);
    delete pendingClip.exchange(nullptr);
    reclaimRetired();
    delete activeClip;
}

void FilePlayer::load(const std::wstring& path) { publishClip(readWavFile(path, kPreloadLimitBytes)); }

void FilePlayer::publishClip(AudioClip&& clip) {
    if (clip.channels == 0 || clip.sampleRate == 0 || clip.samples.size() % clip.channels != 0)
        throw std::runtime_error("Invalid audio data");
    reclaimRetired();
    AudioClip* fresh = new AudioClip(std::move(clip));
    playing.exchange(false);
    frameCount.exchange(fresh->samples.size() / fresh->channels);
    publishedClip.exchange(fresh);
    // A clip the audio thread never took over is ours again.
    delete pendingClip.exchange(fresh);
}

void FilePlayer::reclaimRetired() {
    const uint32_t end = retireWriteIndex.load(std::memory_order_acquire);
    uint32_t i = retireReadIndex.load(std::memory_order_relaxed);
    while (i != end) {
        AudioClip*& slot = retiredClips[i % kRetiredSlots];
        delete slot;
        slot = nullptr;
        ++i;
    }
    retireReadIndex.store(i, std::memory_order_release);
}

void FilePlayer::start(uint64_t hostPosition, uint64_t clipFrame) {
    const uint64_t frames = frameCount.load();
    startFrame.exchange(std::min(clipFrame, frames));
    startPosition.exchange(hostPosition);
    if (frames > clipFrame) {
        endPosition.exchange(kNoPosition);
        playing.exchange(true);
    } else {
        endPosition.exchange(hostPosition);
        playing.exchange(false);
    }
}

void FilePlayer::stop() { playing.exchange(false); }

void FilePlayer::render(float* const* outputs, uint32_t channelCount, uint32_t frames, double sampleRate,
                        uint64_t hostPosition) {
    const uint32_t writeIndex = retireWriteIndex.load(std::memory_order_relaxed);
    if (writeIndex - retireReadIndex.load(std::memory_order_acquire) < kRetiredSlots) {
        if (AudioClip* next = pendingClip.exchange(nullptr)) {
            retiredClips[writeIndex % kRetiredSlots] = activeClip;
            activeClip = next;
            retireWriteIndex.store(writeIndex + 1, std::memory_order_release);
        }
    }

    if (frames != 0)
        for (uint32_t c = 0; c < channelCount; ++c)
            if (outputs[c] != nullptr) std::memset(outputs[c], 0, sizeof(float) * frames);

    const AudioClip& clip = *activeClip;
    const uint64_t clipFrames = clip.frameCount();
    if (!playing.load() || !(sampleRate > 0.0) || clip.channels == 0 || clipFrames == 0) return;

    const double ratio = static_cast<double>(clip.sampleRate) / sampleRate;
    const uint64_t anchor = startPosition.load();
    const double firstFrame = static_cast<double>(startFrame.load());
    const double frameLimit = static_cast<double>(clipFrames);
    const float* samples = clip.samples.data();
    const uint32_t lastChannel = clip.channels - 1;

    for (uint32_t i = 0; i < frames; ++i) {
        const uint64_t p = hostPosition + i;
        if (p < anchor) continue;
        const double x = static_cast<double>(p - anchor) * ratio + firstFrame;
        // Compared as a double first: a huge or infinite x must not be cast.
        if (!(x < frameLimit) || static_cast<uint64_t>(x) >= clipFrames) {
            endPosition.exchange(p);
            playing.exchange(false);
            return;
        }
        const uint64_t n = static_cast<uint64_t>(x);
        const float t = static_cast<float>(x - static_cast<double>(n));
        const uint64_t m = std::min(n + 1, clipFrames - 1);
        const float* frameA = samples + n * clip.channels;
        const float* frameB = samples + m * clip.channels;
        for (uint32_t c = 0; c < channelCount; ++c) {
            if (outputs[c] == nullptr) continue;
            const uint32_t s = std::min(c, lastChannel);
            const float a = frameA[s];
            outputs[c][i] = (frameB[s] - a) * t + a;
        }
    }
}

} // namespace korvalest::plugins
