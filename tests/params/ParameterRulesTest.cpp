// The value rules that turn a 0..1 parameter into what the engine plays, and
// the table the host and editor read.

#include "params/ModulationLists.h"
#include "params/NoteFrequencyTable.h"
#include "params/ParameterMapping.h"
#include "params/ParameterTable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace tessarine {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

TEST(ParameterRules, WholeNumberSettingsStayInRange)
{
    struct Case { const char* what; int (*rule)(float); std::vector<std::pair<float, int>> valuesAndSettings; };
    const Case cases[] = {
        {"filter mode", filterMode, {{0.5f, 2}, {0.16f, 0}, {0.17f, 1}, {1.0f, 2}, {kNaN, 0}}},
        {"multisamples", multisampleCount, {{0.0f, 1}, {1.0f, 8}, {0.125f, 2}, {50.0f, 8}, {-1.0f, 1}}},
        {"bend", pitchBendRange, {{0.0f, 1}, {1.0f, 24}, {kInf, 24}}},
        {"voices", voiceLimit, {{0.0f, 1}, {1.0f, 12}}},
        {"harmonics", noteHarmonicCount, {{1.0f, 64}, {0.0f, 1}}},
        {"lfo shape", lfoShape, {{1.0f, 2}, {0.3f, 0}, {0.34f, 1}}},
        {"tempo step", tempoStep, {{1.0f, 1}, {0.97f, 1}, {0.93f, 2}, {0.275f, 15}, {0.225f, 16}, {0.175f, 32},
                                   {0.125f, 48}, {0.075f, 64}, {0.025f, 80}, {0.0f, 80}, {-3.0f, 80}, {7.0f, 1},
                                   {kNaN, 1}, {-kInf, 80}}},
    };
    for (const Case& c : cases) {
        for (auto [value, expected] : c.valuesAndSettings) {
            EXPECT_EQ(c.rule(value), expected) << c.what << " of " << value;
        }
    }
    // A sixteenth of a beat at 120 bpm, the LFO's fastest period.
    EXPECT_DOUBLE_EQ(tempoStep(1.0f) * 0.0625 * 60.0 / usableTempo(120.0), 0.03125);
    EXPECT_DOUBLE_EQ(usableTempo(0.0), 120.0);
    EXPECT_DOUBLE_EQ(usableTempo(std::nan("")), 120.0);
}

TEST(ParameterRules, CompressIsCappedShortOfFullAndStretchIsContinuousAroundTheMiddle)
{
    for (auto [value, expected] : {std::pair{0.99f, 0.99f}, {1.0f, 0.99f}, {0.3f, 0.3f}, {kNaN, 0.0f}}) {
        EXPECT_NEAR(compressAmount(value), expected, 1e-6f) << "compress of " << value;
    }
    for (auto [value, expected, tolerance] : {std::tuple{0.0f, 0.2f, 0.0f}, {0.5f, 1.0f, 0.0f}, {1.0f, 5.0f, 0.0f},
                                              {0.4999f, 1.0f, 1e-3f}, {0.5001f, 1.0f, 1e-3f}}) {
        EXPECT_NEAR(stretchFactor(value), expected, tolerance + 1e-6f) << "stretch of " << value;
    }
}

TEST(ParameterTable, NamesAreHostSafe)
{
    std::set<std::string> names;
    for (int i = 0; i < kParameterCount; ++i) {
        const ParameterInfo& row = parameterTable()[static_cast<std::size_t>(i)];
        EXPECT_LT(std::strlen(row.name), 24u) << i;
        EXPECT_TRUE(row.start >= 0.0f && row.start <= 1.0f) << i << " starts at " << row.start;
        if (i < 162) {
            EXPECT_TRUE(names.insert(row.name).second) << "duplicate name " << row.name;
        } else {
            EXPECT_STREQ(row.name, " ") << i;
        }
    }
    const std::pair<int, const char*> cases[] = {{kMasterDetune, "MasterDetune"}, {kVoiceCutoffA, "Unused1"},   {kCompress, "Compress"},
                          {kModSource1 + 9, "ModSource10"}, {kModMax1 + 9, "ModMax10"},  {kSustainOn, "Sustain On"},
                          {kLfo2Rate, "Lfo2Rate"},          {kMBass, "MBass"},           {kLoopSync2, "LoopSync2"}};
    for (auto [index, name] : cases) {
        EXPECT_STREQ(parameterTable()[static_cast<std::size_t>(index)].name, name);
    }
    for (auto [index, name] : {std::pair{173, "Param 173"}, {-7, "Param -7"}, {172, " "}}) {
        char text[24];
        parameterName(index, text, sizeof(text));
        EXPECT_STREQ(text, name) << index;
    }
}

