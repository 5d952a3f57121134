// Proves that the engines' audio-thread operations never allocate or free:
// every allocation function is replaced and counts calls made on the
// counting thread while counting is switched on.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "audiofile/file_player.h"
#include "recorder_support.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KORVALEST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define KORVALEST_SANITIZED 1
#endif
#endif

namespace {

thread_local bool counting = false;
thread_local long allocations = 0;

void note() {
    if (counting) ++allocations;
}

void* allocate(std::size_t size) {
    note();
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void* allocateAligned(std::size_t size, std::align_val_t align) {
    note();
    const std::size_t a = static_cast<std::size_t>(align);
    if (void* p = std::aligned_alloc(a, (size + a - 1) / a * a)) return p;
    throw std::bad_alloc();
}
void release(void* p) {
    if (p != nullptr) note();
    std::free(p);
}

} // namespace

void* operator new(std::size_t n) { return allocate(n); }
void* operator new[](std::size_t n) { return allocate(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { try { return allocate(n); } catch (...) { return nullptr; } }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { try { return allocate(n); } catch (...) { return nullptr; } }
void* operator new(std::size_t n, std::align_val_t a) { return allocateAligned(n, a); }
void* operator new[](std::size_t n, std::align_val_t a) { return allocateAligned(n, a); }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }
void operator delete(void* p, std::align_val_t) noexcept { release(p); }
void operator delete[](void* p, std::align_val_t) noexcept { release(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { release(p); }

#ifndef KORVALEST_SANITIZED
// The C allocator too (the sanitizers own it in their builds).
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
void __libc_free(void*);
void* malloc(std::size_t n) { note(); return __libc_malloc(n); }
void* calloc(std::size_t n, std::size_t s) { note(); return __libc_calloc(n, s); }
void* realloc(void* p, std::size_t n) { note(); return __libc_realloc(p, n); }
void* aligned_alloc(std::size_t a, std::size_t n) { note(); return __libc_memalign(a, n); }
void* memalign(std::size_t a, std::size_t n) { note(); return __libc_memalign(a, n); }
int posix_memalign(void** out, std::size_t a, std::size_t n) {
    note();
    *out = __libc_memalign(a, n);
    return *out ? 0 : 12;
}
void free(void* p) { if (p != nullptr) note(); __libc_free(p); }
}
#endif

namespace korvalest::plugins {
namespace {

struct Counting {
    Counting() { allocations = 0; counting = true; }
    ~Counting() { counting = false; }
    long count() const { return allocations; }
};

// Positive control: the replaced functions really count (operator new may
// count twice, once more through malloc).
TEST(RealtimeAllocation, CountingSeesAllocations) {
    long seen = 0;
    {
        Counting c;
        delete new int(1);
        seen = c.count();
    }
    EXPECT_GE(seen, 2);
#ifndef KORVALEST_SANITIZED
    {
        Counting c;
        std::free(std::malloc(16));
        seen = c.count();
    }
    EXPECT_EQ(seen, 2);
#endif
}

TEST(RealtimeAllocation, PlayerAudioThreadOperations) {
    FilePlayer player;
    AudioClip clip;
    clip.channels = 2;
    clip.sampleRate = 44100;
    clip.samples.assign(2 * 1000, 0.25f);
    player.publishClip(std::move(clip));
    float a[256], b[256];
    float* outs[3] = {a, nullptr, b};
    long seen = -1;
    {
        Counting c;
        player.render(outs, 3, 256, 48000.0, 0); // takes the pending clip over
        player.start(10, 0);
        for (uint64_t pos = 0; pos < 4096; pos += 256) player.render(outs, 3, 256, 48000.0, pos); // runs to the end
        player.start(5000, 0);
        player.render(outs, 3, 256, 48000.0, 5000);
        player.stop();
        player.render(outs, 3, 256, 48000.0, 5256);
        seen = c.count();
    }
    EXPECT_EQ(seen, 0);
    EXPECT_EQ(player.retireWriteIndex.load(), 1u);
}

TEST(RealtimeAllocation, RecorderAudioThreadOperations) {
    testing::TempDir dir;
    FileRecorder recorder;
    recorder.prepareDestination(dir.file("rt.wav"), 2, 48000);
    std::vector<float> loud(512, 0.5f), quiet(512, 0.0f);
    const float* loudIn[2] = {loud.data(), nullptr};
    const float* quietIn[2] = {quiet.data(), quiet.data()};
    long seen = -1;
    {
        Counting c;
        recorder.capture(loudIn, 2, 512, 0);
        recorder.arm(100);
        recorder.capture(loudIn, 2, 512, 0);
        recorder.requestStop(1024, 0.01, 1.0, -80.0);
        for (uint64_t pos = 512; recorder.recording.load() && pos < 48000; pos += 512) recorder.capture(quietIn, 2, 512, pos);
        recorder.capture(quietIn, 2, 512, 99999);
        recorder.stop();
        seen = c.count();
    }
    EXPECT_EQ(seen, 0);
    recorder.close();
    EXPECT_GT(recorder.framesWritten.load(), 0u);
}

} // namespace
} // namespace korvalest::plugins
