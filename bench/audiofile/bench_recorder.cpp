// Sustained recorder throughput: a 20-second take of 64 channels at 384 kHz,
// captured as fast as the ring takes it until the file is finalized, beside
// the disk's own sequential write speed for the same byte count.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <vector>

#include "audiofile/file_recorder.h"

namespace korvalest::plugins::bench {
namespace {

constexpr uint32_t kChannels = 64;
constexpr uint32_t kRate = 384000;
constexpr double kSeconds = 20.0;
constexpr uint64_t kFrames = static_cast<uint64_t>(kRate * kSeconds);
constexpr uint64_t kBytes = kFrames * kChannels * 4;

std::filesystem::path tempFile(const char* name) {
    return std::filesystem::temp_directory_path() /
           ("korvalest-bench-" + std::to_string(::getpid()) + "-" + name + ".wav");
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Both measurements end with the data on the device (fsync): the page cache
// alone would make either figure mostly a memory-speed measurement.
void syncFile(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The same byte count written by plain 4 MiB fwrite calls, as the recorder's writer does.
void BM_DiskSequentialWrite(benchmark::State& state) {
    const std::filesystem::path path = tempFile("disk");
    std::vector<float> block(1 << 20, 0.25f);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        std::FILE* f = std::fopen(path.c_str(), "wb");
        for (uint64_t done = 0; done < kBytes; done += block.size() * 4)
            std::fwrite(block.data(), 1, std::min<uint64_t>(block.size() * 4, kBytes - done), f);
        std::fclose(f);
        syncFile(path);
        const double elapsed = secondsSince(start);
        state.SetIterationTime(elapsed);
        state.counters["MB_per_s"] = kBytes / elapsed / 1e6;
        state.counters["x_realtime_64ch_384k"] = kSeconds / elapsed;
        std::filesystem::remove(path);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBytes));
}

void BM_RecorderTake(benchmark::State& state) {
    const std::filesystem::path path = tempFile("take");
    constexpr uint32_t kBlock = 512;
    std::vector<std::vector<float>> buffers(kChannels, std::vector<float>(kBlock));
    for (uint32_t c = 0; c < kChannels; ++c)
        for (uint32_t i = 0; i < kBlock; ++i) buffers[c][i] = 0.001f * static_cast<float>(i) - 0.1f * c / kChannels;
    std::vector<const float*> inputs;
    for (auto& b : buffers) inputs.push_back(b.data());
    for (auto _ : state) {
        FileRecorder recorder;
        recorder.prepareDestination(path.wstring(), kChannels, kRate);
        const auto start = std::chrono::steady_clock::now();
        recorder.arm(0);
        for (uint64_t pos = 0; pos < kFrames; pos += kBlock) {
            while (recorder.writeIndex.load() - recorder.readIndex.load() + kBlock * kChannels > FileRecorder::kRingSamples)
                std::this_thread::sleep_for(std::chrono::microseconds(200)); // a paced feeder, not a spinning one
            recorder.capture(inputs.data(), kChannels, kBlock, pos);
        }
        recorder.stop();
        recorder.close();
        syncFile(path);
        const double elapsed = secondsSince(start);
        state.SetIterationTime(elapsed);
        state.counters["MB_per_s"] = kBytes / elapsed / 1e6;
        state.counters["x_realtime"] = kSeconds / elapsed;
        state.counters["dropped_frames"] = static_cast<double>(recorder.droppedFrames.load());
        state.counters["frames_written"] = static_cast<double>(recorder.framesWritten.load());
        if (recorder.failed.load() || recorder.framesWritten.load() != kFrames) state.SkipWithError("take incomplete");
        std::filesystem::remove(path);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBytes));
}

BENCHMARK(BM_DiskSequentialWrite)->Unit(benchmark::kMillisecond)->Iterations(1)->UseManualTime();
BENCHMARK(BM_RecorderTake)->Unit(benchmark::kMillisecond)->Iterations(1)->UseManualTime();
BENCHMARK(BM_DiskSequentialWrite)->Unit(benchmark::kMillisecond)->Iterations(1)->UseManualTime();
BENCHMARK(BM_RecorderTake)->Unit(benchmark::kMillisecond)->Iterations(1)->UseManualTime();

} // namespace
} // namespace korvalest::plugins::bench

BENCHMARK_MAIN();
