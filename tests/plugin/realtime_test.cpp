// The audio thread never allocates: every allocation function is counted on
// the calling thread while process runs, for every kind, both sample sizes,
// with changes, sync messages, sub-block cuts and ramps. Also: host calls
// that do allocate survive a failed allocation without letting it escape.

#include <gtest/gtest.h>

#include <algorithm>

#include <cstdlib>
#include <new>

#include "event_list.h"
#include "parameter_changes.h"
#include "plugin_fixture.h"
#include "process_buffers.h"
#include "sync_message.h"

namespace {

thread_local bool counting = false;
thread_local long allocations = 0;
thread_local long failAfter = -1; // when not negative: allocations left before one fails

void* counted(std::size_t size)
{
    if (counting)
        ++allocations;
    if (failAfter >= 0 && failAfter-- == 0)
        throw std::bad_alloc();
    void* p = std::malloc(size ? size : 1);
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}

} // namespace

void* operator new(std::size_t size) { return counted(size); }
void* operator new[](std::size_t size) { return counted(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    if (counting)
        ++allocations;
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    if (counting)
        ++allocations;
    return std::malloc(size ? size : 1);
}
void operator delete(void* p) noexcept
{
    if (counting && p)
        ++allocations;
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    if (counting && p)
        ++allocations;
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
void operator delete[](void* p, std::size_t) noexcept { operator delete[](p); }

#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
// The C allocation functions too (the sanitizers bring their own).
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void __libc_free(void*);
void* malloc(std::size_t size)
{
    if (counting)
        ++allocations;
    return __libc_malloc(size);
}
void* calloc(std::size_t n, std::size_t size)
{
    if (counting)
        ++allocations;
    return __libc_calloc(n, size);
}
void* realloc(void* p, std::size_t size)
{
    if (counting)
        ++allocations;
    return __libc_realloc(p, size);
}
void free(void* p)
{
    if (counting && p)
        ++allocations;
    __libc_free(p);
}
}
#define KORVALEST_COUNTS_MALLOC 1
#endif

namespace korvalest::plugins::test {
namespace {

using namespace Steinberg;

TEST(Realtime, CounterSeesAllocations)
{
    counting = true;
    allocations = 0;
    delete new int(3);
    const long afterNew = allocations;
#ifdef KORVALEST_COUNTS_MALLOC
    std::free(std::malloc(16));
#endif
    const long afterMalloc = allocations - afterNew;
    counting = false;
    EXPECT_GE(afterNew, 2);
#ifdef KORVALEST_COUNTS_MALLOC
    EXPECT_EQ(afterMalloc, 2);
#else
    EXPECT_EQ(afterMalloc, 0);
#endif
}

TEST(Realtime, ProcessNeverAllocatesOrFrees)
{
    const ModuleKind kinds[] = {ModuleKind::Input,  ModuleKind::Output,   ModuleKind::Summing,
                                ModuleKind::Breakout, ModuleKind::Player, ModuleKind::Recorder,
                                ModuleKind::FaderBank, ModuleKind::Distributor};
    for (ModuleKind kind : kinds)
        for (int32 sampleSize : {sv::kSample32, sv::kSample64})
            for (bool inPlace : {false, true}) {
            PluginUnderTest p(kind);
            p.start(44100.0, 1024, sampleSize);
            std::vector<int32> ins(static_cast<size_t>(p->getBusCount(sv::kAudio, sv::kInput)), 2);
            std::vector<int32> outs(static_cast<size_t>(p->getBusCount(sv::kAudio, sv::kOutput)),
                                    kind == ModuleKind::Breakout ? 1 : 2);
            if (kind == ModuleKind::Breakout)
                ins[0] = 64;
            testhost::ProcessBuffers buffers(sampleSize, 1024, ins, outs);
            // In place, the shared input channels are copied aside first.
            if (inPlace)
                for (int32 b = 0; b < std::min<int32>(buffers.data.numInputs, buffers.data.numOutputs); ++b)
                    buffers.makeInPlace(b);
            buffers.fillInputs(0.25);
            buffers.setContinuousTime(1000);
            buffers.context.state |= sv::ProcessContext::kPlaying;
            testhost::ParameterChanges changes;
            for (uint32 id : {kParamGain, kParamActiveCount, kParamStripGainFirst + 3, kParamStripMuteFirst + 1,
                              kParamPlayRecord, kParamFollowTransport})
                changes.queue(id).point(0, 0.9).point(300, 0.1).point(700, 0.6).point(1024, 0.4);
            testhost::EventList events;
            events.addData(100, kSyncStartMessage.data(), 7);
            events.addData(900, kSyncStopMessage.data(), 7);
            testhost::EventList out;
            buffers.data.inputParameterChanges = &changes;
            buffers.data.inputEvents = &events;
            buffers.data.outputEvents = &out;

            allocations = 0;
            counting = true;
            tresult results[4];
            for (tresult& r : results)
                r = p->process(buffers.data);
            buffers.data.numSamples = 0;
            const tresult empty = p->process(buffers.data);
            counting = false;
            for (tresult r : results)
                EXPECT_EQ(r, kResultOk);
            EXPECT_EQ(empty, kResultOk);
            EXPECT_EQ(allocations, 0) << displayName(kind) << " sample size " << sampleSize << " in place "
                                      << inPlace;
        }
}

TEST(Realtime, HostCallsSurviveFailedAllocations)
{
    for (ModuleKind kind : {ModuleKind::Player, ModuleKind::FaderBank}) {
        // Fail the first, second, ... allocation of initialize until one succeeds.
        for (long n = 0;; ++n) {
            PluginUnderTest p(kind);
            p->terminate();
            failAfter = n;
            const tresult result = p->initialize(testhost::hostContext());
            failAfter = -1;
            if (result == kResultOk)
                break;
            EXPECT_EQ(p->getParameterCount(), 0);
            EXPECT_EQ(p->getBusCount(sv::kAudio, sv::kOutput), 0);
            ASSERT_EQ(p->initialize(testhost::hostContext()), kResultOk) << n;
            ASSERT_LT(n, 10000);
        }

        PluginUnderTest p(kind);
        ASSERT_EQ(p.setup(48000.0, 256), kResultOk);
        sv::ProcessSetup bigger{sv::kRealtime, sv::kSample32, 4096, 96000.0};
        failAfter = 0;
        EXPECT_EQ(p->setupProcessing(bigger), kResultFalse);
        failAfter = -1;
        EXPECT_EQ(p->maxBlockSize, 256);
        EXPECT_EQ(p->sampleRate, 48000.0);
        EXPECT_EQ(p->renderChannels[1], p->renderChannels[0] + 256);
    }
}

} // namespace
} // namespace korvalest::plugins::test
