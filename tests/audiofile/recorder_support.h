#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "audiofile/file_recorder.h"
#include "audiofile/wav_reader.h"
#include "temp_dir.h"

namespace korvalest::plugins::testing {

inline uint32_t le32At(const std::vector<uint8_t>& b, size_t offset) {
    uint32_t v = 0;
    for (int k = 3; k >= 0; --k) v = (v << 8) | b[offset + k];
    return v;
}

// Checks the recorder's 44-byte float header against the bytes actually in the file.
inline void expectConsistentFile(const std::filesystem::path& path, uint32_t channels, uint32_t rate) {
    const std::vector<uint8_t> b = readBytes(path);
    ASSERT_GE(b.size(), 44u);
    const uint32_t dataBytes = le32At(b, 40);
    EXPECT_EQ(dataBytes, b.size() - 44);
    EXPECT_EQ(le32At(b, 4), dataBytes + 36);
    EXPECT_EQ(std::memcmp(b.data(), "RIFF", 4), 0);
    EXPECT_EQ(std::memcmp(b.data() + 8, "WAVEfmt ", 8), 0);
    EXPECT_EQ(le32At(b, 16), 16u);
    EXPECT_EQ(le32At(b, 20), 3u | (channels << 16));
    EXPECT_EQ(le32At(b, 24), rate);
    EXPECT_EQ(le32At(b, 28), channels * rate * 4);
    EXPECT_EQ(le32At(b, 32), (channels * 4) | (32u << 16));
    EXPECT_EQ(std::memcmp(b.data() + 36, "data", 4), 0);
    EXPECT_EQ(dataBytes % (channels * 4), 0u);
}

// Feeds frames [first, first + count) of a ramp where channel c of frame f is
// f + c / 100, in blocks, waiting for ring space so nothing is dropped.
inline void feedRamp(FileRecorder& recorder, uint32_t channels, uint64_t first, uint64_t count, uint32_t block,
                     uint64_t hostStart) {
    std::vector<std::vector<float>> buffers(channels, std::vector<float>(block));
    std::vector<const float*> inputs;
    for (auto& b : buffers) inputs.push_back(b.data());
    for (uint64_t done = 0; done < count;) {
        const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(block, count - done));
        while (recorder.writeIndex.load() - recorder.readIndex.load() + uint64_t{n} * channels > FileRecorder::kRingSamples)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        for (uint32_t c = 0; c < channels; ++c)
            for (uint32_t i = 0; i < n; ++i) buffers[c][i] = static_cast<float>(first + done + i) + 0.01f * c;
        recorder.capture(inputs.data(), channels, n, hostStart + done);
        done += n;
    }
}

inline ::testing::AssertionResult isRamp(const AudioClip& clip, uint64_t first) {
    for (uint64_t f = 0; f < clip.frameCount(); ++f)
        for (uint32_t c = 0; c < clip.channels; ++c) {
            const float expected = static_cast<float>(first + f) + 0.01f * c;
            if (clip.samples[f * clip.channels + c] != expected)
                return ::testing::AssertionFailure() << "frame " << f << " channel " << c << " is "
                                                     << clip.samples[f * clip.channels + c] << ", expected " << expected;
        }
    return ::testing::AssertionSuccess();
}

} // namespace korvalest::plugins::testing
