#pragma once
// A host for one instance of a VST 2 plug-in, driven only through the binary
// interface, as a DAW would: the entry function, the dispatcher and the host
// callback. Every command that plays or shows the plug-in, the validator and
// the tests load the real Tessarine.so through it.
//
// Threads: set-up and the dispatcher from the owner's thread; one audio thread
// runs blocks; automation and reads may come from any other. Once set up, the
// audio path allocates nothing (so that the allocations counted there are the
// plug-in's own), and the callback may be called from every thread at once.

#include "host/AutomationLog.h"
#include "host/HostSettings.h"
#include "host/PluginModule.h"
#include "shell/VstAbi.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tessarine::host {

class PluginHost {
public:
    static constexpr int kDefaultEventCapacity = 256;
    static constexpr int kMaxChannels = 64;

    // Loads the module at path and creates one instance that owns it. On
    // failure returns null and sets error to one line naming the reason.
    static std::unique_ptr<PluginHost> load(const std::string& path, std::string& error,
                                            const HostSettings& settings = {});
    // One more instance of a loaded module, which must outlive it. Calls the
    // entry function and effOpen; on failure null with a reason.
    static std::unique_ptr<PluginHost> create(const PluginModule& module, const HostSettings& settings,
                                              std::string& error);
    ~PluginHost(); // effClose, then an owned module is released

    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

    vst::EffectRecord* effect() const { return effect_; }
    HostSettings& settings() { return settings_; }

    vst::intptr dispatch(vst::int32 opcode, vst::int32 index = 0, vst::intptr value = 0, void* ptr = nullptr,
                         float opt = 0.0f);
    // effClose now (the destructor then does nothing); the record is gone after it.
    void close();

    // A text answer, read from a guarded buffer of limit bytes; never reads past it.
    std::string text(vst::int32 opcode, vst::int32 index, int limit);

    std::string effectName() { return text(vst::effGetEffectName, 0, vst::kMaxEffectNameLen); }
    std::string vendorString() { return text(vst::effGetVendorString, 0, vst::kMaxVendorStrLen); }
    std::string productString() { return text(vst::effGetProductString, 0, vst::kMaxProductStrLen); }
    std::string programName() { return text(vst::effGetProgramName, 0, vst::kMaxProgramNameLen); }
    std::string parameterName(int index) { return text(vst::effGetParamName, index, vst::kMaxParamStrLen); }
    std::string parameterDisplay(int index) { return text(vst::effGetParamDisplay, index, vst::kMaxParamStrLen); }
    std::string parameterLabel(int index) { return text(vst::effGetParamLabel, index, vst::kMaxParamStrLen); }
    vst::intptr canDo(const std::string& what);

    // Set-up as hosts do it, outside the audio thread; the answers follow.
    // setBlockSize also sizes the host's own channel buffers for blocks of up
    // to maxBlock samples, and reserveEvents the room for one block's events.
    void setSampleRate(float rate);
    void setBlockSize(int maxBlock);
    void reserveEvents(int count);
    void resume() { dispatch(vst::effMainsChanged, 0, 1); }
    void suspend() { dispatch(vst::effMainsChanged, 0, 0); }
    int maxBlock() const { return maxBlock_; }
    float sampleRate() const { return settings_.sampleRate; }

    // Audio thread. Events are gathered for the next block; a block runs
    // processEvents (always, an empty list too, as hosts do), then
    // processReplacing. addMidi refuses an event beyond the room.
    struct Midi {
        int offset;
        unsigned char status, data1, data2;
    };
    bool addMidi(int offset, unsigned char status, unsigned char data1, unsigned char data2);
    int pendingEvents() const { return eventCount_; }
    int eventCapacity() const { return static_cast<int>(events_.size()); }
    // Into the caller's stereo pair; events past the room are left out.
    void processBlock(std::span<const Midi> midi, float* left, float* right, int frames);
    // Into the host's own buffers (set up by setBlockSize); returns the time
    // both calls took, in nanoseconds.
    std::int64_t process(int frames);
    const float* output(int channel) const { return outputs_[static_cast<std::size_t>(channel)]; }
    int outputChannels() const { return outputCount_; }
    void setParameterOnAudioThread(int index, float value);

    // Any thread: host automation and reads.
    float getParameter(int index);
    void setParameter(int index, float value);

    // What the plug-in told the host through its callback.
    const AutomationLog& automations() const { return automations_; }
    int wantMidiCalls() const { return wantMidiCalls_.load(std::memory_order_relaxed); }
    int timeQueries() const { return timeQueries_.load(std::memory_order_relaxed); }

    // Host callback shared by every instance; finds the instance through the record.
    static vst::intptr callback(vst::EffectRecord* effect, vst::int32 opcode, vst::int32 index, vst::intptr value,
                                void* ptr, float opt);

private:
    explicit PluginHost(const HostSettings& settings);
    vst::intptr answer(vst::int32 opcode, vst::int32 index, vst::intptr value, void* ptr, float opt);
    void run(float* const* outputs, int frames);

    std::unique_ptr<PluginModule> ownModule_; // released after effClose
    vst::EffectRecord* effect_ = nullptr;
    HostSettings settings_;
    AutomationLog automations_;
    std::atomic<int> wantMidiCalls_{0};
    std::atomic<int> timeQueries_{0};

    int maxBlock_ = 0;
    int inputCount_ = 0;
    int outputCount_ = 0;
    std::vector<float> channelMemory_;
    float* inputs_[kMaxChannels] = {};
    float* outputs_[kMaxChannels] = {};

    // The list holds numEvents pointers; the record's two-entry array is only its start.
    std::vector<vst::MidiEvent> events_;
    std::vector<char> eventList_;
    int eventCount_ = 0;
};

} // namespace tessarine::host
