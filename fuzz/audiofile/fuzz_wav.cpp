// Feeds arbitrary bytes to the WAV parser, the same code readWavFile runs on a
// file. Refusals are runtime errors; anything else is a finding.
#include <cstddef>
#include <cstdint>
#include <stdexcept>

#include "audiofile/wav_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace korvalest::plugins;
    // A small limit as well as the real one, so both limit checks get reached.
    for (uint64_t limit : {uint64_t{256}, kPreloadLimitBytes}) {
        try {
            const AudioClip clip = readWavMemory(data, size, limit);
            if (clip.channels < 1 || clip.channels > 64 || clip.samples.size() % clip.channels != 0 ||
                clip.samples.size() > limit / 4)
                __builtin_trap();
            for (float v : clip.samples)
                if (!(v - v == 0.0f)) __builtin_trap(); // never NaN or infinite
        } catch (const std::runtime_error&) {
        }
    }
    return 0;
}
