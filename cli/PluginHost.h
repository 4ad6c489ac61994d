#pragma once
// A host for one VST 2 plug-in, driven only through the binary interface, as a
// DAW would: dlopen, the entry function, the dispatcher and the host callback.
// The command-line tool and the tests load the real Tessarine.so through it.

#include "shell/VstAbi.h"

#include <memory>
#include <string>
#include <vector>

namespace tessarine::host {

struct HostSettings {
    float sampleRate = 44100.0f;
    int blockSize = 512;
    double tempo = 120.0;
    double ppqPosition = 0.0;
    double samplePosition = 0.0;
    double barStart = 0.0;
    bool playing = false;
    bool answerTime = true; // false: getTime answers no record
};

class PluginHost {
public:
    // Loads the module at path and creates one instance. On failure returns null
    // and sets error to one line naming the reason.
    static std::unique_ptr<PluginHost> load(const std::string& path, std::string& error,
                                            const HostSettings& settings = {});
    ~PluginHost(); // effClose, then the module is released

    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

    vst::EffectRecord* effect() const { return effect_; }
    HostSettings& settings() { return settings_; }

    vst::intptr dispatch(vst::int32 opcode, vst::int32 index = 0, vst::intptr value = 0, void* ptr = nullptr,
                         float opt = 0.0f);

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

    // One block as a host runs it: event delivery (possibly empty), then processReplacing.
    struct Midi {
        int offset;
        unsigned char status, data1, data2;
    };
    void processBlock(const std::vector<Midi>& midi, float* left, float* right, int frames);

    float getParameter(int index);
    void setParameter(int index, float value);

    // What the plug-in told the host through its callback.
    struct Automation {
        int index;
        float value;
    };
    const std::vector<Automation>& automations() const { return automations_; }
    int wantMidiCalls() const { return wantMidiCalls_; }
    int timeQueries() const { return timeQueries_; }

    // Host callback shared by every instance; finds the instance through the record.
    static vst::intptr callback(vst::EffectRecord* effect, vst::int32 opcode, vst::int32 index, vst::intptr value,
                                void* ptr, float opt);

private:
    PluginHost() = default;
    vst::intptr answer(vst::int32 opcode, vst::int32 index, vst::intptr value, void* ptr, float opt);

    void* module_ = nullptr;
    vst::EffectRecord* effect_ = nullptr;
    HostSettings settings_;
    vst::TimeInfo time_{};
    std::vector<Automation> automations_;
    int wantMidiCalls_ = 0;
    int timeQueries_ = 0;
};

} // namespace tessarine::host
