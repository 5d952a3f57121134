#include "audiofile/wav_reader.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "audiofile/native_path.h"

namespace korvalest::plugins {
namespace {

uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

[[noreturn]] void fail(const char* message) { throw std::runtime_error(message); }

class FileSource final : public WavSource {
public:
    explicit FileSource(const std::wstring& path) : path_(nativePath(path)), stream_(path_, std::ios::binary) {}
    bool isOpen() const { return stream_.is_open(); }
    bool readAt(uint64_t offset, void* destination, size_t n) override {
        stream_.clear();
        stream_.seekg(static_cast<std::streamoff>(offset));
        if (!stream_) return false;
        stream_.read(static_cast<char*>(destination), static_cast<std::streamsize>(n));
        return static_cast<size_t>(stream_.gcount()) == n;
    }
    uint64_t size() override { return std::filesystem::file_size(path_); }

private:
    std::filesystem::path path_;
    std::ifstream stream_;
};

class MemorySource final : public WavSource {
public:
    MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool readAt(uint64_t offset, void* destination, size_t n) override {
        if (offset > size_ || n > size_ - offset) return false;
        if (n != 0) std::memcpy(destination, data_ + offset, n);
        return true;
    }
    uint64_t size() override { return size_; }

private:
    const uint8_t* data_;
    size_t size_;
};

// Converts count samples whose raw bytes start at byte offset rawOffset of the
// same float array, front to back. The raw data sits at the end of the array,
// so a chunk is copied out before the floats it becomes overwrite it.
void convertInPlace(float* out, size_t count, size_t rawOffset, uint16_t formatTag, uint16_t bits) {
    constexpr size_t kChunk = 4096;
    uint8_t raw[kChunk * 4];
    const size_t width = bits / 8;
    const uint8_t* base = reinterpret_cast<const uint8_t*>(out) + rawOffset;
    for (size_t k0 = 0; k0 < count; k0 += kChunk) {
        const size_t n = count - k0 < kChunk ? count - k0 : kChunk;
        std::memcpy(raw, base + k0 * width, n * width);
        float* o = out + k0;
        if (formatTag == 3) {
            for (size_t k = 0; k < n; ++k) {
                float v;
                std::memcpy(&v, raw + 4 * k, 4);
                o[k] = (v - v == 0.0f) ? v : 0.0f; // NaN and infinities fail v - v == 0
            }
        } else if (bits == 16) {
            for (size_t k = 0; k < n; ++k) {
                const int16_t v = static_cast<int16_t>(raw[2 * k] | (raw[2 * k + 1] << 8));
                o[k] = static_cast<float>(v) * (1.0f / 32768.0f);
            }
        } else if (bits == 24) {
            for (size_t k = 0; k < n; ++k) {
                const uint32_t u = static_cast<uint32_t>(raw[3 * k]) | (static_cast<uint32_t>(raw[3 * k + 1]) << 8) |
                                   (static_cast<uint32_t>(raw[3 * k + 2]) << 16);
                const int32_t v = static_cast<int32_t>(u << 8) >> 8;
                o[k] = static_cast<float>(v) * (1.0f / 8388608.0f);
            }
        } else {
            for (size_t k = 0; k < n; ++k) {
                const int32_t v = static_cast<int32_t>(le32(raw + 4 * k));
                o[k] = static_cast<float>(v) * (1.0f / 2147483648.0f);
            }
        }
    }
}

} // namespace

AudioClip parseWav(WavSource& source, uint64_t limitBytes) {
    uint8_t header[12];
    if (!source.readAt(0, header, 12) || std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "WAVE", 4) != 0)
        fail("Only RIFF WAV supported");

    AudioClip clip;
    uint16_t formatTag = 0, blockAlign = 0, bits = 0;
    uint64_t dataOffset = 0, dataSize = 0;

    const uint64_t fileSize = source.size();
    if (fileSize >= 20) {
        uint64_t p = 12;
        uint8_t fmt[4096];
        while (p + 8 <= fileSize) {
            uint8_t chunk[8];
            if (!source.readAt(p, chunk, 8)) break;
            const uint32_t size = le32(chunk + 4);
            if (size > fileSize - (p + 8)) fail("Truncated WAV chunk");
            if (std::memcmp(chunk, "fmt ", 4) == 0) {
                if (size < 16 || size > 4096) fail("Invalid WAV format");
                // The file may change under us (it is opened shared), so a short read counts as truncation.
                if (!source.readAt(p + 8, fmt, size)) fail("Truncated WAV chunk");
                formatTag = le16(fmt);
                clip.channels = le16(fmt + 2);
                clip.sampleRate = le32(fmt + 4);
                blockAlign = le16(fmt + 12);
                bits = le16(fmt + 14);
                if (formatTag == 0xFFFE) {
                    if (size < 40) fail("Invalid extensible WAV");
                    formatTag = le16(fmt + 24);
                }
            } else if (std::memcmp(chunk, "data", 4) == 0) {
                if (size > limitBytes) fail("WAV exceeds preload limit");
                // Only the last data chunk counts; its bytes are read once the
                // format is known, straight into the clip's storage.
                dataOffset = p + 8;
                dataSize = size;
            }
            p += static_cast<uint64_t>(size) + 8 + (size & 1u);
        }
    }

    const bool encodingOk = (formatTag == 1 && (bits == 16 || bits == 24 || bits == 32)) || (formatTag == 3 && bits == 32);
    if (clip.channels < 1 || clip.channels > 64 || clip.sampleRate < 8000 || clip.sampleRate > 384000 || blockAlign == 0 ||
        blockAlign != clip.channels * ((bits + 7u) / 8u) || dataSize % blockAlign != 0 || !encodingOk)
        fail("Unsupported WAV encoding/layout");

    const uint64_t width = bits / 8u;
    const uint64_t count = dataSize / width;
    if (count > limitBytes / 4) fail("Decoded WAV exceeds preload limit");

    // Reserve first so the hint reaches the pages before anything touches them.
    clip.samples.reserve(static_cast<size_t>(count));
    adviseLargeBuffer(clip.samples.data(), static_cast<size_t>(count) * sizeof(float));
    clip.samples.resize(static_cast<size_t>(count));
    if (count != 0) {
        const size_t rawOffset = static_cast<size_t>(count * 4 - dataSize);
        uint8_t* bytes = reinterpret_cast<uint8_t*>(clip.samples.data());
        if (!source.readAt(dataOffset, bytes + rawOffset, static_cast<size_t>(dataSize))) fail("Truncated WAV chunk");
        convertInPlace(clip.samples.data(), static_cast<size_t>(count), rawOffset, formatTag, bits);
    }
    return clip;
}

AudioClip readWavFile(const std::wstring& path, uint64_t limitBytes) {
    FileSource source(path);
    if (!source.isOpen()) fail("Cannot open WAV file");
    return parseWav(source, limitBytes);
}

AudioClip readWavMemory(const uint8_t* data, size_t size, uint64_t limitBytes) {
    MemorySource source(data, size);
    return parseWav(source, limitBytes);
}

} // namespace korvalest::plugins
