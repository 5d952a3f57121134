#include <gtest/gtest.h>

#include <csignal>
#include <future>
#include <limits>
#include <stdexcept>

#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "audiofile/native_path.h"
#include "recorder_support.h"

namespace korvalest::plugins {
namespace {

using namespace testing;

std::string prepareError(FileRecorder& recorder, const std::wstring& path, uint32_t channels, uint32_t rate) {
    try {
        recorder.prepareDestination(path, channels, rate);
        return {};
    } catch (const std::exception& e) {
        return e.what();
    }
}

TEST(FileRecorder, PreparesNewFileWithEmptyHeaderAndFinalizesUnarmed) {
    TempDir dir;
    FileRecorder recorder;
    EXPECT_TRUE(recorder.finished.load());
    recorder.prepareDestination(dir.file("take.wav"), 2, 48000);
    EXPECT_TRUE(recorder.ready.load());
    EXPECT_TRUE(recorder.fileCreated.load());
    EXPECT_FALSE(recorder.finished.load());
    EXPECT_EQ(readBytes(dir.native("take.wav")).size(), 44u);
    expectConsistentFile(dir.native("take.wav"), 2, 48000);
    recorder.close();
    EXPECT_TRUE(recorder.finished.load());
    EXPECT_FALSE(recorder.ready.load());
    EXPECT_FALSE(recorder.failed.load());
    expectConsistentFile(dir.native("take.wav"), 2, 48000);
    EXPECT_EQ(readWavFile(dir.file("take.wav"), kPreloadLimitBytes).samples.size(), 0u);
}

TEST(FileRecorder, RefusedDestinationsTouchNoFile) {
    TempDir dir;
    writeBytes(dir.native("existing.wav"), {1, 2, 3});
    std::filesystem::create_directory(dir.native("folder"));
    struct Case { std::string name; uint32_t channels, rate; const char* error; };
    std::vector<Case> cases = {
        {"existing.wav", 2, 48000, "Destination exists; choose a new file"},
        {"folder", 2, 48000, "Destination exists; choose a new file"},
        {"a.wav", 0, 48000, "Invalid recording format"},
        {"b.wav", 65, 48000, "Invalid recording format"},
        {"c.wav", 2, 7999, "Invalid recording format"},
        {"d.wav", 2, 384001, "Invalid recording format"},
    };
#ifndef _WIN32
    std::filesystem::create_symlink(dir.native("nowhere"), dir.native("dangling.wav"));
    cases.push_back({"dangling.wav", 2, 48000, "Destination exists; choose a new file"});
#endif
    FileRecorder recorder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(prepareError(recorder, dir.file(c.name), c.channels, c.rate), c.error);
        EXPECT_TRUE(recorder.finished.load());
        EXPECT_FALSE(recorder.writerThread.joinable());
    }
    EXPECT_EQ(readBytes(dir.native("existing.wav")), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_FALSE(std::filesystem::exists(dir.native("nowhere")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), static_cast<long>(cases.size() - 4));

    // The writer cannot create a file in a directory that is not there.
    EXPECT_EQ(prepareError(recorder, dir.file("gone/take.wav"), 2, 48000), "Cannot create recording file");
    EXPECT_TRUE(recorder.failed.load());
    EXPECT_TRUE(recorder.finished.load());
    EXPECT_FALSE(recorder.fileCreated.load());
    recorder.arm(0);
    EXPECT_FALSE(recorder.recording.load());
}

TEST(FileRecorder, RecordsFromArmPositionWithChannelMapping) {
    TempDir dir;
    FileRecorder recorder;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    float in0[4] = {1, 2, 3, 4}, in1[4] = {nan, inf, -inf, 0.5f}, in2[4] = {9, 9, 9, 9};

    recorder.arm(0); // no destination yet
    EXPECT_FALSE(recorder.recording.load());
    recorder.prepareDestination(dir.file("take.wav"), 2, 48000);
    const float* none[1] = {in0};
    recorder.capture(none, 1, 4, 0); // not recording: ignored
    recorder.arm(1002);
    EXPECT_TRUE(recorder.recording.load());
    const float* one[1] = {in0};
    recorder.capture(one, 1, 4, 1000); // frames 1002, 1003; second channel silent
    const float* three[3] = {in0, in1, in2};
    recorder.capture(three, 3, 4, 1004); // third input channel ignored, non-finite stored as 0
    const float* gap[2] = {nullptr, in0};
    recorder.capture(gap, 2, 1, 1008);
    EXPECT_FALSE(recorder.failed.load());
    recorder.stop();
    recorder.close();
    recorder.arm(2000); // a prepared file takes one recording
    EXPECT_FALSE(recorder.recording.load());

    expectConsistentFile(dir.native("take.wav"), 2, 48000);
    const AudioClip clip = readWavFile(dir.file("take.wav"), kPreloadLimitBytes);
    EXPECT_EQ(clip.samples, (std::vector<float>{3, 0, 4, 0, 1, 0, 2, 0, 3, 0, 4, 0.5f, 0, 1}));
    EXPECT_EQ(recorder.framesWritten.load(), 7u);
    EXPECT_EQ(recorder.droppedFrames.load(), 0u);
    EXPECT_EQ(prepareError(recorder, dir.file("take.wav"), 2, 48000), "Destination exists; choose a new file");
}

TEST(FileRecorder, RefusesNewDestinationWhileRecording) {
    TempDir dir;
    FileRecorder recorder;
    recorder.prepareDestination(dir.file("one.wav"), 1, 48000);
    recorder.arm(0);
    EXPECT_EQ(prepareError(recorder, dir.file("two.wav"), 1, 48000), "Stop recording before choosing destination");
    EXPECT_FALSE(std::filesystem::exists(dir.native("two.wav")));
    recorder.stop();
    recorder.prepareDestination(dir.file("two.wav"), 1, 48000); // finalizes one.wav first
    expectConsistentFile(dir.native("one.wav"), 1, 48000);
    EXPECT_TRUE(recorder.ready.load());
}

// Records a 2-channel tail and returns the number of frames that reached the file.
uint64_t tailFrames(float level, float spike, double silenceSeconds, double maxSeconds) {
    TempDir dir;
    FileRecorder recorder;
    recorder.prepareDestination(dir.file("tail.wav"), 2, 48000);
    recorder.arm(100);
    recorder.requestStop(200, silenceSeconds, maxSeconds, -80.0);
    std::vector<float> a(1000, level), b(1000, spike);
    const float* in[2] = {a.data(), b.data()};
    for (uint64_t pos = 0; recorder.recording.load() && pos < 10'000'000; pos += 1000) recorder.capture(in, 2, 1000, pos);
    recorder.close();
    EXPECT_FALSE(recorder.failed.load());
    return readWavFile(dir.file("tail.wav"), kPreloadLimitBytes).frameCount();
}

TEST(FileRecorder, TailEndsOnSilenceOrMaximum) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    // 100 frames before the tail, then the tail frames that were recorded.
    EXPECT_EQ(tailFrames(0.0f, 0.0f, 0.5, 30.0), 100u + 23999u);     // 24000th silent frame ends it
    EXPECT_EQ(tailFrames(0.0f, nan, 0.5, 30.0), 100u + 23999u);      // NaN does not count as loud
    EXPECT_EQ(tailFrames(0.00009f, 0.0f, 0.5, 30.0), 100u + 23999u); // below -80 dB is silence
    EXPECT_EQ(tailFrames(0.5f, 0.0f, 0.5, 0.01), 100u + 480u);       // loud: exactly maxTailFrames
    EXPECT_EQ(tailFrames(0.0f, inf, 0.5, 0.25), 100u + 12000u);      // infinity counts as loud
    EXPECT_EQ(tailFrames(0.0f, 0.0f, 0.0, 30.0), 100u + 479u);       // raised to 0.01 s
}

TEST(FileRecorder, RequestStopClampsSettings) {
    TempDir dir;
    FileRecorder recorder;
    recorder.prepareDestination(dir.file("t.wav"), 1, 48000);
    struct Case { double silence, maxTail, db; uint64_t silenceFrames, maxFrames; float threshold; };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const Case& c : {Case{0.0, 0.0, -200.0, 480, 480, 1e-6f}, Case{20.0, 4000.0, 0.0, 480000, 172800000, 0.501187234f},
                          Case{0.5, 30.0, -80.0, 24000, 1440000, 1e-4f}, Case{nan, nan, nan, 480, 480, 1e-6f}}) {
        recorder.requestStop(77, c.silence, c.maxTail, c.db);
        EXPECT_EQ(recorder.silenceFrames.load(), c.silenceFrames);
        EXPECT_EQ(recorder.maxTailFrames.load(), c.maxFrames);
        EXPECT_FLOAT_EQ(recorder.silenceThreshold.load(), c.threshold);
        EXPECT_EQ(recorder.tailStart.load(), 77u);
    }
    recorder.arm(0);
    EXPECT_EQ(recorder.tailStart.load(), FileRecorder::kNoPosition);
}

