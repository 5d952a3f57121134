// The process driver: block checks, the host's time, gathering and ordering
// parameter changes and sync messages, and cutting the block at their offsets.

#include <gtest/gtest.h>

#include <limits>

#include "event_list.h"
#include "parameter_changes.h"
#include "plugin_fixture.h"
#include "process_buffers.h"
#include "sync_message.h"

namespace korvalest::plugins::test {
namespace {

using namespace Steinberg;
using testhost::EventList;
using testhost::ParameterChanges;
using testhost::ParamValueQueue;
using testhost::ProcessBuffers;

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

TEST(ProcessDriver, RefusesMalformedBlocksWithoutTouchingAnything)
{
    PluginUnderTest p(ModuleKind::Input);
    p.start(48000.0, 256);
    p->samplePosition = 1000;
    ParameterChanges changes;
    changes.queue(kParamGain).point(0, 0.0);

    struct Case {
        const char* name;
        void (*spoil)(sv::ProcessData&);
    };
    const Case cases[] = {
        {"too many frames", [](sv::ProcessData& d) { d.numSamples = 257; }},
        {"negative frames", [](sv::ProcessData& d) { d.numSamples = -1; }},
        {"negative inputs", [](sv::ProcessData& d) { d.numInputs = -1; }},
        {"65 outputs", [](sv::ProcessData& d) { d.numOutputs = 65; }},
        {"null inputs", [](sv::ProcessData& d) { d.inputs = nullptr; }},
        {"null outputs", [](sv::ProcessData& d) { d.outputs = nullptr; }},
        {"65 channels", [](sv::ProcessData& d) { d.inputs[0].numChannels = 65; }},
        {"negative channels", [](sv::ProcessData& d) { d.outputs[0].numChannels = -2; }},
        // Refused before its changes act, so the refusal changes nothing.
        {"sample size 2", [](sv::ProcessData& d) { d.symbolicSampleSize = 2; }},
    };
    for (const auto& c : cases) {
        ProcessBuffers buffers(sv::kSample32, 256, {2}, {2});
        buffers.data.inputParameterChanges = &changes;
        c.spoil(buffers.data);
        EXPECT_EQ(p->process(buffers.data), kInvalidArgument) << c.name;
        EXPECT_EQ(p->samplePosition, 1000u) << c.name;
        EXPECT_EQ(p->loadParamValue(kParamGain), kUnityGainNormalized) << c.name;
    }

    ProcessBuffers full(sv::kSample32, 256, {2}, {2});
    EXPECT_EQ(p->process(full.data), kResultOk);
    EXPECT_EQ(p->samplePosition, 1256u);

    // With no frames there is nothing to render in the unknown format.
    ProcessBuffers empty(sv::kSample32, 0, {2}, {2});
    empty.data.symbolicSampleSize = 2;
    empty.data.inputParameterChanges = &changes;
    EXPECT_EQ(p->process(empty.data), kResultOk);
    EXPECT_EQ(p->loadParamValue(kParamGain), 0.0);
    EXPECT_EQ(p->samplePosition, 1256u);
}

TEST(ProcessDriver, RunningPositionFollowsContinuousTimeOrCountsOn)
{
    PluginUnderTest p(ModuleKind::Output);
    p.start();
    ProcessBuffers buffers(sv::kSample32, 128, {2}, {2});
    buffers.setContinuousTime(48000);
    ASSERT_EQ(p->process(buffers.data), kResultOk);
    EXPECT_EQ(p->samplePosition, 48128u);

    buffers.context.state = 0; // flag clear: count on
    ASSERT_EQ(p->process(buffers.data), kResultOk);
    EXPECT_EQ(p->samplePosition, 48256u);

    buffers.setContinuousTime(-5); // negative: ignored
    ASSERT_EQ(p->process(buffers.data), kResultOk);
    EXPECT_EQ(p->samplePosition, 48384u);

    // A host holding its time still (or going back) does not move the position back.
    buffers.setContinuousTime(48000);
    ASSERT_EQ(p->process(buffers.data), kResultOk);
    EXPECT_EQ(p->samplePosition, 48512u);
    buffers.setContinuousTime(48512);
    ASSERT_EQ(p->process(buffers.data), kResultOk);
    EXPECT_EQ(p->samplePosition, 48640u);
    buffers.setContinuousTime(96000); // forward jumps are taken
    ASSERT_EQ(p->process(buffers.data), kResultOk);
    EXPECT_EQ(p->samplePosition, 96128u);
}

TEST(ProcessDriver, ChangesAreClampedFilteredAndAppliedAtTheirFrame)
{
    PluginUnderTest p(ModuleKind::Input);
    p.start();
    ProcessBuffers buffers(sv::kSample32, 256, {2}, {2});
    buffers.fillInputs(1.0);
    ParameterChanges changes;
    changes.queue(kParamGain).point(0, kUnityGainNormalized).point(100, 0.0).point(50, kNaN);
    changes.queue(kParamActiveCount).point(10, 1.7);
    changes.queue(kParamFollowTransport).point(10, -0.2);
    changes.queue(kParamPlayRecord).point(10, kInf).point(300, 1.0); // 300 lies outside the block
    changes.addNullQueue();
    ParamValueQueue& refused = changes.queue(kParamStripGainFirst);
    refused.point(0, 0.25);
    refused.failingPoint = 0;
    changes.queue(700).point(0, 0.5); // no slot: nothing happens
    buffers.data.inputParameterChanges = &changes;
    ASSERT_EQ(p->process(buffers.data), kResultOk);

    EXPECT_EQ(p->loadParamValue(kParamActiveCount), 1.0);
    EXPECT_EQ(p->loadParamValue(kParamFollowTransport), 0.0);
    EXPECT_EQ(p->loadParamValue(kParamPlayRecord), 0.0);
    EXPECT_EQ(p->loadParamValue(kParamStripGainFirst), kUnityGainNormalized);
    EXPECT_EQ(p->loadParamValue(kParamGain), 0.0);

    // Frames 0 to 99 at 0 dB; the fall to -90 dB starts at frame 100.
    for (int32 i = 0; i < 100; ++i)
        ASSERT_EQ(buffers.output(0, 0, i), 1.0f) << i;
    const double k = 1.0 - std::exp(-1.0 / 144.0);
    const double g1 = 1.0 + (gainOfNormalized(0.0) - 1.0) * k;
    EXPECT_EQ(buffers.output(0, 0, 100), static_cast<float>(g1));
    EXPECT_EQ(buffers.output(0, 1, 100), static_cast<float>(g1));
}

TEST(ProcessDriver, SameOffsetChangesKeepTheirGatheringOrder)
{
    PluginUnderTest p(ModuleKind::Input);
    p.start();
    ProcessBuffers buffers(sv::kSample32, 64, {2}, {2});
    ParameterChanges changes;
    // Many queues out of order, each ending at the same frame: the last
    // gathered value wins, whatever the sort does with the rest.
    for (int q = 0; q < 40; ++q)
        changes.queue(kParamGain).point(60 - q, 0.01 * q).point(63, 0.5 + 0.01 * q);
    buffers.data.inputParameterChanges = &changes;
    ASSERT_EQ(p->process(buffers.data), kResultOk);
    EXPECT_DOUBLE_EQ(p->loadParamValue(kParamGain), 0.5 + 0.01 * 39);
}

TEST(ProcessDriver, PointsAtTheBlockEndAreNotApplied)
{
    PluginUnderTest p(ModuleKind::Input);
    p.start();
    ProcessBuffers buffers(sv::kSample32, 64, {2}, {2});
    buffers.fillInputs(1.0);
    ParameterChanges changes;
    changes.queue(kParamGain).point(64, 0.0);
    buffers.data.inputParameterChanges = &changes;
    ASSERT_EQ(p->process(buffers.data), kResultOk);
    for (int32 i = 0; i < 64; ++i)
        ASSERT_EQ(buffers.output(0, 0, i), 1.0f);
    EXPECT_EQ(p->loadParamValue(kParamGain), kUnityGainNormalized);
}

TEST(ProcessDriver, ChangeListIsCappedAt4096Entries)
{
    PluginUnderTest p(ModuleKind::Recorder);
    p.start(48000.0, 4096);
    ProcessBuffers buffers(sv::kSample32, 4096, {2}, {2});
    ParameterChanges changes;
    // Three queues of 2000: the first two whole, 96 of the third. The last
    // taken point of the third queue is its 96th.
    changes.queue(kParamStripGainFirst).point(0, 0.1);
    for (int q = 0; q < 3; ++q) {
        ParamValueQueue& queue = changes.queue(kParamStripGainFirst + 1 + q);
        for (int i = 0; i < 2000 - (q == 0 ? 1 : 0); ++i)
            queue.point(i, (i + 1) / 4096.0);
    }
    EventList events;
    events.addData(4000, kSyncStartMessage.data(), 7); // no room left: dropped
    buffers.data.inputParameterChanges = &changes;
    buffers.data.inputEvents = &events;
    ASSERT_EQ(p->process(buffers.data), kResultOk);
    EXPECT_EQ(p->loadParamValue(kParamStripGainFirst + 1), 1999 / 4096.0);
    EXPECT_EQ(p->loadParamValue(kParamStripGainFirst + 2), 2000 / 4096.0);
    EXPECT_EQ(p->loadParamValue(kParamStripGainFirst + 3), 96 / 4096.0);
    EXPECT_EQ(p->loadParamValue(kParamPlayRecord), 0.0);
}

TEST(ProcessDriver, RecorderTakesOnlyWellFormedSyncMessages)
{
    const uint8 badCommand0[] = {0xF0, 0x7D, 0x4B, 0x56, 0x58, 0x00, 0xF7};
    const uint8 badCommand3[] = {0xF0, 0x7D, 0x4B, 0x56, 0x58, 0x03, 0xF7};
    const uint8 badTag[] = {0xF0, 0x7D, 0x4B, 0x56, 0x59, 0x01, 0xF7};
    const uint8 noEnd[] = {0xF0, 0x7D, 0x4B, 0x56, 0x58, 0x01, 0xF6};
    const uint8 eightBytes[] = {0xF0, 0x7D, 0x4B, 0x56, 0x58, 0x01, 0xF7, 0x00};

    struct Case {
        const char* name;
        ModuleKind kind;
        const uint8* bytes;
        uint32 size;
        int32 offset;
        bool taken;
    };
    const Case cases[] = {
        {"start", ModuleKind::Recorder, kSyncStartMessage.data(), 7, 64, true},
        {"command 0", ModuleKind::Recorder, badCommand0, 7, 64, false},
        {"command 3", ModuleKind::Recorder, badCommand3, 7, 64, false},
        {"wrong tag", ModuleKind::Recorder, badTag, 7, 64, false},
        {"no F7", ModuleKind::Recorder, noEnd, 7, 64, false},
        {"8 bytes", ModuleKind::Recorder, eightBytes, 8, 64, false},
        {"null bytes", ModuleKind::Recorder, nullptr, 7, 64, false},
        {"at the block end", ModuleKind::Recorder, kSyncStartMessage.data(), 7, 256, false},
        {"negative offset", ModuleKind::Recorder, kSyncStartMessage.data(), 7, -1, false},
        {"player ignores events", ModuleKind::Player, kSyncStartMessage.data(), 7, 64, false},
    };
    for (const auto& c : cases) {
        PluginUnderTest p(c.kind);
        p.start();
        ProcessBuffers buffers(sv::kSample32, 256, c.kind == ModuleKind::Player ? std::vector<int32>{}
                                                                               : std::vector<int32>{2},
                               {2});
        EventList events;
        events.addData(c.offset, c.bytes, c.size);
        events.events.back().busIndex = 3; // any bus, flags and ppq are accepted
        events.events.back().flags = 1;
        buffers.data.inputEvents = &events;
        ASSERT_EQ(p->process(buffers.data), kResultOk) << c.name;
        EXPECT_EQ(p->loadParamValue(kParamPlayRecord), c.taken ? 1.0 : 0.0) << c.name;
        EXPECT_EQ(p->loadParamValue(kParamFollowTransport), c.taken ? 0.0 : 1.0) << c.name;
        EXPECT_EQ(p->transportWasRunning, c.taken) << c.name;
    }
}

TEST(ProcessDriver, SyncStopAfterStartAndHostParameter601IsNoSyncMessage)
{
    PluginUnderTest p(ModuleKind::Recorder);
    p.start();
    ProcessBuffers buffers(sv::kSample32, 256, {2}, {2});
    EventList events;
    events.addData(10, kSyncStartMessage.data(), 7);
    events.addData(200, kSyncStopMessage.data(), 7);
    EventList refusing;
    refusing.addData(5, kSyncStartMessage.data(), 7);
    refusing.failingEvent = 0;
    buffers.data.inputEvents = &events;
    ASSERT_EQ(p->process(buffers.data), kResultOk);
    EXPECT_EQ(p->loadParamValue(kParamPlayRecord), 0.0);
    EXPECT_EQ(p->loadParamValue(kParamFollowTransport), 0.0);
    EXPECT_FALSE(p->transportWasRunning);

    buffers.data.inputEvents = &refusing;
    ParameterChanges changes;
    changes.queue(kSyncStartId).point(0, 1.0);
    buffers.data.inputParameterChanges = &changes;
    ASSERT_EQ(p->process(buffers.data), kResultOk);
    EXPECT_EQ(p->loadParamValue(kParamPlayRecord), 0.0);
    EXPECT_FALSE(p->transportWasRunning);
}

TEST(SyncMessage, BuiltEventIsRecognised)
{
    const sv::Event start = makeSyncEvent(17, kSyncCommandStart);
    EXPECT_EQ(start.sampleOffset, 17);
    EXPECT_EQ(start.busIndex, 0);
    EXPECT_EQ(start.type, sv::Event::kDataEvent);
    EXPECT_EQ(start.data.size, 7u);
    EXPECT_EQ(syncCommandOf(start), kSyncCommandStart);
    EXPECT_EQ(syncCommandOf(makeSyncEvent(0, kSyncCommandStop)), kSyncCommandStop);
    sv::Event note{};
    note.type = sv::Event::kNoteOnEvent;
    EXPECT_EQ(syncCommandOf(note), 0);
}

} // namespace
} // namespace korvalest::plugins::test
