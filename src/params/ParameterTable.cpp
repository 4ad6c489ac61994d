#include "params/ParameterTable.h"

#include "params/ModulationLists.h"

#include <cmath>
#include <cstdio>

namespace tessarine {

namespace {

using D = DisplayFormat;

// Slots 25..28 keep their value in the slot's voice data; 1 means "no cutoff",
// which is also what a fresh voice holds.
constexpr std::array<ParameterInfo, kParameterCount> kTable{{
    {"MasterDetune", 0.5f, D::None},
    {"LowHighButtonA", 0.0f, D::None},
    {"LowHighButtonB", 0.0f, D::None},
    {"LowHighButtonC", 0.0f, D::None},
    {"LowHighButtonD", 0.0f, D::None},
    {"SoftLoudButtonA", 0.0f, D::None},
    {"SoftLoudButtonB", 0.0f, D::None},
    {"SoftLoudButtonC", 0.0f, D::None},
    {"SoftLoudButtonD", 0.0f, D::None},
    {"SoloButtonA", 0.0f, D::None},
    {"SoloButtonB", 0.0f, D::None},
    {"SoloButtonC", 0.0f, D::None},
    {"SoloButtonD", 0.0f, D::None},
    {"HarmonizeAOn", 0.0f, D::None},
    {"HarmonizeBOn", 0.0f, D::None},
    {"HarmonizeCOn", 0.0f, D::None},
    {"HarmonizeDOn", 0.0f, D::None},
    {"VelocitySens", 0.0f, D::Percent, "%"},
    {"ChorusMix", 0.5f, D::Percent, "%"},
    {"MorphModeSelector", 0.0f, D::None},
    {"PitchbendRange", 0.0f, D::Bend, "semi"},
    {"VoiceDetuneA", 0.5f, D::None},
    {"VoiceDetuneB", 0.5f, D::None},
    {"VoiceDetuneC", 0.5f, D::None},
    {"VoiceDetuneD", 0.5f, D::None},
    {"Unused1", 1.0f, D::None},
    {"Unused2", 1.0f, D::None},
    {"Unused3", 1.0f, D::None},
    {"Unused4", 1.0f, D::None},
    {"DoMorphing", 1.0f, D::None},
    {"MorphHarmX", 0.5f, D::None},
    {"MorphHarmY", 0.5f, D::None},
    {"MorphNoiseX", 0.5f, D::None},
    {"MorphNoiseY", 0.5f, D::None},
    {"Brightness", 0.5f, D::Percent, "%"},
    {"HarmAmount", 0.5f, D::PercentOrOff, "%"},
    {"NoiseAmount", 0.5f, D::PercentOrOff, "%"},
    {"LfoRate", 0.0f, D::TempoFraction, "beat"},
    {"LfoVibrato", 0.0f, D::Percent, "%"},
    {"LfoTremolo", 0.0f, D::Percent, "%"},
    {"PortamentoOn", 0.0f, D::None},
    {"PortamentoRate", 0.0f, D::FractionOrOff, "s"},
    {"Unused27", 0.0f, D::None},
    {"Attack", 0.0f, D::Times5, "s"},
    {"Unused28", 0.0f, D::None},
    {"Stretch", 0.0f, D::StretchPercent, "%"},
    {"Release", 1.0f, D::Times3, "s"},
    {"Volume", 0.5f, D::Percent, "%"},
    {"StereoWidth", 1.0f, D::Percent, "%"},
    {"FormantFilterOn", 0.0f, D::None},
    {"DistortionOn", 0.0f, D::None},
    {"Distortion", 0.0f, D::Percent, "%"},
    {"Tube", 0.02f, D::Percent, "%"},
    {"Compress", 0.3f, D::Percent, "%"},
    {"FilterOn", 0.0f, D::None},
    {"FilterMode", 1.0f, D::None},
    {"FilterEnv", 0.1f, D::Percent, "%"},
    {"FilterCutoff", 0.8f, D::Cutoff, "Hz"},
    {"FilterRes", 0.03f, D::Percent, "%"},
    {"ChorusOn", 0.0f, D::None},
    {"ChorusDelay", 0.04f, D::Times30, "ms"},
    {"ChorusDepth", 0.9f, D::Times5, "ms"},
    {"ChorusRate", 0.2f, D::Times3, "Hz"},
    {"DelayOn", 0.0f, D::None},
    {"DelayMix", 1.0f, D::Percent, "%"},
    {"DelayFeedback", 0.4f, D::Percent, "%"},
    {"DelaySyncL", 1.0f, D::TempoFraction, "bar"},
    {"DelaySyncR", 0.5f, D::TempoFraction, "bar"},
    {"ReverbOn", 0.0f, D::None},
    {"ReverbMix", 1.0f, D::Percent, "%"},
    {"ReverbSize", 0.5f, D::Percent, "%"},
    {"Unused5", 0.0f, D::None},
    {"ReverbDecay", 0.5f, D::Percent, "%"},
    {"LfoOn", 0.0f, D::None},
    {"Unused29", 0.0f, D::None},
    {"ModSource1", 0.0f, D::SourceList, ""},
    {"ModSource2", 0.0f, D::SourceList, ""},
    {"ModSource3", 0.0f, D::SourceList, ""},
    {"ModSource4", 0.0f, D::SourceList, ""},
    {"ModSource5", 0.0f, D::SourceList, ""},
    {"ModSource6", 0.0f, D::SourceList, ""},
    {"ModSource7", 0.0f, D::SourceList, ""},
    {"ModSource8", 0.0f, D::SourceList, ""},
    {"ModSource9", 0.0f, D::SourceList, ""},
    {"ModSource10", 0.0f, D::SourceList, ""},
    {"ModTarget1", 0.0f, D::TargetList, ""},
    {"ModTarget2", 0.0f, D::TargetList, ""},
    {"ModTarget3", 0.0f, D::TargetList, ""},
    {"ModTarget4", 0.0f, D::TargetList, ""},
    {"ModTarget5", 0.0f, D::TargetList, ""},
    {"ModTarget6", 0.0f, D::TargetList, ""},
    {"ModTarget7", 0.0f, D::TargetList, ""},
    {"ModTarget8", 0.0f, D::TargetList, ""},
    {"ModTarget9", 0.0f, D::TargetList, ""},
    {"ModTarget10", 0.0f, D::TargetList, ""},
    {"ModMin1", 0.0f, D::None},
    {"ModMin2", 0.0f, D::None},
    {"ModMin3", 0.0f, D::None},
    {"ModMin4", 0.0f, D::None},
    {"ModMin5", 0.0f, D::None},
    {"ModMin6", 0.0f, D::None},
    {"ModMin7", 0.0f, D::None},
    {"ModMin8", 0.0f, D::None},
    {"ModMin9", 0.0f, D::None},
    {"ModMin10", 0.0f, D::None},
    {"ModMax1", 1.0f, D::None},
    {"ModMax2", 1.0f, D::None},
    {"ModMax3", 1.0f, D::None},
    {"ModMax4", 1.0f, D::None},
    {"ModMax5", 1.0f, D::None},
    {"ModMax6", 1.0f, D::None},
    {"ModMax7", 1.0f, D::None},
    {"ModMax8", 1.0f, D::None},
    {"ModMax9", 1.0f, D::None},
    {"ModMax10", 1.0f, D::None},
    {"NumMultisamplesA", 0.0f, D::None},
    {"NumMultisamplesB", 0.0f, D::None},
    {"NumMultisamplesC", 0.0f, D::None},
    {"NumMultisamplesD", 0.0f, D::None},
    {"MultisampleA", 0.0f, D::None},
    {"MultisampleB", 0.0f, D::None},
    {"MultisampleC", 0.0f, D::None},
    {"MultisampleD", 0.0f, D::None},
    {"EnvelopeMorphOn", 0.0f, D::None},
    {"LfoShape", 0.0f, D::None},
    {"LfoCutoff", 0.0f, D::None},
    {"FormantFreq", 0.5f, D::None}, // the formant filter's centre, where every instrument played it
    {"Unused24", 0.0f, D::None},
    {"VoiceHarmonicVolumeA", 0.5f, D::None},
    {"VoiceHarmonicVolumeB", 0.5f, D::None},
    {"VoiceHarmonicVolumeC", 0.5f, D::None},
    {"VoiceHarmonicVolumeD", 0.5f, D::None},
    {"VoiceNoiseVolumeA", 0.5f, D::None},
    {"VoiceNoiseVolumeB", 0.5f, D::None},
    {"VoiceNoiseVolumeC", 0.5f, D::None},
    {"VoiceNoiseVolumeD", 0.5f, D::None},
    {"EnvelopeModeA", 0.0f, D::None},
    {"EnvelopeModeB", 0.0f, D::None},
    {"EnvelopeModeC", 0.0f, D::None},
    {"EnvelopeModeD", 0.0f, D::None},
    {"MBass", 0.0f, D::Percent, "%"},
    {"NumHarmonicsA", 0.0f, D::None},
    {"NumHarmonicsB", 0.0f, D::None},
    {"NumHarmonicsC", 0.0f, D::None},
    {"NumHarmonicsD", 0.0f, D::None},
    {"GlobalLoopStartTime", 0.0f, D::None},
    {"GlobalLoopEndTime", 0.0f, D::None},
    {"GlobalLoopOn", 0.0f, D::None},
    {"GlobalSyncOn", 0.0f, D::None},
    {"LoopSync1", 0.0f, D::None},
    {"LoopSync2", 0.0f, D::None},
    {"LoopSync3", 0.0f, D::None},
    {"LoopSync4", 0.0f, D::None},
    {"MorphAmpX", 0.0f, D::None},
    {"MorphAmpY", 0.0f, D::None},
    {"Lfo1On", 0.0f, D::None},
    {"Lfo2On", 0.0f, D::None},
    {"Lfo1Shape", 0.0f, D::None},
    {"Lfo2Shape", 0.0f, D::None},
    {"Lfo1Rate", 0.0f, D::TempoFraction, "beat"},
    {"Lfo2Rate", 0.0f, D::TempoFraction, "beat"},
    {"Sustain On", 0.0f, D::None},
    {" ", 0.0f, D::None},
    {" ", 0.0f, D::None},
    {" ", 0.0f, D::None},
    {" ", 0.0f, D::None},
    {" ", 0.0f, D::None},
    {" ", 0.0f, D::None},
    {" ", 0.0f, D::None},
    {" ", 0.0f, D::None},
    {" ", 0.0f, D::None},
    {" ", 0.0f, D::None},
    {" ", 0.0f, D::None},
}};

} // namespace

const std::array<ParameterInfo, kParameterCount>& parameterTable() { return kTable; }

ParameterRange parameterRange(int index)
{
    if (index >= kModSource1 && index < kModSource1 + kModulationRows) {
        return {0.0f, static_cast<float>(kSourceCount - 1)};
    }
    if (index >= kModTarget1 && index < kModTarget1 + kModulationRows) {
        return {0.0f, static_cast<float>(kTargetCount - 1)};
    }
    return {0.0f, 1.0f};
}

float clampedParameter(int index, float value)
{
    if (index < 0 || index >= kParameterCount) {
        return value;
    }
    if (std::isnan(value)) {
        return kTable[static_cast<std::size_t>(index)].start;
    }
    const ParameterRange range = parameterRange(index);
    return value < range.low ? range.low : (value > range.high ? range.high : value);
}

void parameterName(int index, char* text, std::size_t capacity)
{
    if (text == nullptr || capacity == 0) {
        return;
    }
    if (index >= 0 && index < kParameterCount) {
        std::snprintf(text, capacity, "%s", kTable[static_cast<std::size_t>(index)].name);
    } else {
        std::snprintf(text, capacity, "Param %d", index);
    }
}

bool parameterHidden(int index)
{
    if (index < 0 || index >= kParameterCount) {
        return false;
    }
    for (int group : {kModSource1, kModTarget1, kModMin1, kModMax1}) {
        if (index >= group + kModulationRowsShown && index < group + kModulationRows) {
            return true;
        }
    }
    // 25..28 are named Unused but hold the slots' cutoffs, which the voice pages set.
    for (int spare : {kUnused27, kUnused28, kUnused5, kUnused29, kUnused24}) {
        if (index == spare) {
            return true;
        }
    }
    return index > kFilterSaturation;
}

} // namespace tessarine
