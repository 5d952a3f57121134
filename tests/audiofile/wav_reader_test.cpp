#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <stdexcept>

#include "audiofile/native_path.h"
#include "audiofile/wav_reader.h"
#include "temp_dir.h"
#include "wav_builder.h"

namespace korvalest::plugins {
namespace {

using namespace testing;

struct WavCase {
    const char* name;
    Bytes bytes;
    const char* error; // null: loads
    std::function<void(const AudioClip&)> check = nullptr;
    uint64_t limit = kPreloadLimitBytes;
};

Bytes pcm24(std::initializer_list<uint32_t> values) {
    Bytes b;
    for (uint32_t v : values) {
        b.push_back(static_cast<uint8_t>(v));
        b.push_back(static_cast<uint8_t>(v >> 8));
        b.push_back(static_cast<uint8_t>(v >> 16));
    }
    return b;
}
Bytes pcm32(std::initializer_list<uint32_t> values) {
    Bytes b;
    for (uint32_t v : values) put32(b, v);
    return b;
}

auto expectSamples(uint32_t channels, uint32_t rate, std::vector<float> samples) {
    return [=](const AudioClip& clip) {
        EXPECT_EQ(clip.channels, channels);
        EXPECT_EQ(clip.sampleRate, rate);
        ASSERT_EQ(clip.samples.size(), samples.size());
        for (size_t k = 0; k < samples.size(); ++k) EXPECT_EQ(clip.samples[k], samples[k]) << "sample " << k;
    };
}

std::vector<WavCase> cases() {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Bytes fmt16 = chunk("fmt ", fmtBody(1, 1, 48000, 16));
    const Bytes fmt16Stereo = chunk("fmt ", fmtBody(1, 2, 44100, 16));
    Bytes bigFmt(4098, 0);
    return {
        {"pcm16_stereo", simpleWav(1, 2, 44100, 16, pcm16({0x7FFF, 0x8000, 0, 0x4000})), nullptr,
         expectSamples(2, 44100, {0.999969482421875f, -1.0f, 0.0f, 0.5f})},
        {"pcm24", simpleWav(1, 1, 96000, 24, pcm24({0x7FFFFF, 0x800000, 0xFFFFFF})), nullptr,
         expectSamples(1, 96000, {8388607.0f / 8388608.0f, -1.0f, -1.0f / 8388608.0f})},
        {"pcm32", simpleWav(1, 1, 8000, 32, pcm32({0x7FFFFFFF, 0x80000000, 0x40000000})), nullptr,
         expectSamples(1, 8000, {1.0f, -1.0f, 0.5f})},
        {"float_nonfinite", simpleWav(3, 1, 384000, 32, floats({0.25f, nan, inf, -inf, -0.75f})), nullptr,
         expectSamples(1, 384000, {0.25f, 0.0f, 0.0f, 0.0f, -0.75f})},
        {"extensible_pcm", riff({chunk("fmt ", fmtExtensible(1, 1, 48000, 16)), chunk("data", pcm16({0x4000}))}),
         nullptr, expectSamples(1, 48000, {0.5f})},
        {"extensible_float", riff({chunk("fmt ", fmtExtensible(3, 2, 48000, 32)), chunk("data", floats({0.5f, -0.5f}))}),
         nullptr, expectSamples(2, 48000, {0.5f, -0.5f})},
        {"wrong_riff_size_and_stray_bytes",
         [&] {
             Bytes b = riff({fmt16, chunk("data", pcm16({0x4000}))}, 7);
             append(b, Bytes{1, 2, 3, 4, 5, 6, 7});
             return b;
         }(),
         nullptr, expectSamples(1, 48000, {0.5f})},
        {"odd_chunk_padded", riff({chunk("LIST", Bytes{1, 2, 3}), fmt16, chunk("data", pcm16({0x2000}))}), nullptr,
         expectSamples(1, 48000, {0.25f})},
        {"odd_last_chunk_unpadded", riff({fmt16, chunk("data", pcm16({0x2000})), chunk("junk", Bytes{9}, false)}), nullptr,
         expectSamples(1, 48000, {0.25f})},
        {"data_before_fmt_two_data", riff({chunk("data", pcm16({1, 2})), chunk("data", pcm16({0x4000})), fmt16}), nullptr,
         expectSamples(1, 48000, {0.5f})},
        {"later_fmt_wins", riff({chunk("fmt ", fmtBody(3, 1, 8000, 32)), fmt16Stereo, chunk("data", pcm16({0x4000, 0}))}),
         nullptr, expectSamples(2, 44100, {0.5f, 0.0f})},
        {"no_data", riff({fmt16}), nullptr, expectSamples(1, 48000, {})},
        {"short", Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0}, "Only RIFF WAV supported"},
        {"rifx", [] { Bytes b = simpleWav(1, 1, 48000, 16, pcm16({0})); b[3] = 'X'; return b; }(), "Only RIFF WAV supported"},
        {"not_wave", [] { Bytes b = simpleWav(1, 1, 48000, 16, pcm16({0})); b[8] = 'A'; return b; }(), "Only RIFF WAV supported"},
        {"truncated_data", riff({fmt16, chunk("data", pcm16({1, 2}), true, 6)}), "Truncated WAV chunk"},
        {"truncated_unknown", riff({chunk("junk", Bytes{1, 2}, true, 100), fmt16}), "Truncated WAV chunk"},
        {"fmt_too_small", riff({chunk("fmt ", Bytes(14, 0)), chunk("data", Bytes{})}), "Invalid WAV format"},
        {"fmt_too_large", riff({chunk("fmt ", bigFmt)}), "Invalid WAV format"},
        {"extensible_short", riff({chunk("fmt ", [] { Bytes b = fmtBody(0xFFFE, 1, 48000, 16); put16(b, 0); return b; }())}),
         "Invalid extensible WAV"},
        {"over_preload_limit", simpleWav(1, 1, 48000, 16, pcm16({1, 2, 3})), "WAV exceeds preload limit", nullptr, 4},
        {"decoded_over_limit", simpleWav(1, 1, 48000, 16, pcm16({1, 2, 3, 4})), "Decoded WAV exceeds preload limit", nullptr, 8},
        {"data_at_limit_float", simpleWav(3, 1, 48000, 32, floats({0.5f, 0.25f})), nullptr, expectSamples(1, 48000, {0.5f, 0.25f}), 8},
        {"pcm8", simpleWav(1, 1, 48000, 8, Bytes{1, 2}), "Unsupported WAV encoding/layout"},
        {"float64", simpleWav(3, 1, 48000, 64, Bytes(8, 0)), "Unsupported WAV encoding/layout"},
        {"alaw", simpleWav(6, 1, 48000, 8, Bytes{1}), "Unsupported WAV encoding/layout"},
        {"mulaw", simpleWav(7, 1, 48000, 8, Bytes{1}), "Unsupported WAV encoding/layout"},
        {"pcm20", simpleWav(1, 1, 48000, 20, Bytes(3, 0)), "Unsupported WAV encoding/layout"},
        {"block_align_zero", riff({chunk("fmt ", fmtBody(1, 1, 48000, 16, 0)), chunk("data", pcm16({0}))}),
         "Unsupported WAV encoding/layout"},
        {"block_align_mismatch", riff({chunk("fmt ", fmtBody(1, 2, 48000, 16, 2)), chunk("data", pcm16({0}))}),
         "Unsupported WAV encoding/layout"},
        {"channels_65", simpleWav(1, 65, 48000, 16, Bytes{}), "Unsupported WAV encoding/layout"},
        {"channels_0", simpleWav(1, 0, 48000, 16, Bytes{}), "Unsupported WAV encoding/layout"},
        {"rate_7999", simpleWav(1, 1, 7999, 16, pcm16({0})), "Unsupported WAV encoding/layout"},
        {"rate_384001", simpleWav(1, 1, 384001, 16, pcm16({0})), "Unsupported WAV encoding/layout"},
        {"no_fmt", riff({chunk("data", pcm16({0}))}), "Unsupported WAV encoding/layout"},
        {"partial_frame", simpleWav(1, 2, 48000, 16, pcm16({0, 1, 2})), "Unsupported WAV encoding/layout"},
    };
}

std::string loadError(const std::function<AudioClip()>& load, AudioClip& out) {
    try {
        out = load();
        return {};
    } catch (const std::runtime_error& e) {
        return e.what();
    }
}

// Every case runs through the real file path and the in-memory entry the fuzzer uses.
TEST(WavReader, CasesFromFileAndMemory) {
    TempDir dir;
    const char* corpus = std::getenv("KORVALEST_WAV_CORPUS"); // regenerates fuzz seeds
    for (const WavCase& c : cases()) {
        SCOPED_TRACE(c.name);
        writeBytes(dir.native(std::string(c.name) + ".wav"), c.bytes);
        if (corpus != nullptr) writeBytes(std::filesystem::path(corpus) / (std::string(c.name) + ".wav"), c.bytes);
        AudioClip fromFile, fromMemory;
        const std::string fileError = loadError([&] { return readWavFile(dir.file(std::string(c.name) + ".wav"), c.limit); }, fromFile);
        const std::string memoryError = loadError([&] { return readWavMemory(c.bytes.data(), c.bytes.size(), c.limit); }, fromMemory);
        EXPECT_EQ(fileError, c.error ? c.error : "");
        EXPECT_EQ(memoryError, fileError);
        if (!c.error && c.check) {
            c.check(fromFile);
            c.check(fromMemory);
        }
    }
}

TEST(WavReader, MissingFileCannotBeOpened) {
    TempDir dir;
    try {
        readWavFile(dir.file("absent.wav"), kPreloadLimitBytes);
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Cannot open WAV file");
    }
}

TEST(WavReader, LongerFileConvertsEveryChunkOfSamples) {
    // More samples than one conversion chunk, so the in-place conversion crosses chunk edges.
    for (uint16_t bits : {16, 24, 32}) {
        SCOPED_TRACE(bits);
        const size_t count = 10007;
        Bytes data;
        for (size_t k = 0; k < count; ++k) {
            const int32_t v = static_cast<int32_t>(k * 37 % 65536) - 32768;
            const uint32_t scaled = static_cast<uint32_t>(v) << (bits - 16);
            for (int b = 0; b < bits / 8; ++b) data.push_back(static_cast<uint8_t>(scaled >> (8 * b)));
        }
        const Bytes wav = simpleWav(1, 1, 48000, bits, data);
        const AudioClip decoded = readWavMemory(wav.data(), wav.size(), kPreloadLimitBytes);
        ASSERT_EQ(decoded.samples.size(), count);
        for (size_t k = 0; k < count; ++k) {
            const int32_t v = static_cast<int32_t>(k * 37 % 65536) - 32768;
            ASSERT_EQ(decoded.samples[k], static_cast<float>(v) / 32768.0f) << k;
        }
    }
}

#ifndef _WIN32
TEST(NativePath, EncodesWideCharactersAsUtf8) {
    EXPECT_EQ(nativePath(L"a/\u00e9\u00fc\u4e2d\U0001F3B5.wav").native(),
              "a/\xC3\xA9\xC3\xBC\xE4\xB8\xAD\xF0\x9F\x8E\xB5.wav");
    const std::wstring lone{L'x', static_cast<wchar_t>(0xD800)};
    EXPECT_EQ(nativePath(lone).native(), "x\xEF\xBF\xBD");
}

TEST(WavReader, ReadsThroughNonAsciiPath) {
    TempDir dir;
    const std::wstring folder = dir.path().wstring() + L"/\u00e9\u00fc\u4e2d";
    std::filesystem::create_directory(nativePath(folder));
    const std::wstring file = folder + L"/\u00e9.wav";
    writeBytes(nativePath(file), simpleWav(1, 1, 48000, 16, pcm16({0x4000})));
    EXPECT_EQ(readWavFile(file, kPreloadLimitBytes).samples, std::vector<float>{0.5f});
}
#endif

} // namespace
} // namespace korvalest::plugins
