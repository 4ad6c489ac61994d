#include "params/ModulationLists.h"

#include "params/ParameterTable.h"

#include <cstdio>
#include <string_view>

namespace tessarine {

namespace {

constexpr int kControllerCount = kSourceCount - kFirstControllerSource; // 119

constexpr std::array<const char*, kControllerCount> makeControllerNames()
{
    std::array<const char*, kControllerCount> names{};
    for (auto& name : names) {
        name = "Undefined";
    }
    const std::pair<int, const char*> defined[] = {
        {0, "Bank Select"}, {1, "Modulation wheel"}, {2, "Breath control"}, {4, "Foot controller"},
        {5, "Portamento time"}, {6, "Data Entry"}, {7, "Channel Volume"}, {8, "Balance"},
        {10, "Pan"}, {11, "Expression"}, {12, "Effect 1"}, {13, "Effect 2"},
        {16, "GP Controller #1"}, {17, "GP Controller #2"}, {18, "GP Controller #3"}, {19, "GP Controller #4"},
        {32, "Bank Select"}, {33, "Modulation wheel"}, {34, "Breath control"}, {36, "Foot controller"},
        {37, "Portamento time"}, {38, "Data entry"}, {39, "Channel Volume"}, {40, "Balance"},
        {42, "Pan"}, {43, "Expression"}, {44, "Effect control 1"}, {45, "Effect control 2"},
        {48, "GP #1"}, {49, "GP #2"}, {50, "GP #3"}, {51, "GP #4"},
        {64, "Damper (Sustain)"}, {65, "Portamento on/off"}, {66, "Sustenuto on/off"},
        {67, "Soft pedal on/off"}, {68, "Legato Footswitch"}, {69, "Hold 2"},
        {70, "SC 1 (Sound Var)"}, {71, "SC 2 (Timbre)"}, {72, "SC 3 (Release)"}, {73, "SC 4 (Attack)"},
        {74, "SC 5 (Brightness)"}, {75, "SC 6"}, {76, "SC 7"}, {77, "SC 8"}, {78, "SC 9"}, {79, "SC 10"},
        {80, "GP #5"}, {81, "GP #6"}, {82, "GP #7"}, {83, "GP #8"}, {84, "Portamento"},
        {91, "Effects 1 Depth"}, {92, "Effects 2 Depth"}, {93, "Effects 3 Depth"},
        {94, "Effects 4 Depth"}, {95, "Effects 5 Depth"}, {96, "Data entry +1"}, {97, "Data entry -1"},
        {98, "NRPN LSB"}, {99, "NRPN MSB"}, {100, "RPN LSB"}, {101, "RPN MSB"},
    };
    for (const auto& [controller, name] : defined) {
        names[static_cast<std::size_t>(controller)] = name;
    }
    return names;
}

constexpr auto kControllerNames = makeControllerNames();

// Built once; every entry fits "118 Effects 5 Depth" with room to spare.
struct SourceTexts {
    std::array<std::array<char, 32>, kSourceCount> texts{};
    SourceTexts()
    {
        const char* fixed[kFirstControllerSource] = {"None",  "Velocity", "Aftertouch", "Key Position",
                                                     "LFO 1", "LFO 2",    "Envelope",   " "};
        for (int i = 0; i < kSourceCount; ++i) {
            auto& text = texts[static_cast<std::size_t>(i)];
            if (i < kFirstControllerSource) {
                std::snprintf(text.data(), text.size(), "%s", fixed[i]);
            } else {
                int controller = i - kFirstControllerSource;
                std::snprintf(text.data(), text.size(), controller < 10 ? "%d  %s" : "%d %s", controller,
                              kControllerNames[static_cast<std::size_t>(controller)]);
            }
        }
    }
};

constexpr std::array<int, kTargetCount> kTargets{
    -1,
    kMorphHarmX, kMorphHarmY, kMorphNoiseX, kMorphNoiseY, kMorphAmpX, kMorphAmpY,
    kBrightness, kHarmAmount, kNoiseAmount, kLfoRate, kLfoVibrato, kLfoTremolo,
    kPortamentoRate, kAttack, kStretch, kRelease, kVolume, kStereoWidth,
    kFormantFreq, kDistortion, kTube, kMBass, kCompress,
    kFilterCutoff, kFilterRes, kFilterEnv,
    kChorusMix, kChorusDelay, kChorusDepth, kChorusRate,
    kDelayMix, kDelayFeedback, kDelaySyncL, kDelaySyncR,
    kReverbMix, kReverbSize, kReverbDecay,
    kLfo1Shape, kLfo1Rate, kLfo2Shape, kLfo2Rate, kSustainOn,
    162, 163, 164, 165, 166, 167, 168, 169, 170, 171, 172,
};

} // namespace

const char* modulationSourceText(int number)
{
    static const SourceTexts sources;
    if (number < 0 || number >= kSourceCount) {
        return "";
    }
    return sources.texts[static_cast<std::size_t>(number)].data();
}

int modulationTargetParameter(int number)
{
    if (number < 0 || number >= kTargetCount) {
        return -1;
    }
    return kTargets[static_cast<std::size_t>(number)];
}

const char* modulationTargetText(int number)
{
    if (number < 0 || number >= kTargetCount) {
        return "";
    }
    int index = kTargets[static_cast<std::size_t>(number)];
    return index < 0 ? "None" : parameterTable()[static_cast<std::size_t>(index)].name;
}

} // namespace tessarine
