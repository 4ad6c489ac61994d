#pragma once
// The generic plug-in side of the host interface: the effect record handed to
// the host, the static trampolines that find this object again, a dispatcher
// that answers every opcode with its default, and the calls back into the host.
// SynthPlugin derives from it and overrides what the instrument answers; a
// plain effect has no editor, so every editor opcode answers 0 here.
//
// Every host-supplied pointer and index is checked here, once, so that the
// overrides can assume a valid text buffer.

#include "shell/VstAbi.h"

#include <cstdint>

namespace tessarine {

class EffectShell {
public:
    EffectShell(vst::HostCallback host, int numPrograms, int numParams);
    virtual ~EffectShell();

    EffectShell(const EffectShell&) = delete;
    EffectShell& operator=(const EffectShell&) = delete;

    vst::EffectRecord* record() { return &record_; }

    // Host requests, reached through the trampolines.
    virtual vst::intptr dispatcher(vst::int32 opcode, vst::int32 index, vst::intptr value, void* ptr, float opt);
    virtual void process(float** inputs, float** outputs, vst::int32 frames);
    virtual void processReplacing(float** inputs, float** outputs, vst::int32 frames);
    virtual void setParameter(vst::int32 index, float value);
    virtual float getParameter(vst::int32 index);

    // Calls back into the host; each answers 0 when there is no host.
    vst::intptr callHost(vst::int32 opcode, vst::int32 index = 0, vst::intptr value = 0, void* ptr = nullptr,
                         float opt = 0.0f);
    vst::int32 hostVersion();
    void wantMidi();
    vst::TimeInfo* hostTime(vst::int32 filter);
    void hostIdle();

    float baseSampleRate() const { return sampleRate_; }
    vst::int32 blockSize() const { return blockSize_; }

protected:
    // Defaults of a plain effect; text operations receive a buffer that is never null.
    virtual void setProgram(vst::int32 program);
    virtual void setProgramName(const char*) {}
    virtual void getProgramName(char* text);
    virtual void getParameterLabel(vst::int32, char* text) { text[0] = '\0'; }
    virtual void getParameterDisplay(vst::int32, char* text) { text[0] = '\0'; }
    virtual void getParameterName(vst::int32, char* text) { text[0] = '\0'; }
    virtual vst::int32 getChunk(void** data, bool isPreset);
    virtual vst::int32 setChunk(void* data, vst::int32 byteSize, bool isPreset);
    virtual void setSampleRate(float rate) { sampleRate_ = rate; }
    virtual void setBlockSize(vst::int32 size) { blockSize_ = size; }
    virtual bool canBeAutomated(vst::int32) { return true; }
    virtual void suspend() {}
    virtual void resume() {}
    virtual vst::int32 processEvents(vst::Events*) { return 0; }
    virtual bool getProgramNameIndexed(vst::int32 category, vst::int32 index, char* text);
    virtual bool copyProgram(vst::int32 destination);
    virtual bool getOutputProperties(vst::int32 index, vst::PinProperties* properties);
    virtual bool getEffectName(char*) { return false; }
    virtual bool getVendorString(char*) { return false; }
    virtual bool getProductString(char*) { return false; }
    virtual vst::intptr vendorSpecific(vst::int32 index, vst::intptr value, void* ptr, float opt);
    virtual vst::int32 canDo(const char*) { return 0; }
    // effEditGetRect … effSetEditKnobMode.
    virtual vst::intptr dispatchEditor(vst::int32, vst::int32, vst::intptr, void*, float) { return 0; }

    void setFlag(vst::int32 flag, bool on);

    vst::EffectRecord record_{};
    vst::HostCallback host_;
    float sampleRate_ = 44100.0f;
    vst::int32 blockSize_ = 1024;
    vst::int32 currentProgram_ = 0;
};

} // namespace tessarine