TEST(FileRecorder, FullRingDropsWholeFrames) {
    TempDir dir;
    FileRecorder recorder;
    recorder.prepareDestination(dir.file("full.wav"), 1, 48000);
    recorder.arm(0);
    // One call larger than the ring: free space is judged from the read index at the call's start.
    const uint32_t frames = static_cast<uint32_t>(FileRecorder::kRingSamples) + 100;
    std::vector<float> ramp(frames);
    for (uint32_t i = 0; i < frames; ++i) ramp[i] = static_cast<float>(i);
    const float* in[1] = {ramp.data()};
    recorder.capture(in, 1, frames, 0);
    EXPECT_EQ(recorder.droppedFrames.load(), 100u);
    recorder.stop();
    recorder.close();
    const AudioClip clip = readWavFile(dir.file("full.wav"), kPreloadLimitBytes);
    ASSERT_EQ(clip.frameCount(), FileRecorder::kRingSamples);
    EXPECT_TRUE(std::equal(clip.samples.begin(), clip.samples.end(), ramp.begin()));
}

TEST(FileRecorder, FramesStraddlingRingEndStayInOrder) {
    TempDir dir;
    FileRecorder recorder;
    recorder.prepareDestination(dir.file("three.wav"), 3, 96000);
    recorder.arm(0);
    const uint64_t frames = FileRecorder::kRingSamples; // three times around the ring, 1048576 % 3 != 0
    feedRamp(recorder, 3, 0, frames, 4096, 0);
    recorder.stop();
    recorder.close();
    EXPECT_EQ(recorder.droppedFrames.load(), 0u);
    const AudioClip clip = readWavFile(dir.file("three.wav"), kPreloadLimitBytes);
    EXPECT_EQ(clip.frameCount(), frames);
    EXPECT_TRUE(isRamp(clip, 0));
}

