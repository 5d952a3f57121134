#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

namespace korvalest::plugins {

// Records input into a new 32-bit float WAV file: the audio thread copies
// frames into a lock-free ring, a writer thread drains it to disk.
struct FileRecorder {
    static constexpr uint64_t kRingSamples = 1048576;
    static constexpr uint64_t kRingMask = kRingSamples - 1;
    static constexpr uint64_t kNoPosition = ~uint64_t{0};
    // Keeps the RIFF size (data bytes + 36) within 32 bits.
    static constexpr uint64_t kMaxDataBytes = 4294967259u;

    std::unique_ptr<float[]> ring;
    std::thread writerThread;
    std::atomic<uint64_t> readIndex{0};
    std::atomic<uint64_t> writeIndex{0};
    std::atomic<uint64_t> framesWritten{0};
    std::atomic<uint64_t> droppedFrames{0};
    std::atomic<uint64_t> armPosition{0};
    std::atomic<uint64_t> tailStart{kNoPosition};
    std::atomic<bool> ready{false};
    std::atomic<bool> recording{false};
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> finished{true};
    std::atomic<bool> failed{false};
    std::atomic<bool> inCapture{false};
    std::atomic<bool> fileCreated{false};
    // Atomic because requestStop reads them on the audio thread while a
    // prepareDestination on another thread may be setting them.
    std::atomic<uint32_t> channels{0};
    std::atomic<uint32_t> sampleRate{0};
    uint64_t silentRun = 0;
    std::atomic<uint64_t> silenceFrames{24000};
    std::atomic<uint64_t> maxTailFrames{1440000};
    std::atomic<float> silenceThreshold{0.0001f};
    // Largest data chunk a take may reach; lowered only by tests.
    uint64_t dataByteLimit = kMaxDataBytes;

    FileRecorder();
    ~FileRecorder();
    FileRecorder(const FileRecorder&) = delete;
    FileRecorder& operator=(const FileRecorder&) = delete;

    // User-interface thread; blocks until the file exists or fails.
    void prepareDestination(const std::wstring& path, uint32_t channels, uint32_t sampleRate);
    // Any thread; ends the recording at once.
    void stop();
    // User-interface thread; finalizes and joins the writer.
    void close();

    // Audio thread.
    void arm(uint64_t hostPosition);
    void requestStop(uint64_t hostPosition, double tailSilenceSeconds, double maxTailSeconds, double thresholdDb);
    void capture(const float* const* inputs, uint32_t channelCount, uint32_t frames, uint64_t hostPosition);

    // Writer thread body.
    void writerLoop(const std::wstring& path);
};

// Writes the 44-byte header of a float WAV at offset 0; false on a stream error.
bool writeWavHeader(std::FILE* stream, uint32_t channels, uint32_t sampleRate, uint32_t dataBytes);

} // namespace korvalest::plugins
