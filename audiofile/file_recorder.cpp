#include "audiofile/file_recorder.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "audiofile/native_path.h"

namespace korvalest::plugins {
namespace {

void put16(uint8_t*& p, uint32_t v) {
    *p++ = static_cast<uint8_t>(v);
    *p++ = static_cast<uint8_t>(v >> 8);
}
void put32(uint8_t*& p, uint32_t v) {
    for (int k = 0; k < 4; ++k) *p++ = static_cast<uint8_t>(v >> (8 * k));
}
void putTag(uint8_t*& p, const char* tag) {
    for (int k = 0; k < 4; ++k) *p++ = static_cast<uint8_t>(tag[k]);
}

// NaN counts as the lowest setting, so a broken value cannot make a tail endless.
double clampSetting(double value, double low, double high) { return std::isnan(value) ? low : std::clamp(value, low, high); }

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

} // namespace

bool writeWavHeader(std::FILE* stream, uint32_t channels, uint32_t sampleRate, uint32_t dataBytes) {
    uint8_t header[44];
    uint8_t* p = header;
    putTag(p, "RIFF");
    put32(p, dataBytes + 36);
    putTag(p, "WAVE");
    putTag(p, "fmt ");
    put32(p, 16);
    put16(p, 3);
    put16(p, channels);
    put32(p, sampleRate);
    put32(p, channels * sampleRate * 4);
    put16(p, channels * 4);
    put16(p, 32);
    putTag(p, "data");
    put32(p, dataBytes);
    if (std::fseek(stream, 0, SEEK_SET) != 0) return false;
    return std::fwrite(header, 1, sizeof header, stream) == sizeof header && !std::ferror(stream);
}

FileRecorder::FileRecorder() : ring(new float[kRingSamples]()) {}

FileRecorder::~FileRecorder() {
    recording.exchange(false);
    stopRequested.exchange(true);
    close();
}

void FileRecorder::prepareDestination(const std::wstring& path, uint32_t channelCount, uint32_t rate) {
    if (recording.load()) throw std::runtime_error("Stop recording before choosing destination");
    close();
    if (channelCount < 1 || channelCount > 64 || rate < 8000 || rate > 384000)
        throw std::runtime_error("Invalid recording format");

    // Any entry counts, a dangling link too.
    const std::filesystem::path native = nativePath(path);
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::symlink_status(native, ec);
    if (status.type() != std::filesystem::file_type::not_found) {
        if (ec || status.type() == std::filesystem::file_type::none)
            throw std::filesystem::filesystem_error("exists", native, ec);
        throw std::runtime_error("Destination exists; choose a new file");
    }

    channels.exchange(channelCount);
    sampleRate.exchange(rate);
    readIndex.exchange(0);
    writeIndex.exchange(0);
    framesWritten.exchange(0);
    droppedFrames.exchange(0);
    silentRun = 0;
    tailStart.exchange(kNoPosition);
    failed.exchange(false);
    stopRequested.exchange(false);
    finished.exchange(false);
    ready.exchange(false);

    try {
        writerThread = std::thread([this, copy = path] { writerLoop(copy); });
    } catch (...) {
        finished.exchange(true); // back to idle: no writer runs
        throw;
    }

    // A writer may create, record and finalize a short take within one of our
    // sleeps, so finishing counts as an answer too.
    while (!ready.load() && !failed.load() && !finished.load()) sleepMs(1);
    if (failed.load()) throw std::runtime_error("Cannot create recording file");
}

void FileRecorder::stop() {
    recording.exchange(false);
    stopRequested.exchange(true);
}

void FileRecorder::close() {
    if (!writerThread.joinable()) return;
    recording.exchange(false);
    stopRequested.exchange(true);
    writerThread.join();
}

void FileRecorder::writerLoop(const std::wstring& path) {
    std::FILE* file = createExclusiveFile(path);
    if (file == nullptr) {
        failed.exchange(true);
        finished.exchange(true);
        return;
    }
    const uint32_t ch = channels.load();
    const uint32_t rate = sampleRate.load();
    if (!writeWavHeader(file, ch, rate, 0)) {
        std::fclose(file);
        failed.exchange(true);
        finished.exchange(true);
        return;
    }
    fileCreated.exchange(true);
    ready.exchange(true);

    const uint64_t limit = std::min(dataByteLimit, kMaxDataBytes) / (4u * ch) * ch;
    uint64_t written = 0;
    bool forced = false;
    const float* data = ring.get();

    for (;;) {
        uint64_t r = readIndex.load(std::memory_order_relaxed);
        uint64_t w = writeIndex.load(std::memory_order_acquire);
        if (r == w) {
            if (stopRequested.load() && !inCapture.load()) {
                r = readIndex.load(std::memory_order_relaxed);
                w = writeIndex.load(std::memory_order_acquire);
                if (r == w) break;
            }
            sleepMs(2);
            continue;
        }
        const uint64_t waiting = w - r;
        const uint64_t run = kRingSamples - (r & kRingMask);
        uint64_t n = std::min(run, waiting);
        n -= n % ch;
        const bool wraps = n == 0; // less than one frame before the ring's end
        if (wraps) n = std::min<uint64_t>(waiting, ch);
        if (written + n > limit) {
            // Fill the file up to the limit (a whole number of frames), then end.
            n = limit - written;
            forced = true;
        }
        if (wraps) {
            for (uint64_t k = 0; k < n; ++k) written += std::fwrite(data + ((r + k) & kRingMask), sizeof(float), 1, file);
        } else if (n != 0) {
            written += std::fwrite(data + (r & kRingMask), sizeof(float), n, file);
        }
        readIndex.store(r + n, std::memory_order_release);
        framesWritten.exchange(written / ch);
        if (std::ferror(file)) forced = true;
        if (forced) break;
    }

    bool ok = true;
    if (forced) {
        failed.exchange(true);
        recording.exchange(false);
        stopRequested.exchange(true);
        // After a failed write the file may end in a partial frame, or hold
        // less than fwrite counted: keep the whole frames actually on disk so
        // the header matches them.
        std::clearerr(file);
        const int64_t size = streamFileSize(file);
        const uint64_t onDisk = size > 44 ? static_cast<uint64_t>(size - 44) / 4 : 0;
        written = std::min(written, onDisk);
        written -= written % ch;
        if (!truncateStreamFile(file, 44 + written * 4)) ok = false;
        framesWritten.exchange(written / ch);
    }
    if (!writeWavHeader(file, ch, rate, static_cast<uint32_t>(written * 4))) ok = false;
    if (std::fflush(file) != 0 || std::ferror(file)) ok = false;
    if (std::fclose(file) != 0) ok = false;
    if (!ok) failed.exchange(true);
    ready.exchange(false);
    finished.exchange(true);
}

void FileRecorder::arm(uint64_t hostPosition) {
    if (!ready.load() || stopRequested.load() || failed.load()) return;
    armPosition.exchange(hostPosition);
    tailStart.exchange(kNoPosition);
    silentRun = 0;
    recording.exchange(true);
    // A stop from another thread between the test above and here must win,
    // or capture would feed a writer that is finalizing.
    if (stopRequested.load()) recording.exchange(false);
}

void FileRecorder::requestStop(uint64_t hostPosition, double tailSilenceSeconds, double maxTailSeconds,
                               double thresholdDb) {
    const double rate = static_cast<double>(sampleRate.load());
    silenceFrames.exchange(static_cast<uint64_t>(rate * clampSetting(tailSilenceSeconds, 0.01, 10.0)));
    maxTailFrames.exchange(static_cast<uint64_t>(rate * clampSetting(maxTailSeconds, 0.01, 3600.0)));
    const double db = clampSetting(thresholdDb, -120.0, -6.0);
    silenceThreshold.exchange(static_cast<float>(std::pow(10.0, db / 20.0)));
    tailStart.exchange(hostPosition);
}

void FileRecorder::capture(const float* const* inputs, uint32_t channelCount, uint32_t frames, uint64_t hostPosition) {
    inCapture.exchange(true);
    if (recording.load()) {
        uint64_t w = writeIndex.load(std::memory_order_relaxed);
        const uint64_t r = readIndex.load(std::memory_order_acquire);
        const uint64_t from = armPosition.load();
        const uint64_t tail = tailStart.load();
        const uint32_t ch = channels.load();
        const uint64_t silence = silenceFrames.load();
        const uint64_t maxTail = maxTailFrames.load();
        const float threshold = silenceThreshold.load();
        float* data = ring.get();
        bool ended = false;

        for (uint32_t i = 0; i < frames; ++i) {
            const uint64_t p = hostPosition + i;
            if (p < from) continue;
            if (p >= tail) {
                float peak = 0.0f;
                for (uint32_t c = 0; c < ch && c < channelCount; ++c) {
                    if (inputs[c] == nullptr) continue;
                    const float a = std::fabs(inputs[c][i]);
                    if (a > peak) peak = a; // NaN never compares greater
                }
                silentRun = peak <= threshold ? silentRun + 1 : 0;
                if (silentRun >= silence || p - tail >= maxTail) {
                    recording.exchange(false);
                    ended = true;
                    break;
                }
            }
            if ((w - r) + ch > kRingSamples) {
                droppedFrames.fetch_add(1);
                continue;
            }
            for (uint32_t c = 0; c < ch; ++c) {
                float x = (c < channelCount && inputs[c] != nullptr) ? inputs[c][i] : 0.0f;
                if (!std::isfinite(x)) x = 0.0f;
                data[w & kRingMask] = x;
                ++w;
            }
        }
        writeIndex.store(w, std::memory_order_release);
        if (ended) stopRequested.exchange(true);
    }
    inCapture.exchange(false);
}

} // namespace korvalest::plugins
