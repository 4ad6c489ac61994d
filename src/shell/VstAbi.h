#pragma once
// The binary interface between a VST 2 host and a plug-in on Linux x86-64,
// written from the interface's published layout. Field order and widths are the
// contract with every host: never reorder, never change a type.

#include <cstdint>

namespace vst {

using int16 = std::int16_t;
using int32 = std::int32_t;
using intptr = std::intptr_t;

struct EffectRecord;

using HostCallback = intptr (*)(EffectRecord* effect, int32 opcode, int32 index, intptr value, void* ptr, float opt);
using DispatcherProc = intptr (*)(EffectRecord* effect, int32 opcode, int32 index, intptr value, void* ptr, float opt);
using ProcessProc = void (*)(EffectRecord* effect, float** inputs, float** outputs, int32 frames);
using ProcessDoubleProc = void (*)(EffectRecord* effect, double** inputs, double** outputs, int32 frames);
using SetParameterProc = void (*)(EffectRecord* effect, int32 index, float value);
using GetParameterProc = float (*)(EffectRecord* effect, int32 index);

// Four-character code with the first character in the most significant byte.
constexpr int32 fourCC(char a, char b, char c, char d)
{
    return static_cast<int32>((static_cast<std::uint32_t>(static_cast<unsigned char>(a)) << 24) |
                              (static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 16) |
                              (static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 8) |
                              static_cast<std::uint32_t>(static_cast<unsigned char>(d)));
}

inline constexpr int32 kEffectMagic = fourCC('V', 's', 't', 'P');

struct EffectRecord {
    int32 magic;
    DispatcherProc dispatcher;
    ProcessProc process; // accumulating process, deprecated by hosts but still called by some
    SetParameterProc setParameter;
    GetParameterProc getParameter;
    int32 numPrograms;
    int32 numParams;
    int32 numInputs;
    int32 numOutputs;
    int32 flags;
    intptr resvd1; // the host's own pointer, by convention
    intptr resvd2;
    int32 initialDelay;
    int32 realQualities;
    int32 offQualities;
    float ioRatio;
    void* object;
    void* user;
    int32 uniqueID;
    int32 version;
    ProcessProc processReplacing;
    ProcessDoubleProc processDoubleReplacing;
    char future[56];
};

enum EffectFlags : int32 {
    effFlagsHasEditor = 1 << 0,
    effFlagsHasClip = 1 << 1,
    effFlagsHasVu = 1 << 2,
    effFlagsCanMono = 1 << 3,
    effFlagsCanReplacing = 1 << 4,
    effFlagsProgramChunks = 1 << 5,
    effFlagsIsSynth = 1 << 8,
};

enum EffectOpcode : int32 {
    effOpen = 0, effClose, effSetProgram, effGetProgram, effSetProgramName, effGetProgramName,
    effGetParamLabel, effGetParamDisplay, effGetParamName, effGetVu, effSetSampleRate,
    effSetBlockSize, effMainsChanged, effEditGetRect, effEditOpen, effEditClose, effEditDraw,
    effEditMouse, effEditKey, effEditIdle, effEditTop, effEditSleep, effIdentify, effGetChunk,
    effSetChunk, effProcessEvents, effCanBeAutomated, effString2Parameter,
    effGetNumProgramCategories, effGetProgramNameIndexed, effCopyProgram, effConnectInput,
    effConnectOutput, effGetInputProperties, effGetOutputProperties, effGetPlugCategory,
    effGetCurrentPosition, effGetDestinationBuffer, effOfflineNotify, effOfflinePrepare,
    effOfflineRun, effProcessVarIo, effSetSpeakerArrangement, effSetBlockSizeAndSampleRate,
    effSetBypass, effGetEffectName, effGetErrorText, effGetVendorString, effGetProductString,
    effGetVendorVersion, effVendorSpecific, effCanDo, effGetTailSize, effIdle, effGetIcon,
    effSetViewPosition, effGetParameterProperties, effKeysRequired, effGetVstVersion,
    effEditKeyDown, effEditKeyUp, effSetEditKnobMode, effGetMidiProgramName,
    effGetCurrentMidiProgram, effGetMidiProgramCategory, effHasMidiProgramsChanged,
    effGetMidiKeyName, effBeginSetProgram, effEndSetProgram, effGetSpeakerArrangement,
    effShellGetNextPlugin, effStartProcess, effStopProcess, effSetTotalSampleToProcess,
    effSetPanLaw, effBeginLoadBank, effBeginLoadProgram, effSetProcessPrecision,
    effGetNumMidiInputChannels, effGetNumMidiOutputChannels,
};

static_assert(effGetVstVersion == 58 && effSetTotalSampleToProcess == 73 && effGetNumMidiOutputChannels == 79);

inline constexpr int32 kLastHandledOpcode = effSetProcessPrecision - 1; // 76: anything above answers 0

enum HostOpcode : int32 {
    audioMasterAutomate = 0,
    audioMasterVersion = 1,
    audioMasterCurrentId = 2,
    audioMasterIdle = 3,
    audioMasterWantMidi = 6,
    audioMasterGetTime = 7,
    audioMasterSizeWindow = 15,  // index: width, value: height of the editor's window
    audioMasterGetSampleRate = 16,
    audioMasterGetBlockSize = 17,
    audioMasterGetVendorString = 32,
    audioMasterGetProductString = 33,
    audioMasterGetVendorVersion = 34,
    audioMasterCanDo = 37,
    audioMasterUpdateDisplay = 42,
};

enum PlugCategory : int32 {
    kPlugCategUnknown = 0,
    kPlugCategEffect = 1,
    kPlugCategSynth = 2,
};

// Text limits of host buffers, terminator included.
inline constexpr int kMaxProgramNameLen = 24;
inline constexpr int kMaxParamStrLen = 24; // parameter name, label and display
inline constexpr int kMaxEffectNameLen = 32;
inline constexpr int kMaxVendorStrLen = 64;
inline constexpr int kMaxProductStrLen = 64;

enum EventType : int32 {
    kMidiType = 1,
};

struct Event {
    int32 type;
    int32 byteSize;
    int32 deltaFrames;
    int32 flags;
    char data[16];
};

struct MidiEvent {
    int32 type;
    int32 byteSize;
    int32 deltaFrames;
    int32 flags;
    int32 noteLength;
    int32 noteOffset;
    char midiData[4];
    char detune;
    char noteOffVelocity;
    char reserved1;
    char reserved2;
};

struct Events {
    int32 numEvents;
    intptr reserved;
    Event* events[2]; // the host allocates numEvents entries
};

enum TimeInfoFlags : int32 {
    kTransportChanged = 1,
    kTransportPlaying = 1 << 1,
    kTransportCycleActive = 1 << 2,
    kTransportRecording = 1 << 3,
    kNanosValid = 1 << 8,
    kPpqPosValid = 1 << 9,
    kTempoValid = 1 << 10,
    kBarsValid = 1 << 11,
    kCyclePosValid = 1 << 12,
    kTimeSigValid = 1 << 13,
};

struct TimeInfo {
    double samplePos;
    double sampleRate;
    double nanoSeconds;
    double ppqPos;
    double tempo;
    double barStartPos;
    double cycleStartPos;
    double cycleEndPos;
    int32 timeSigNumerator;
    int32 timeSigDenominator;
    int32 smpteOffset;
    int32 smpteFrameRate;
    int32 samplesToNextClock;
    int32 flags;
};

enum PinFlags : int32 {
    kPinIsActive = 1,
    kPinIsStereo = 2,
};

struct PinProperties {
    char label[64];
    int32 flags;
    int32 arrangementType;
    char shortLabel[8];
    char future[48];
};

struct EditorRect {
    int16 top;
    int16 left;
    int16 bottom;
    int16 right;
};

static_assert(sizeof(EffectRecord) == 192, "effect record layout must match hosts");
static_assert(sizeof(MidiEvent) == 32, "MIDI event layout must match hosts");
static_assert(sizeof(TimeInfo) == 88, "time record layout must match hosts");
static_assert(sizeof(PinProperties) == 128, "pin properties layout must match hosts");

} // namespace vst
