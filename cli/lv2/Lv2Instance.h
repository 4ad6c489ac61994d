#pragma once
// One LV2 plug-in instance as a host drives it: made at a sample rate with the
// world's features, every port connected to a buffer of the host's (control
// inputs at their defaults, audio and CV inputs silent, outputs to buffers of
// the longest block), activated, and deactivated and freed when it goes. The
// event port is the first atom input that takes MIDI. The state interface's
// properties can be taken out and put back as they are, which is how a host
// keeps a project, and presets are applied as lilv states.

#include "lv2/Lv2EventSequence.h"
#include "lv2/Lv2World.h"

#include <lilv/lilv.h>
#include <lv2/state/state.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tessarine::host {

// One property the state interface stored.
struct Lv2StateProperty {
    std::uint32_t key;
    std::uint32_t type;
    std::uint32_t flags;
    std::vector<std::uint8_t> bytes;
};
using Lv2State = std::vector<Lv2StateProperty>;

class Lv2Instance {
public:
    // Null, with the reason in error, when the plug-in cannot be made.
    static std::unique_ptr<Lv2Instance> create(Lv2World& world, double sampleRate, std::string& error);
    ~Lv2Instance();
    Lv2Instance(const Lv2Instance&) = delete;
    Lv2Instance& operator=(const Lv2Instance&) = delete;

    LilvInstance* lilv() { return instance_; }
    double sampleRate() const { return rate_; }

    // The control inputs by port index, and the value each port holds.
    const std::vector<std::uint32_t>& controlInputs() const { return controlInputs_; }
    float& control(std::uint32_t port) { return values_.at(port); }
    int outputCount() const { return static_cast<int>(outputs_.size()); }
    const float* output(int channel) const { return outputs_[static_cast<std::size_t>(channel)]->data(); }
    const float* const* outputs() const { return channels_.data(); }
    bool hasEventInput() const { return eventPort_ >= 0; }

    // Audio thread: one block of at most Lv2World::kMaxBlock frames with the
    // events given (null: none), allocations counted as the plug-in's.
    void run(std::uint32_t frames, Lv2EventSequence* events);

    // Tessarine's own extension for repeatable renders; false for other plug-ins.
    bool seed(std::uint32_t value);

    bool hasStateInterface() const { return state_ != nullptr; }
    // The state interface's save; its status (0: success) and the properties stored.
    int saveState(Lv2State& into);
    // The state interface's restore from the properties given; its status.
    int restoreState(const Lv2State& from);
    // A preset or saved lilv state: its port values into the control inputs, the rest through the interface.
    void restore(const LilvState* state);

private:
    Lv2Instance(Lv2World& world, double sampleRate);

    Lv2World& world_;
    double rate_;
    LilvInstance* instance_ = nullptr;
    const LV2_State_Interface* state_ = nullptr;
    std::vector<float> values_;
    std::vector<std::uint32_t> controlInputs_;
    std::vector<std::unique_ptr<std::vector<float>>> outputs_;
    std::vector<const float*> channels_;
    std::vector<std::unique_ptr<std::vector<float>>> spareBuffers_;
    std::vector<std::pair<std::uint32_t, std::unique_ptr<std::vector<std::uint64_t>>>> atomOutputs_;
    Lv2EventSequence noEvents_;
    int eventPort_ = -1;
    bool active_ = false;
};

} // namespace tessarine::host
