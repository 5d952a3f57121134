#pragma once

// Builds WAV images byte by byte for tests and the fuzz seed corpus.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace korvalest::plugins::testing {

using Bytes = std::vector<uint8_t>;

inline void put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void put32(Bytes& b, uint32_t v) {
    for (int k = 0; k < 4; ++k) b.push_back(static_cast<uint8_t>(v >> (8 * k)));
}
inline void putTag(Bytes& b, const char* tag) {
    for (int k = 0; k < 4; ++k) b.push_back(static_cast<uint8_t>(tag[k]));
}
// push_back rather than insert: g++ 12 warns falsely on small vector inserts.
inline void append(Bytes& b, const Bytes& more) {
    b.reserve(b.size() + more.size());
    for (uint8_t v : more) b.push_back(v);
}

// One chunk; declaredSize overrides the size field, pad adds the RIFF pad byte.
inline Bytes chunk(const char* id, const Bytes& body, bool pad = true, int64_t declaredSize = -1) {
    Bytes b;
    putTag(b, id);
    put32(b, declaredSize < 0 ? static_cast<uint32_t>(body.size()) : static_cast<uint32_t>(declaredSize));
    append(b, body);
    if (pad && (body.size() & 1)) b.push_back(0);
    return b;
}

inline Bytes fmtBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, int blockAlign = -1) {
    Bytes b;
    const uint32_t align = blockAlign < 0 ? channels * ((bits + 7u) / 8u) : static_cast<uint32_t>(blockAlign);
    put16(b, tag);
    put16(b, channels);
    put32(b, rate);
    put32(b, rate * align);
    put16(b, align);
    put16(b, bits);
    return b;
}

// Extensible format chunk (40 bytes) whose SubFormat starts with subTag.
inline Bytes fmtExtensible(uint16_t subTag, uint16_t channels, uint32_t rate, uint16_t bits) {
    Bytes b = fmtBody(0xFFFE, channels, rate, bits);
    put16(b, 22);
    put16(b, bits);
    put32(b, 3);
    put16(b, subTag);
    for (int k = 0; k < 14; ++k) b.push_back(static_cast<uint8_t>(0xA0 + k));
    return b;
}

inline Bytes riff(std::initializer_list<Bytes> chunks, int64_t riffSize = -1) {
    Bytes body;
    for (const Bytes& c : chunks) append(body, c);
    Bytes b;
    putTag(b, "RIFF");
    put32(b, riffSize < 0 ? static_cast<uint32_t>(body.size() + 4) : static_cast<uint32_t>(riffSize));
    putTag(b, "WAVE");
    append(b, body);
    return b;
}

inline Bytes simpleWav(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, const Bytes& data) {
    return riff({chunk("fmt ", fmtBody(tag, channels, rate, bits)), chunk("data", data)});
}

inline Bytes pcm16(std::initializer_list<int> values) {
    Bytes b;
    for (int v : values) put16(b, static_cast<uint32_t>(v));
    return b;
}

inline Bytes floats(std::initializer_list<float> values) {
    Bytes b;
    for (float v : values) {
        uint32_t u;
        static_assert(sizeof u == sizeof v);
        __builtin_memcpy(&u, &v, 4);
        put32(b, u);
    }
    return b;
}

} // namespace korvalest::plugins::testing
