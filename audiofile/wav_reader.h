#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "audiofile/audio_clip.h"

namespace korvalest::plugins {

// Largest data chunk a player preloads; the decoded floats stay within it too.
inline constexpr uint64_t kPreloadLimitBytes = 536870912;

// Reads a RIFF/WAVE file (PCM 16/24/32-bit or float 32-bit, plain or
// extensible) into a clip. Throws std::runtime_error with a short message.
AudioClip readWavFile(const std::wstring& path, uint64_t limitBytes);

// Random access to the bytes of a WAV image, so the parser can run on a file
// or on memory.
class WavSource {
public:
    virtual ~WavSource() = default;
    // Reads exactly n bytes at offset; false if they are not all there.
    virtual bool readAt(uint64_t offset, void* destination, size_t n) = 0;
    // Size of the whole image in bytes (may throw).
    virtual uint64_t size() = 0;
};

AudioClip parseWav(WavSource& source, uint64_t limitBytes);

// A WAV image already in memory.
AudioClip readWavMemory(const uint8_t* data, size_t size, uint64_t limitBytes);

} // namespace korvalest::plugins