// A value from outside is held to its own parameter's range, so no host can
// set a gain the controls cannot.
TEST(ParameterTable, ValuesAreHeldToTheirOwnRange)
{
    struct Case { int index; float written, held; };
    const Case cases[] = {
        {kVelocitySens, 127.0f, 1.0f}, {kVelocitySens, kInf, 1.0f},    {kHarmAmount, -1.0f, 0.0f},
        {kMorphHarmY, 0.25f, 0.25f},   {kVolume, kNaN, 0.5f},          {kVoiceCutoffB, 2.0f, 1.0f},
        {kModSource1, 126.0f, 126.0f}, {kModSource1 + 9, 127.0f, 126.0f}, {kModTarget1, 53.0f, 53.0f},
        {kModTarget1 + 3, 54.0f, 53.0f}, {kModTarget1, -kInf, 0.0f},   {kModMin1, 3.0f, 1.0f},
        {kFilterSaturation + 10, 9.0f, 1.0f}, {200, 9.0f, 9.0f},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(clampedParameter(c.index, c.written), c.held) << c.index << " written as " << c.written;
    }
    for (int i = 0; i < kParameterCount; ++i) {
        const float start = parameterTable()[static_cast<std::size_t>(i)].start;
        EXPECT_EQ(clampedParameter(i, start), start) << "the start value of " << i << " lies in its range";
    }
}

TEST(ModulationLists, SourcesAndTargets)
{
    const std::pair<int, const char*> sources[] = {
        {0, "None"},   {6, "Envelope"},           {7, " "},                  {8, "0  Bank Select"}, {18, "10 Pan"},
        {72, "64 Damper (Sustain)"}, {105, "97 Data entry -1"}, {126, "118 Undefined"}, {127, ""}, {-1, ""},
    };
    for (auto [n, text] : sources) {
        EXPECT_STREQ(modulationSourceText(n), text) << n;
    }
    const std::pair<int, int> targets[] = {{0, -1},  {1, kMorphHarmX},    {5, kMorphAmpX}, {19, kFormantFreq},
                                           {24, kFilterCutoff}, {42, kSustainOn}, {53, 172}, {54, -1}};
    for (auto [n, parameter] : targets) {
        EXPECT_EQ(modulationTargetParameter(n), parameter) << n;
    }
    EXPECT_STREQ(modulationTargetText(0), "None");
    EXPECT_STREQ(modulationTargetText(23), "Compress");
    EXPECT_STREQ(modulationTargetText(54), "");
    std::set<int> targetsSeen;
    for (int n = 1; n < kTargetCount; ++n) {
        EXPECT_TRUE(targetsSeen.insert(modulationTargetParameter(n)).second) << "target " << n << " repeats";
    }
}

TEST(NoteFrequencyTable, TuningAndNames)
{
    const NoteFrequencyTable& table = noteFrequencyTable();
    EXPECT_NEAR(table.frequency(69), 440.0f, 0.01f);
    EXPECT_NEAR(table.frequency(60), 261.6256f, 0.01f);
    EXPECT_NEAR(table.frequency(0), 8.1758f, 1e-4f);
    EXPECT_EQ(table.frequency(-5), table.frequency(0));
    EXPECT_EQ(table.frequency(300), table.frequency(127));
    for (auto [key, name] : {std::pair{60, "C 4"}, {61, "C#4"}, {10, "A#N"}, {127, "G 9"}}) {
        EXPECT_STREQ(table.name(key), name) << key;
    }
}

} // namespace
} // namespace tessarine
