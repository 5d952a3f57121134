#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "audiofile/file_player.h"
#include "temp_dir.h"
#include "wav_builder.h"

namespace korvalest::plugins {
namespace {

AudioClip makeClip(uint32_t channels, uint32_t rate, uint64_t frames) {
    AudioClip clip;
    clip.channels = channels;
    clip.sampleRate = rate;
    for (uint64_t f = 0; f < frames; ++f)
        for (uint32_t c = 0; c < channels; ++c) clip.samples.push_back(static_cast<float>(f + 1) + 0.1f * c);
    return clip;
}

// Output channels with a sentinel after the frames to catch overruns.
struct Outputs {
    Outputs(uint32_t channels, uint32_t frames) : frames(frames), data(channels, std::vector<float>(frames + 1, 7.0f)) {
        for (auto& d : data) pointers.push_back(d.data());
    }
    uint32_t frames;
    std::vector<std::vector<float>> data;
    std::vector<float*> pointers;
    float at(uint32_t c, uint32_t i) const { return data[c][i]; }
};

TEST(FilePlayer, InitialStateHoldsEmptyClip) {
    FilePlayer player;
    ASSERT_NE(player.activeClip, nullptr);
    EXPECT_EQ(player.publishedClip.load(), player.activeClip);
    EXPECT_EQ(player.activeClip->channels, 0u);
    EXPECT_EQ(player.frameCount.load(), 0u);
    EXPECT_FALSE(player.playing.load());
    EXPECT_EQ(player.endPosition.load(), FilePlayer::kNoPosition);
}

TEST(FilePlayer, PlaysExactlyFromAnchorAndEndsAfterLastFrame) {
    FilePlayer player;
    player.publishClip(makeClip(1, 48000, 5));
    player.start(100, 0);
    EXPECT_TRUE(player.playing.load());
    Outputs out(1, 10);
    player.render(out.pointers.data(), 1, 10, 48000.0, 98);
    const float expected[10] = {0, 0, 1, 2, 3, 4, 5, 0, 0, 0};
    for (uint32_t i = 0; i < 10; ++i) EXPECT_EQ(out.at(0, i), expected[i]) << i;
    EXPECT_EQ(out.at(0, 10), 7.0f);
    EXPECT_FALSE(player.playing.load());
    EXPECT_EQ(player.endPosition.load(), 105u);
}

TEST(FilePlayer, InterpolatesAtRateRatioAndHoldsLastFrame) {
    FilePlayer player;
    player.publishClip(makeClip(1, 48000, 3)); // samples 1, 2, 3
    player.start(0, 0);
    Outputs out(1, 8);
    player.render(out.pointers.data(), 1, 8, 96000.0, 0);
    const float expected[8] = {1, 1.5f, 2, 2.5f, 3, 3, 0, 0};
    for (uint32_t i = 0; i < 8; ++i) EXPECT_FLOAT_EQ(out.at(0, i), expected[i]) << i;
    EXPECT_EQ(player.endPosition.load(), 6u);
}

TEST(FilePlayer, MapsChannelsAndSkipsNullOutputs) {
    struct Case { uint32_t clipChannels, outChannels; std::vector<float> firstFrame; };
    for (const Case& c : {Case{1, 2, {1.0f, 1.0f}}, Case{4, 2, {1.0f, 1.1f}}, Case{2, 1, {1.0f}}, Case{2, 3, {1.0f, 1.1f, 1.1f}}}) {
        SCOPED_TRACE(::testing::Message() << c.clipChannels << " on " << c.outChannels);
        FilePlayer player;
        player.publishClip(makeClip(c.clipChannels, 44100, 4));
        player.start(0, 0);
        Outputs out(c.outChannels, 2);
        player.render(out.pointers.data(), c.outChannels, 2, 44100.0, 0);
        for (uint32_t ch = 0; ch < c.outChannels; ++ch) EXPECT_FLOAT_EQ(out.at(ch, 0), c.firstFrame[ch]);
    }
    FilePlayer player;
    player.publishClip(makeClip(2, 44100, 4));
    player.start(0, 0);
    Outputs out(2, 2);
    float* withGap[3] = {out.pointers[0], nullptr, out.pointers[1]};
    player.render(withGap, 3, 2, 44100.0, 0);
    EXPECT_FLOAT_EQ(out.at(1, 1), 2.1f);
}

TEST(FilePlayer, SilenceWhenStoppedOrRateUnusable) {
    FilePlayer player;
    player.publishClip(makeClip(1, 48000, 100));
    Outputs out(2, 4);
    player.render(out.pointers.data(), 2, 4, 48000.0, 0); // not started
    for (uint32_t c = 0; c < 2; ++c) {
        for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(out.at(c, i), 0.0f);
        EXPECT_EQ(out.at(c, 4), 7.0f);
    }
    player.start(0, 0);
    for (double rate : {0.0, -48000.0, std::numeric_limits<double>::quiet_NaN()}) {
        Outputs o(1, 4);
        player.render(o.pointers.data(), 1, 4, rate, 0);
        EXPECT_EQ(o.at(0, 0), 0.0f);
        EXPECT_TRUE(player.playing.load());
    }
    // An absurdly small host rate runs past the clip at once instead of casting a huge position.
    Outputs o(1, 4);
    player.render(o.pointers.data(), 1, 4, 1e-300, 0);
    EXPECT_EQ(o.at(0, 0), 1.0f);
    EXPECT_FALSE(player.playing.load());
    EXPECT_EQ(player.endPosition.load(), 1u);
    player.start(0, 0);
    player.stop();
    EXPECT_FALSE(player.playing.load());
}

TEST(FilePlayer, StartAtClipFrameAndZeroFrameClip) {
    FilePlayer player;
    player.publishClip(makeClip(1, 48000, 10));
    player.start(50, 4);
    Outputs out(1, 1);
    player.render(out.pointers.data(), 1, 1, 48000.0, 50);
    EXPECT_EQ(out.at(0, 0), 5.0f);
    player.start(60, 10); // at or past the end: ended at once
    EXPECT_FALSE(player.playing.load());
    EXPECT_EQ(player.startFrame.load(), 10u);
    EXPECT_EQ(player.endPosition.load(), 60u);

    player.publishClip(makeClip(2, 48000, 0));
    player.start(70, 0);
    EXPECT_FALSE(player.playing.load());
    EXPECT_EQ(player.endPosition.load(), 70u);
}

TEST(FilePlayer, PublishHandsOverAndRefusesBadClips) {
    FilePlayer player;
    player.publishClip(makeClip(1, 48000, 10));
    player.start(0, 0);
    player.publishClip(makeClip(2, 48000, 3)); // replaces the first before any render: freed at once
    EXPECT_FALSE(player.playing.load());
    EXPECT_EQ(player.frameCount.load(), 3u);
    AudioClip* published = player.publishedClip.load();
    EXPECT_EQ(player.pendingClip.load(), published);
    player.start(0, 0);
    Outputs out(2, 1);
    player.render(out.pointers.data(), 2, 1, 48000.0, 0);
    EXPECT_EQ(player.activeClip, published);
    EXPECT_EQ(player.pendingClip.load(), nullptr);
    EXPECT_FLOAT_EQ(out.at(1, 0), 1.1f);
    EXPECT_EQ(player.retireWriteIndex.load(), 1u);
    player.reclaimRetired();
    EXPECT_EQ(player.retireReadIndex.load(), 1u);
    EXPECT_EQ(player.retiredClips[0], nullptr);

    AudioClip noChannels = makeClip(1, 48000, 2);
    noChannels.channels = 0;
    AudioClip noRate = makeClip(1, 48000, 2);
    noRate.sampleRate = 0;
    AudioClip partial = makeClip(2, 48000, 2);
    partial.samples.pop_back();
    for (AudioClip* bad : {&noChannels, &noRate, &partial}) {
        try {
            player.publishClip(std::move(*bad));
            FAIL();
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "Invalid audio data");
        }
        EXPECT_EQ(player.publishedClip.load(), published);
        EXPECT_EQ(player.frameCount.load(), 3u);
    }
}

TEST(FilePlayer, FailedLoadLeavesPlayerAsItWas) {
    testing::TempDir dir;
    testing::writeBytes(dir.native("good.wav"), testing::simpleWav(1, 1, 48000, 16, testing::pcm16({0x4000, 0})));
    testing::writeBytes(dir.native("bad.wav"), testing::simpleWav(1, 1, 48000, 8, testing::Bytes{1}));
    FilePlayer player;
    player.load(dir.file("good.wav"));
    ASSERT_EQ(player.frameCount.load(), 2u);
    const AudioClip* published = player.publishedClip.load();
    player.start(0, 0);
    const bool wasPlaying = player.playing.load();
    const uint64_t frames = player.frameCount.load();
    for (const char* name : {"bad.wav", "missing.wav"}) {
        EXPECT_THROW(player.load(dir.file(name)), std::runtime_error);
        EXPECT_EQ(player.publishedClip.load(), published);
        EXPECT_EQ(player.playing.load(), wasPlaying);
        EXPECT_EQ(player.frameCount.load(), frames);
    }
}

} // namespace
} // namespace korvalest::plugins
