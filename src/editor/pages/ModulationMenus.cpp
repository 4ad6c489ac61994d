#include "editor/pages/ModulationMenus.h"

#include "editor/pages/ControlHelp.h"
#include "gui/OptionMenu.h"
#include "params/ModulationLists.h"
#include "params/ParameterTable.h"

#include <string>
#include <utility>
#include <vector>

namespace tessarine {

namespace {

// The names controllers are known by on keyboards and in hosts.
constexpr std::pair<int, const char*> kControllerNames[] = {
    {0, "Bank select"},      {1, "Mod wheel"},        {2, "Breath"},           {4, "Foot pedal"},
    {5, "Portamento time"},  {6, "Data entry"},       {7, "Volume"},           {8, "Balance"},
    {10, "Pan"},             {11, "Expression"},      {12, "Effect 1"},        {13, "Effect 2"},
    {16, "General 1"},       {17, "General 2"},       {18, "General 3"},       {19, "General 4"},
    {64, "Sustain pedal"},   {65, "Portamento"},      {66, "Sostenuto"},       {67, "Soft pedal"},
    {68, "Legato"},          {69, "Hold 2"},          {70, "Variation"},       {71, "Resonance"},
    {72, "Release"},         {73, "Attack"},          {74, "Brightness"},      {75, "Decay"},
    {76, "Vibrato rate"},    {77, "Vibrato depth"},   {78, "Vibrato delay"},   {80, "General 5"},
    {81, "General 6"},       {82, "General 7"},       {83, "General 8"},       {84, "Portamento control"},
    {91, "Reverb"},          {92, "Tremolo"},         {93, "Chorus"},          {94, "Detune"},
    {95, "Phaser"},
};

// The controllers a musician reaches for first.
constexpr int kCommonControllers[] = {1, 2, 4, 7, 10, 11, 64, 71, 72, 73, 74, 91, 93};

std::string controllerText(int controller)
{
    std::string text = "CC " + std::to_string(controller);
    if (const char* name = controllerCommonName(controller); name[0] != '\0') {
        text += std::string(" ") + name;
    } else if (controller >= 32 && controller < 64) {
        text += " (fine " + std::to_string(controller - 32) + ")";
    }
    return text;
}

int sourceOfController(int controller) { return kFirstControllerSource + controller; }

int targetOf(int parameter)
{
    for (int n = 0; n < kTargetCount; ++n) {
        if (modulationTargetParameter(n) == parameter) {
            return n;
        }
    }
    return -1;
}

} // namespace

const char* controllerCommonName(int controller)
{
    for (const auto& [number, name] : kControllerNames) {
        if (number == controller) {
            return name;
        }
    }
    return "";
}

void fillModulationSourceMenu(gui::OptionMenu& menu)
{
    menu.clear();
    const char* fixed[kFirstControllerSource] = {"None",  "Velocity", "Aftertouch",          "Key position",
                                                 "LFO 1", "LFO 2",    "Modulation envelope", ""};
    for (int n = 0; n < kSourceCount; ++n) {
        menu.addEntry(n < kFirstControllerSource ? fixed[n] : controllerText(n - kFirstControllerSource));
    }
    std::vector<gui::EntryGroup> groups;
    for (int n : {int(kSourceNone), int(kSourceVelocity), int(kSourceAftertouch), int(kSourceKeyPosition)}) {
        groups.push_back({"", {n}});
    }
    groups.push_back({"LFOs and envelope", {kSourceLfo1, kSourceLfo2, kSourceEnvelope}});
    gui::EntryGroup common{"Common MIDI controllers", {}};
    for (int controller : kCommonControllers) {
        common.entries.push_back(sourceOfController(controller));
    }
    groups.push_back(std::move(common));
    const int lastController = kSourceCount - kFirstControllerSource - 1;
    for (int first = 0; first <= lastController; first += 32) {
        const int last = std::min(first + 31, lastController);
        gui::EntryGroup range{"MIDI controllers " + std::to_string(first) + "\xe2\x80\x93" + std::to_string(last), {}};
        for (int controller = first; controller <= last; ++controller) {
            range.entries.push_back(sourceOfController(controller));
        }
        groups.push_back(std::move(range));
    }
    menu.setGroups(std::move(groups));
}

void fillModulationTargetMenu(gui::OptionMenu& menu)
{
    menu.clear();
    for (int n = 0; n < kTargetCount; ++n) {
        const int parameter = modulationTargetParameter(n);
        // The last rows of the list name parameters that move nothing.
        menu.addEntry(parameter < 0                    ? std::string("None")
                          : parameter > kFilterSaturation ? std::string("(unused ") + std::to_string(parameter) + ")"
                                                          : controlHelp(parameter).name);
    }
    struct Section {
        const char* title;
        std::vector<int> parameters;
    };
    const Section sections[] = {
        {"Morph", {kMorphHarmX, kMorphHarmY, kMorphNoiseX, kMorphNoiseY, kMorphAmpX, kMorphAmpY}},
        {"Tone", {kBrightness, kHarmAmount, kNoiseAmount, kFormantFreq}},
        {"Note", {kAttack, kStretch, kRelease, kPortamentoRate, kSustainOn}},
        {"Note LFO", {kLfoRate, kLfoVibrato, kLfoTremolo}},
        {"LFO 1 and 2", {kLfo1Shape, kLfo1Rate, kLfo2Shape, kLfo2Rate}},
        {"Filter", {kFilterCutoff, kFilterRes, kFilterEnv, kFilterSaturation}},
        {"Drive", {kDistortion, kTube, kMBass, kCompress}},
        {"Chorus", {kChorusMix, kChorusDelay, kChorusDepth, kChorusRate}},
        {"Delay", {kDelayMix, kDelayFeedback, kDelaySyncL, kDelaySyncR}},
        {"Reverb", {kReverbMix, kReverbSize, kReverbDecay}},
        {"Output", {kVolume, kStereoWidth}},
    };
    std::vector<gui::EntryGroup> groups{{"", {targetOf(-1)}}};
    for (const Section& section : sections) {
        gui::EntryGroup group{section.title, {}};
        for (int parameter : section.parameters) {
            if (const int n = targetOf(parameter); n >= 0) {
                group.entries.push_back(n);
            }
        }
        groups.push_back(std::move(group));
    }
    menu.setGroups(std::move(groups));
}

} // namespace tessarine
