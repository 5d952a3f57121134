#pragma once
// A plain model of one instance's audio path: the block walk over its
// parameter changes and the per-kind arithmetic, frame by frame and channel by
// channel, with nothing shared with the plug-in's code. The randomized test
// holds the plug-in to it bit for bit.

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "module_kind.h"

namespace korvalest::plugins::test {

struct ModelChannel {
    bool present = true; // false: the host gives a null pointer
    std::vector<float> samples32;
    std::vector<double> samples64;
};

struct ModelBus {
    int32_t numChannels = 0;
    uint64_t silenceFlags = 0;
    bool nullArray = false; // the host gives no channel-buffer array
    std::vector<ModelChannel> channels; // numChannels entries
};

struct ModelQueue {
    bool null = false; // handed out as a null queue
    uint32_t id = 0;
    std::vector<std::pair<int32_t, double>> points; // offset, value, in the host's order
};

// One block as the host hands it over, plus the plug-in's bus list: one active
// flag per bus it has.
struct ModelBlock {
    bool wide = false; // 64-bit samples
    int32_t frames = 0;
    std::vector<ModelBus> inputs;
    std::vector<ModelBus> outputs; // in: the buffers before the call; out: after it
    std::vector<ModelQueue> queues;
    std::vector<bool> pluginInputActive;
    std::vector<bool> pluginOutputActive;
};

class ReferenceModel {
public:
    ReferenceModel(ModuleKind kind, double sampleRate);

    // Switching processing off makes the next sub-block start at its targets.
    void setProcessing(bool state);

    // Writes every output sample and the output silence flags of the block.
    void process(ModelBlock& block);

private:
    void subBlock(ModelBlock& block, int32_t start, int32_t length);
    double input(const ModelBlock& block, int32_t j, int32_t ch, int32_t frame) const;
    double source(const ModelBlock& block, int32_t b, int32_t c, int32_t frame, int32_t n, double g,
                  double m) const;

    ModuleKind kind;
    double sampleRate;
    std::array<double, 512> values{};
    std::array<double, 64> stripGain{};
    double masterGain = 1.0;
    bool primed = false;
};

} // namespace korvalest::plugins::test
