#include "shell/EffectShell.h"

#include "params/ParameterMapping.h"

#include <cstring>

namespace tessarine {

namespace {

EffectShell* shellOf(vst::EffectRecord* effect)
{
    return effect != nullptr ? static_cast<EffectShell*>(effect->object) : nullptr;
}

vst::intptr dispatchTrampoline(vst::EffectRecord* effect, vst::int32 opcode, vst::int32 index, vst::intptr value,
                               void* ptr, float opt)
{
    EffectShell* shell = shellOf(effect);
    if (shell == nullptr) {
        return 0;
    }
    vst::intptr result = shell->dispatcher(opcode, index, value, ptr, opt);
    if (opcode == vst::effClose) {
        // The host gives up the record with this call; the object goes with it.
        effect->object = nullptr;
        delete shell;
        return 1;
    }
    return result;
}

void processTrampoline(vst::EffectRecord* effect, float** inputs, float** outputs, vst::int32 frames)
{
    if (EffectShell* shell = shellOf(effect)) {
        shell->process(inputs, outputs, frames);
    }
}

void processReplacingTrampoline(vst::EffectRecord* effect, float** inputs, float** outputs, vst::int32 frames)
{
    if (EffectShell* shell = shellOf(effect)) {
        shell->processReplacing(inputs, outputs, frames);
    }
}

void setParameterTrampoline(vst::EffectRecord* effect, vst::int32 index, float value)
{
    if (EffectShell* shell = shellOf(effect)) {
        shell->setParameter(index, value);
    }
}

float getParameterTrampoline(vst::EffectRecord* effect, vst::int32 index)
{
    EffectShell* shell = shellOf(effect);
    return shell != nullptr ? shell->getParameter(index) : 0.0f;
}

} // namespace

EffectShell::EffectShell(vst::HostCallback host, int numPrograms, int numParams) : host_(host)
{
    record_.magic = vst::kEffectMagic;
    record_.dispatcher = dispatchTrampoline;
    record_.process = processTrampoline;
    record_.setParameter = setParameterTrampoline;
    record_.getParameter = getParameterTrampoline;
    record_.numPrograms = numPrograms;
    record_.numParams = numParams;
    record_.numInputs = 1;
    record_.numOutputs = 2;
    record_.flags = 0;
    record_.ioRatio = 1.0f;
    record_.object = this;
    record_.version = 1;
    record_.processReplacing = processReplacingTrampoline;
    record_.processDoubleReplacing = nullptr;
}

EffectShell::~EffectShell() = default;

void EffectShell::setFlag(vst::int32 flag, bool on)
{
    record_.flags = on ? (record_.flags | flag) : (record_.flags & ~flag);
}

void EffectShell::process(float**, float**, vst::int32) {}
void EffectShell::processReplacing(float**, float**, vst::int32) {}
void EffectShell::setParameter(vst::int32, float) {}
float EffectShell::getParameter(vst::int32) { return 0.0f; }

void EffectShell::setProgram(vst::int32 program)
{
    if (program >= 0 && program < record_.numPrograms) {
        currentProgram_ = program;
    }
}

void EffectShell::getProgramName(char* text) { text[0] = '\0'; }

vst::int32 EffectShell::getChunk(void**, bool) { return 0; }
vst::int32 EffectShell::setChunk(void*, vst::int32, bool) { return 0; }
bool EffectShell::getProgramNameIndexed(vst::int32, vst::int32, char*) { return false; }
bool EffectShell::copyProgram(vst::int32) { return false; }
bool EffectShell::getOutputProperties(vst::int32, vst::PinProperties*) { return false; }
vst::intptr EffectShell::vendorSpecific(vst::int32, vst::intptr, void*, float) { return 0; }

vst::intptr EffectShell::callHost(vst::int32 opcode, vst::int32 index, vst::intptr value, void* ptr, float opt)
{
    return host_ != nullptr ? host_(&record_, opcode, index, value, ptr, opt) : 0;
}

vst::int32 EffectShell::hostVersion()
{
    return static_cast<vst::int32>(callHost(vst::audioMasterVersion));
}

void EffectShell::hostIdle() { callHost(vst::audioMasterIdle); }

void EffectShell::wantMidi() { callHost(vst::audioMasterWantMidi, 0, 1); }

vst::TimeInfo* EffectShell::hostTime(vst::int32 filter)
{
    return reinterpret_cast<vst::TimeInfo*>(callHost(vst::audioMasterGetTime, 0, filter));
}

// One flat switch over the host's opcodes, kept whole on purpose: each case is
// a line or two of argument checking and a call, and reading the binary
// interface's answers side by side is what review of this function needs.
vst::intptr EffectShell::dispatcher(vst::int32 opcode, vst::int32 index, vst::intptr value, void* ptr, float opt)
{
    using namespace vst;
    char* text = static_cast<char*>(ptr);
    switch (opcode) {
    case effOpen:
    case effClose:
        return 0;
    case effSetProgram:
        if (value >= 0 && value < record_.numPrograms) {
            setProgram(static_cast<int32>(value));
        }
        return 0;
    case effGetProgram:
        return currentProgram_;
    case effSetProgramName:
        if (text != nullptr) {
            setProgramName(text);
        }
        return 0;
    case effGetProgramName:
        if (text != nullptr) {
            getProgramName(text);
        }
        return 0;
    case effGetParamLabel:
        if (text != nullptr) {
            getParameterLabel(index, text);
        }
        return 0;
    case effGetParamDisplay:
        if (text != nullptr) {
            getParameterDisplay(index, text);
        }
        return 0;
    case effGetParamName:
        if (text != nullptr) {
            getParameterName(index, text);
        }
        return 0;
    case effGetVu:
        return 0;
    case effSetSampleRate:
        setSampleRate(opt);
        return 0;
    case effSetBlockSize:
        setBlockSize(static_cast<int32>(truncClamped(static_cast<double>(value), 0, 0x7fffffff)));
        return 0;
    case effMainsChanged:
        if (value == 0) {
            suspend();
        } else {
            resume();
        }
        return 0;
    case effEditGetRect:
    case effEditOpen:
    case effEditClose:
    case effEditIdle:
    case effEditKeyDown:
    case effEditKeyUp:
    case effSetEditKnobMode:
        return dispatchEditor(opcode, index, value, ptr, opt);
    case effIdentify:
        return fourCC('N', 'v', 'E', 'f');
    case effGetChunk:
        return ptr != nullptr ? getChunk(static_cast<void**>(ptr), value != 0) : 0;
    case effSetChunk:
        return setChunk(ptr, static_cast<int32>(truncClamped(static_cast<double>(value), -1, 0x7fffffff)),
                        index != 0);
    case effProcessEvents:
        return ptr != nullptr ? processEvents(static_cast<Events*>(ptr)) : 0;
    case effCanBeAutomated:
        return canBeAutomated(index) ? 1 : 0;
    case effGetNumProgramCategories:
        return 1;
    case effGetProgramNameIndexed:
        return text != nullptr && getProgramNameIndexed(static_cast<int32>(value), index, text) ? 1 : 0;
    case effCopyProgram:
        return copyProgram(index) ? 1 : 0;
    case effConnectInput:
    case effConnectOutput:
        return 1;
    case effGetOutputProperties:
        return ptr != nullptr && getOutputProperties(index, static_cast<PinProperties*>(ptr)) ? 1 : 0;
    case effGetPlugCategory:
        return (record_.flags & effFlagsIsSynth) != 0 ? kPlugCategSynth : kPlugCategUnknown;
    case effSetBlockSizeAndSampleRate:
        setBlockSize(static_cast<int32>(truncClamped(static_cast<double>(value), 0, 0x7fffffff)));
        setSampleRate(opt);
        return 1;
    case effGetEffectName:
        return text != nullptr && getEffectName(text) ? 1 : 0;
    case effGetVendorString:
        return text != nullptr && getVendorString(text) ? 1 : 0;
    case effGetProductString:
        return text != nullptr && getProductString(text) ? 1 : 0;
    case effGetVendorVersion:
        return 1;
    case effVendorSpecific:
        return vendorSpecific(index, value, ptr, opt);
    case effCanDo:
        return text != nullptr ? canDo(text) : 0;
    case effKeysRequired:
        return 1;
    case effGetVstVersion:
        return 2300;
    case effGetCurrentMidiProgram:
        return -1;
    case effGetSpeakerArrangement:
        // Both arguments point at the host's arrangement pointers; we have none to offer.
        if (ptr != nullptr) {
            *static_cast<void**>(ptr) = nullptr;
        }
        if (value != 0) {
            *reinterpret_cast<void**>(value) = nullptr;
        }
        return 0;
    case effSetTotalSampleToProcess:
        return value;
    default:
        return 0;
    }
}

} // namespace tessarine
