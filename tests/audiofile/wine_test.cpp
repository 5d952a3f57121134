// Windows build: a WAV loaded through a path with non-ASCII characters, and a
// short take recorded through the engines and read back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "audiofile/file_player.h"
#include "audiofile/file_recorder.h"
#include "audiofile/wav_reader.h"
#include "wav_builder.h"

namespace korvalest::plugins {
namespace {

struct WideTempDir {
    WideTempDir() {
        path = std::filesystem::temp_directory_path() / (L"korvalest-\u00e9\u00fc\u4e2d-" + std::to_wstring(GetTicks()));
        std::filesystem::create_directories(path);
    }
    ~WideTempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    static long long GetTicks() { return std::chrono::steady_clock::now().time_since_epoch().count(); }
    std::filesystem::path path;
};

TEST(WindowsEngines, LoadAndRecordThroughNonAsciiPath) {
    WideTempDir dir;
    const std::filesystem::path source = dir.path / L"\u00e9\u00fc\u4e2d.wav";
    const testing::Bytes wav = testing::simpleWav(1, 2, 44100, 16, testing::pcm16({0x4000, 0x8000, 0x2000, 0x7FFF}));
    {
        std::ofstream out(source, std::ios::binary);
        out.write(reinterpret_cast<const char*>(wav.data()), static_cast<std::streamsize>(wav.size()));
    }
    FilePlayer player;
    player.load(source.wstring());
    ASSERT_EQ(player.frameCount.load(), 2u);
    player.start(0, 0);
    float left[4], right[4];
    float* outs[2] = {left, right};
    player.render(outs, 2, 4, 44100.0, 0);
    EXPECT_EQ(left[0], 0.5f);
    EXPECT_EQ(right[0], -1.0f);
    EXPECT_EQ(left[1], 0.25f);
    EXPECT_FALSE(player.playing.load());

    const std::wstring take = (dir.path / L"take \u00fc\u4e2d.wav").wstring();
    FileRecorder recorder;
    recorder.prepareDestination(take, 2, 48000);
    recorder.arm(0);
    std::vector<float> a(480), b(480);
    for (int i = 0; i < 480; ++i) {
        a[i] = static_cast<float>(i) / 480.0f;
        b[i] = -a[i];
    }
    const float* in[2] = {a.data(), b.data()};
    for (uint64_t pos = 0; pos < 4800; pos += 480) recorder.capture(in, 2, 480, pos);
    recorder.requestStop(4800, 0.01, 0.01, -80.0);
    for (uint64_t pos = 4800; recorder.recording.load() && pos < 48000; pos += 480) recorder.capture(in, 2, 480, pos);
    recorder.stop();
    recorder.close();
    EXPECT_FALSE(recorder.failed.load());
    EXPECT_EQ(recorder.framesWritten.load(), 5280u); // 4800 frames and a 480-frame tail

    const AudioClip clip = readWavFile(take, kPreloadLimitBytes);
    ASSERT_EQ(clip.frameCount(), 5280u);
    EXPECT_EQ(clip.channels, 2u);
    EXPECT_EQ(clip.sampleRate, 48000u);
    for (size_t f = 0; f < 5280; ++f) {
        ASSERT_EQ(clip.samples[2 * f], a[f % 480]);
        ASSERT_EQ(clip.samples[2 * f + 1], b[f % 480]);
    }
    // The take is never overwritten.
    EXPECT_THROW(recorder.prepareDestination(take, 2, 48000), std::runtime_error);
}

} // namespace
} // namespace korvalest::plugins
