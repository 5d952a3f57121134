// Load throughput of a 256 MiB data chunk per encoding, against libsndfile
// reading the same file to float, with the peak memory of each load.
#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <stdexcept>
#include <vector>

#include <unistd.h>

#include "audiofile/wav_reader.h"
#include "bench_memory.h"

namespace korvalest::plugins::bench {
namespace {

constexpr uint64_t kDataBytes = 256ull << 20;

struct Encoding { const char* name; uint16_t tag, bits; };
constexpr Encoding kEncodings[] = {{"pcm16", 1, 16}, {"pcm24", 1, 24}, {"pcm32", 1, 32}, {"float32", 3, 32}};

std::filesystem::path tempDir() {
    static const std::filesystem::path dir = [] {
        auto d = std::filesystem::temp_directory_path() / ("korvalest-bench-load-" + std::to_string(::getpid()));
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}

void put(std::FILE* f, uint32_t v, int bytes) {
    for (int k = 0; k < bytes; ++k) std::fputc(static_cast<int>((v >> (8 * k)) & 0xFF), f);
}

// A stereo 48 kHz file whose data chunk is kDataBytes (rounded to whole frames) of noise.
std::filesystem::path makeFile(const Encoding& e) {
    static std::map<std::string, std::filesystem::path> made;
    if (auto it = made.find(e.name); it != made.end()) return it->second;
    const std::filesystem::path path = tempDir() / (std::string(e.name) + ".wav");
    const uint32_t channels = 2, align = channels * e.bits / 8;
    const uint64_t data = kDataBytes / align * align;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite("RIFF", 1, 4, f);
    put(f, static_cast<uint32_t>(data + 36), 4);
    std::fwrite("WAVEfmt ", 1, 8, f);
    put(f, 16, 4);
    put(f, e.tag, 2);
    put(f, channels, 2);
    put(f, 48000, 4);
    put(f, 48000 * align, 4);
    put(f, align, 2);
    put(f, e.bits, 2);
    std::fwrite("data", 1, 4, f);
    put(f, static_cast<uint32_t>(data), 4);
    std::vector<uint8_t> block(1 << 20);
    std::mt19937 random(1);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    for (uint64_t done = 0; done < data; done += block.size()) {
        if (e.tag == 3) {
            for (size_t k = 0; k < block.size(); k += 4) {
                const float v = unit(random);
                std::memcpy(&block[k], &v, 4);
            }
        } else {
            for (auto& b : block) b = static_cast<uint8_t>(random());
        }
        std::fwrite(block.data(), 1, std::min<uint64_t>(block.size(), data - done), f);
    }
    std::fclose(f);
    made[e.name] = path;
    return path;
}

template <typename Load>
void runLoad(benchmark::State& state, const Encoding& e, Load load) {
    const std::filesystem::path path = makeFile(e);
    const uint64_t dataBytes = std::filesystem::file_size(path) - 44;
    const uint64_t decodedBytes = dataBytes / (e.bits / 8) * 4;
    double peak = 0;
    for (auto _ : state) {
        resetPeakMemory();
        const uint64_t base = procStatusBytes("VmRSS");
        std::vector<float> samples = load(path);
        benchmark::DoNotOptimize(samples.data());
        peak = std::max(peak, static_cast<double>(procStatusBytes("VmHWM") - base));
        if (samples.size() * 4 != decodedBytes) state.SkipWithError("wrong sample count");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * dataBytes));
    state.counters["peak_MiB"] = peak / (1 << 20);
    state.counters["data_plus_decoded_MiB"] = static_cast<double>(dataBytes + decodedBytes) / (1 << 20);
}

void BM_ReadWavFile(benchmark::State& state, Encoding e) {
    runLoad(state, e, [](const std::filesystem::path& p) { return readWavFile(p.wstring(), kPreloadLimitBytes).samples; });
}

void BM_Libsndfile(benchmark::State& state, Encoding e) {
    runLoad(state, e, [](const std::filesystem::path& p) {
        SF_INFO info{};
        SNDFILE* file = sf_open(p.c_str(), SFM_READ, &info);
        if (file == nullptr) throw std::runtime_error("libsndfile cannot open the file");
        std::vector<float> samples(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels));
        sf_readf_float(file, samples.data(), info.frames);
        sf_close(file);
        return samples;
    });
}

} // namespace
} // namespace korvalest::plugins::bench

int main(int argc, char** argv) {
    using namespace korvalest::plugins::bench;
    for (const Encoding& e : kEncodings) {
        benchmark::RegisterBenchmark((std::string("ReadWavFile/") + e.name).c_str(), BM_ReadWavFile, e)
            ->Unit(benchmark::kMillisecond)->Iterations(4)->UseRealTime();
        benchmark::RegisterBenchmark((std::string("Libsndfile/") + e.name).c_str(), BM_Libsndfile, e)
            ->Unit(benchmark::kMillisecond)->Iterations(4)->UseRealTime();
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    std::filesystem::remove_all(tempDir(), ec);
    return 0;
}
