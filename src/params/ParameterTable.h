#pragma once
// The one table of every engine value: host parameters 0..172 and the editor's
// value slots 173..254. The engine, the host answers and the editor all read it,
// so a name or start value is changed in exactly one place.

#include <array>
#include <cstddef>

namespace tessarine {

inline constexpr int kParameterCount = 173; // what the host sees
inline constexpr int kValueCount = 255;     // host parameters plus editor slots

// How the editor shows a value beside its control.
enum class DisplayFormat {
    None,
    Percent,
    PercentOrOff,
    Times5,
    Times3,
    Times30,
    FractionOrOff,
    TempoFraction,
    Cutoff,
    Bend,
    StretchPercent,
    SourceList,
    TargetList,
};

struct ParameterInfo {
    const char* name;     // host-visible name, at most 23 characters
    float start;          // value applied at engine construction
    DisplayFormat display;
    // What the host shows after the display text: the unit a musician reads
    // the value in. Values without a format are shown as percentages.
    const char* unit = nullptr;
};

enum Param : int {
    kMasterDetune = 0,
    kLowHighButtonA, kLowHighButtonB, kLowHighButtonC, kLowHighButtonD,
    kSoftLoudButtonA, kSoftLoudButtonB, kSoftLoudButtonC, kSoftLoudButtonD,
    kSoloButtonA, kSoloButtonB, kSoloButtonC, kSoloButtonD,
    kHarmonizeAOn, kHarmonizeBOn, kHarmonizeCOn, kHarmonizeDOn,
    kVelocitySens = 17,
    kChorusMix,
    kMorphModeSelector,
    kPitchbendRange,
    kVoiceDetuneA, kVoiceDetuneB, kVoiceDetuneC, kVoiceDetuneD,
    kVoiceCutoffA = 25, kVoiceCutoffB, kVoiceCutoffC, kVoiceCutoffD, // host names Unused1..4
    kDoMorphing = 29,
    kMorphHarmX, kMorphHarmY, kMorphNoiseX, kMorphNoiseY,
    kBrightness = 34,
    kHarmAmount, kNoiseAmount,
    kLfoRate, kLfoVibrato, kLfoTremolo,
    kPortamentoOn = 40, kPortamentoRate,
    kUnused27 = 42,
    kAttack = 43,
    kUnused28 = 44,
    kStretch = 45,
    kRelease = 46,
    kVolume = 47,
    kStereoWidth = 48,
    kFormantFilterOn = 49,
    kDistortionOn = 50, kDistortion, kTube, kCompress,
    kFilterOn = 54, kFilterMode, kFilterEnv, kFilterCutoff, kFilterRes,
    kChorusOn = 59, kChorusDelay, kChorusDepth, kChorusRate,
    kDelayOn = 63, kDelayMix, kDelayFeedback, kDelaySyncL, kDelaySyncR,
    kReverbOn = 68, kReverbMix, kReverbSize,
    kUnused5 = 71,
    kReverbDecay = 72,
    kLfoOn = 73,
    kUnused29 = 74,
    kModSource1 = 75,  // ten rows, 75..84
    kModTarget1 = 85,  // 85..94
    kModMin1 = 95,     // 95..104
    kModMax1 = 105,    // 105..114
    kNumMultisamplesA = 115, kNumMultisamplesB, kNumMultisamplesC, kNumMultisamplesD,
    kMultisampleA = 119, kMultisampleB, kMultisampleC, kMultisampleD,
    kEnvelopeMorphOn = 123,
    kLfoShape = 124,
    kLfoCutoff = 125,
    kFormantFreq = 126,
    kUnused24 = 127,
    kVoiceHarmonicVolumeA = 128, kVoiceHarmonicVolumeB, kVoiceHarmonicVolumeC, kVoiceHarmonicVolumeD,
    kVoiceNoiseVolumeA = 132, kVoiceNoiseVolumeB, kVoiceNoiseVolumeC, kVoiceNoiseVolumeD,
    kEnvelopeModeA = 136, kEnvelopeModeB, kEnvelopeModeC, kEnvelopeModeD,
    kMBass = 140,
    kNumHarmonicsA = 141, kNumHarmonicsB, kNumHarmonicsC, kNumHarmonicsD,
    kGlobalLoopStartTime = 145, kGlobalLoopEndTime, kGlobalLoopOn, kGlobalSyncOn,
    kLoopSync1 = 149, // voice limit
    kLoopSync2,       // harmonic count of a note
    kLoopSync3, kLoopSync4,
    kMorphAmpX = 153, kMorphAmpY,
    kLfo1On = 155, kLfo2On, kLfo1Shape, kLfo2Shape, kLfo1Rate, kLfo2Rate,
    kSustainOn = 161,
    kFilterSaturation = 162, // host name " "
};

inline constexpr int kModulationRows = 10;
// The rows a musician can set and the engine plays; rows 9 and 10 stay in
// every record as stored, so that no instrument loses them.
inline constexpr int kModulationRowsShown = 8;

// Rows 0..172 of the table, in index order.
const std::array<ParameterInfo, kParameterCount>& parameterTable();

// The values a host parameter can mean: 0 … 1, or the menu number itself for
// the modulation source (0 … 126) and target (0 … 53) rows.
struct ParameterRange {
    float low;
    float high;
};
ParameterRange parameterRange(int index);

// A value from outside (host, project, file) held to the range of its host
// parameter; a NaN stands for the start value. Indices outside 0..172 pass
// unchanged. Plain arithmetic, safe on the audio thread.
float clampedParameter(int index, float value);

// The host-visible name of an index, written into text (at most capacity bytes,
// always terminated): the table's name, or "Param %d" from 173 on.
void parameterName(int index, char* text, std::size_t capacity);

// Host parameters no control sets: the table's spare slots, the blank-named
// ones after the filter's saturation and the modulation rows past those shown.
// Formats that can hide a parameter hide these; each keeps its index, id and
// port symbol, since stored projects name them.
bool parameterHidden(int index);

} // namespace tessarine
