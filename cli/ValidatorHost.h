#pragma once
// The validator's host side: a plug-in module and instances of it, driven only
// through the VST 2 binary interface. Unlike the command-line host's PluginHost
// it keeps the audio path free of allocation (so that the allocations counted
// on the audio thread are the plug-in's own), answers the host callback from
// settings a check may change (a scanner answers sample rate 0), and is safe
// to use from several threads: one audio thread per instance, automation from
// any other.

#include "AudioThreadAllocations.h"
#include "shell/VstAbi.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tessarine::host {

// What the host callback answers; a check sets them before it creates an instance.
struct HostAnswers {
    float sampleRate = 44100.0f;
    int blockSize = 512;
    bool answerTime = true; // false: getTime answers no record
    bool wantMidi = true;   // the answer to wantMidi
};

class PluginModule {
public:
    using Entry = vst::EffectRecord* (*)(vst::HostCallback);

    // Loads the shared object and finds its entry function; null and a reason on failure.
    static std::unique_ptr<PluginModule> open(const std::string& path, std::string& error);
    ~PluginModule();

    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    Entry entry() const { return entry_; }
    const std::string& entryName() const { return entryName_; }
    const std::string& path() const { return path_; }

private:
    PluginModule() = default;
    void* handle_ = nullptr;
    Entry entry_ = nullptr;
    std::string entryName_;
    std::string path_;
};

class HostedInstance {
public:
    static constexpr int kMaxEvents = 256;
    static constexpr int kMaxChannels = 64;

    // Calls the entry function and effOpen. On failure returns null with a reason.
    static std::unique_ptr<HostedInstance> create(const PluginModule& module, const HostAnswers& answers,
                                                  std::string& error);
    ~HostedInstance(); // effClose

    HostedInstance(const HostedInstance&) = delete;
    HostedInstance& operator=(const HostedInstance&) = delete;

    vst::EffectRecord* effect() const { return effect_; }
    vst::intptr dispatch(vst::int32 opcode, vst::int32 index = 0, vst::intptr value = 0, void* ptr = nullptr,
                         float opt = 0.0f);
    // effClose now (the destructor then does nothing); the record is gone after it.
    void close();

    // Set-up as hosts do it, outside the audio thread. prepare sizes the
    // buffers for blocks of up to maxBlock samples; the answers follow.
    void setSampleRate(float rate);
    void setBlockSize(int maxBlock);
    void resume() { dispatch(vst::effMainsChanged, 0, 1); }
    void suspend() { dispatch(vst::effMainsChanged, 0, 0); }
    int maxBlock() const { return maxBlock_; }
    float sampleRate() const { return answerSampleRate_.load(std::memory_order_relaxed); }

    // Audio thread. Events are gathered for the next block, then process runs
    // processEvents (always, an empty list too, as hosts do) and processReplacing.
    // Returns the time both took, in nanoseconds.
    bool addMidi(int offset, unsigned char status, unsigned char data1, unsigned char data2);
    int pendingEvents() const { return eventCount_; }
    std::int64_t process(int frames);
    const float* output(int channel) const { return outputs_[static_cast<std::size_t>(channel)]; }
    int outputChannels() const { return outputCount_; }
    void setParameterOnAudioThread(int index, float value);

    // Any thread: host automation and reads.
    void setParameter(int index, float value);
    float getParameter(int index);

    // Calls the plug-in made into the host.
    long automateCalls() const { return automateCalls_.load(std::memory_order_relaxed); }

    // Host callback shared by every instance.
    static vst::intptr callback(vst::EffectRecord* effect, vst::int32 opcode, vst::int32 index, vst::intptr value,
                                void* ptr, float opt);

private:
    explicit HostedInstance(const HostAnswers& answers);
    vst::intptr answer(vst::int32 opcode, vst::int32 index, vst::intptr value, void* ptr, float opt);

    struct EventList {
        vst::int32 numEvents;
        vst::intptr reserved;
        vst::Event* events[kMaxEvents];
    };

    vst::EffectRecord* effect_ = nullptr;
    std::atomic<float> answerSampleRate_;
    std::atomic<int> answerBlockSize_;
    const bool answerTime_;
    const bool answerWantMidi_;
    std::atomic<double> samplePosition_{0.0};
    std::atomic<long> automateCalls_{0};

    int maxBlock_ = 0;
    int inputCount_ = 0;
    int outputCount_ = 0;
    std::vector<float> channelMemory_;
    float* inputs_[kMaxChannels] = {};
    float* outputs_[kMaxChannels] = {};
    vst::MidiEvent events_[kMaxEvents] = {};
    EventList eventList_{};
    int eventCount_ = 0;
};

} // namespace tessarine::host