TEST(FileRecorder, SizeLimitFailsWithFinalizedFile) {
    TempDir dir;
    FileRecorder recorder;
    recorder.dataByteLimit = 4000; // 333 frames of 3 channels
    recorder.prepareDestination(dir.file("limit.wav"), 3, 48000);
    recorder.arm(0);
    feedRamp(recorder, 3, 0, 1000, 100, 0);
    recorder.close();
    EXPECT_TRUE(recorder.failed.load());
    EXPECT_FALSE(recorder.recording.load());
    expectConsistentFile(dir.native("limit.wav"), 3, 48000);
    const AudioClip clip = readWavFile(dir.file("limit.wav"), kPreloadLimitBytes);
    EXPECT_EQ(clip.samples.size(), 999u); // filled up to the limit
    EXPECT_EQ(clip.frameCount(), recorder.framesWritten.load());
    EXPECT_TRUE(isRamp(clip, 0));
}

#ifndef _WIN32
TEST(FileRecorder, WriteFailureFailsWithFinalizedFile) {
    TempDir dir;
    // A file-size limit that cuts a sample in half.
    struct rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 44 + 8 * 300 + 6;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    FileRecorder recorder;
    recorder.prepareDestination(dir.file("efbig.wav"), 2, 48000);
    recorder.arm(0);
    feedRamp(recorder, 2, 0, 5000, 64, 0);
    recorder.close();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(recorder.failed.load());
    EXPECT_TRUE(recorder.finished.load());
    expectConsistentFile(dir.native("efbig.wav"), 2, 48000);
    const AudioClip clip = readWavFile(dir.file("efbig.wav"), kPreloadLimitBytes);
    EXPECT_EQ(clip.frameCount(), 300u);
    EXPECT_EQ(recorder.framesWritten.load(), 300u);
    EXPECT_TRUE(isRamp(clip, 0));
}

TEST(FileRecorder, WriterThatCannotWriteHeaderFails) {
    TempDir dir;
    struct rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 10;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    FileRecorder recorder;
    const std::string error = prepareError(recorder, dir.file("noheader.wav"), 2, 48000);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(error, "Cannot create recording file");
    EXPECT_TRUE(recorder.failed.load());
    EXPECT_FALSE(recorder.fileCreated.load());
}
#endif

// A writer can become ready, take a short recording and finalize within one
// poll of prepareDestination; it must return rather than wait for ever.
TEST(FileRecorder, PrepareReturnsWhenWriterFinishesQuickly) {
    TempDir dir;
    for (int round = 0; round < 20; ++round) {
        FileRecorder recorder;
        std::thread stopper([&] {
            while (!recorder.ready.load()) std::this_thread::yield();
            recorder.stop();
        });
        auto prepared = std::async(std::launch::async, [&] {
            recorder.prepareDestination(dir.file("quick" + std::to_string(round) + ".wav"), 1, 48000);
        });
        ASSERT_EQ(prepared.wait_for(std::chrono::seconds(10)), std::future_status::ready) << "round " << round;
        prepared.get();
        stopper.join();
        recorder.close();
        EXPECT_FALSE(recorder.failed.load());
        expectConsistentFile(dir.native("quick" + std::to_string(round) + ".wav"), 1, 48000);
    }
}

} // namespace
} // namespace korvalest::plugins
