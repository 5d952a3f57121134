// Runs the engines' real threads against each other; meant for ThreadSanitizer
// and AddressSanitizer as much as for the plain build.
#include <gtest/gtest.h>

#include <atomic>
#include <random>

#include "audiofile/file_player.h"
#include "recorder_support.h"

namespace korvalest::plugins {
namespace {

using namespace testing;

// The UI thread publishes clips whose every sample is the clip's number while
// the audio thread renders. The audio thread must only ever see published
// clips, in publishing order, and end up with the last one; ASan and TSan
// catch a clip freed while in use, LeakSanitizer one that is never freed.
TEST(EngineStress, PublishWhileRendering) {
    constexpr int kClips = 400;
    FilePlayer player;
    std::atomic<bool> done{false};
    std::atomic<int> lastSeen{0};
    std::atomic<bool> orderBroken{false};

    std::thread audio([&] {
        float left[64], right[64];
        float* outs[2] = {left, right};
        uint64_t position = 0;
        int seen = 0;
        bool finalPass = false;
        for (;;) {
            if (!player.playing.load()) player.start(position, 0);
            player.render(outs, 2, 64, 48000.0, position);
            position += 64;
            for (float v : left) {
                const int id = static_cast<int>(v);
                if (v != 0.0f && (id < seen || id > kClips)) orderBroken = true;
                if (id > seen) seen = id;
            }
            lastSeen = seen;
            if (finalPass) break;
            if (done.load()) finalPass = true; // one more render takes the last pending clip
        }
        EXPECT_EQ(player.activeClip->samples.front(), static_cast<float>(kClips));
    });

    std::mt19937 random(7);
    for (int id = 1; id <= kClips; ++id) {
        AudioClip clip;
        clip.channels = 1 + random() % 3;
        clip.sampleRate = 48000;
        clip.samples.assign(clip.channels * (1 + random() % 4096), static_cast<float>(id));
        player.publishClip(std::move(clip));
        EXPECT_EQ(player.publishedClip.load()->samples.back(), static_cast<float>(id));
        if (random() % 4 == 0) std::this_thread::yield();
        if (random() % 8 == 0) player.reclaimRetired();
    }
    done = true;
    audio.join();
    EXPECT_FALSE(orderBroken.load());
    player.reclaimRetired();
    EXPECT_EQ(player.retireReadIndex.load(), player.retireWriteIndex.load());
}

// The audio thread records a ramp while the writer drains it and a third
// thread stops the recording at a random moment: the file must hold exactly
// the frames capture put into the ring, in order, with a matching header.
TEST(EngineStress, CaptureWhileWriterDrainsAndAnotherThreadStops) {
    TempDir dir;
    std::mt19937 random(11);
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE(round);
        const uint32_t channels = 1 + random() % 5;
        const std::wstring path = dir.file("take" + std::to_string(round) + ".wav");
        FileRecorder recorder;
        recorder.prepareDestination(path, channels, 48000);
        recorder.arm(0);
        std::atomic<bool> audioDone{false};
        std::thread audio([&] {
            std::vector<std::vector<float>> buffers(channels, std::vector<float>(257));
            std::vector<const float*> inputs;
            for (auto& b : buffers) inputs.push_back(b.data());
            uint64_t position = 0;
            // Keep calling capture after the stop, as the audio thread does.
            while (!recorder.finished.load()) {
                if (recorder.writeIndex.load() - recorder.readIndex.load() + 257 * channels > FileRecorder::kRingSamples) {
                    std::this_thread::yield();
                    continue;
                }
                for (uint32_t c = 0; c < channels; ++c)
                    for (uint32_t i = 0; i < 257; ++i) buffers[c][i] = static_cast<float>(position + i) + 0.01f * c;
                recorder.capture(inputs.data(), channels, 257, position);
                position += 257;
            }
            audioDone = true;
        });
        std::thread stopper([&] {
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
            recorder.stop();
        });
        stopper.join();
        recorder.close();
        audio.join();
        EXPECT_FALSE(recorder.failed.load());
        EXPECT_EQ(recorder.droppedFrames.load(), 0u);
        expectConsistentFile(dir.native("take" + std::to_string(round) + ".wav"), channels, 48000);
        const AudioClip clip = readWavFile(path, kPreloadLimitBytes);
        EXPECT_EQ(clip.frameCount() * channels, recorder.writeIndex.load());
        EXPECT_EQ(clip.frameCount(), recorder.framesWritten.load());
        EXPECT_TRUE(isRamp(clip, 0));
    }
}

// The audio thread arms, captures and asks for tails while the UI thread keeps
// preparing and closing destinations with other formats.
TEST(EngineStress, AudioThreadRunsWhileDestinationsChange) {
    TempDir dir;
    FileRecorder recorder;
    std::atomic<bool> done{false};
    std::thread audio([&] {
        float block[128] = {};
        const float* in[2] = {block, block};
        uint64_t position = 0;
        while (!done.load()) {
            recorder.arm(position);
            recorder.capture(in, 2, 128, position);
            recorder.requestStop(position + 64, 0.01, 0.02, -80.0);
            recorder.capture(in, 2, 128, position + 128);
            position += 256;
        }
    });
    for (int round = 0; round < 30; ++round) {
        const uint32_t channels = 1 + round % 4;
        const uint32_t rate = round % 2 ? 44100 : 96000;
        const std::wstring path = dir.file("d" + std::to_string(round) + ".wav");
        try {
            recorder.prepareDestination(path, channels, rate);
        } catch (const std::runtime_error& e) {
            // The audio thread may have armed the previous take again in between.
            EXPECT_STREQ(e.what(), "Stop recording before choosing destination");
            recorder.stop();
            continue;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        recorder.stop();
        recorder.close();
        EXPECT_FALSE(recorder.failed.load());
        expectConsistentFile(dir.native("d" + std::to_string(round) + ".wav"), channels, rate);
    }
    done = true;
    audio.join();
}

} // namespace
} // namespace korvalest::plugins
