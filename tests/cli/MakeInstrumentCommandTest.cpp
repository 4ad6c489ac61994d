// `tessarine make-instrument` and `tessarine make-preset`: what the library
// build relies on. A recipe becomes exactly the instrument it describes, a
// faulty recipe is refused with its line named and nothing written, and the
// drawn presets have the shapes they are named after.

#include "support/RunCommand.h"
#include "support/TestVoices.h"

#include "params/ParameterMapping.h"
#include "params/ParameterTable.h"
#include "sound/files/InstrumentFile.h"
#include "sound/files/PresetFile.h"
#include "sound/files/VoiceFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <tuple>
#include <utility>

namespace {

using namespace tessarine;
using namespace tessarine::test;
namespace fs = std::filesystem;

// Four voices below DIR/Test, named a to d, with 1 to 4 multisamples; one
// folder per test, since CTest runs tests side by side.
std::string voicesFolder(const std::string& name)
{
    const std::string folder = tempPath(name);
    fs::create_directories(folder + "/Test");
    auto voice = std::make_unique<Voice>();
    RecordStream stream;
    for (int i = 0; i < 4; ++i) {
        voice->multisampleCount = i + 1;
        fillRandomVoice(*voice, static_cast<std::uint32_t>(40 + i), i + 1, 1, 6);
        const std::string path = folder + "/Test/" + static_cast<char>('a' + i) + ".t9v";
        EXPECT_TRUE(saveVoiceFile(path, *voice, stream)) << path;
    }
    return folder;
}

std::string writeRecipe(const std::string& name, const std::string& text)
{
    const std::string path = tempPath(name);
    std::ofstream(path) << text;
    return path;
}

const char* kSlots = "A = Test/a\nB = Test/b\nC = Test/c\nD = Test/d\n";

} // namespace

TEST(MakeInstrumentCommand, BuildsTheInstrumentTheRecipeDescribes)
{
    const std::string voices = voicesFolder("make-instrument-built");
    const std::string recipe = writeRecipe("make-instrument-recipe.txt", std::string("# a comment\n") + kSlots +
                                                             "Stretch = 0.5\n  Sustain On = 1\nModSource1 = 3\n"
                                                             "B cutoff = 0.25\ncurve harmonic-x = 0:0.1 2:0.9\n");
    const std::string out = tempPath("Warm Keys.t9i");
    CommandResult result = runCli("make-instrument '" + recipe + "' --voices '" + voices + "' -o '" + out + "'");
    ASSERT_EQ(result.status, 0) << result.output;

    auto instrument = std::make_unique<Instrument>();
    RecordStream stream;
    ASSERT_TRUE(loadInstrumentFile(out, *instrument, stream));
    EXPECT_STREQ(instrument->name.data(), "Warm Keys");
    const auto value = [&](int index) { return instrument->parameterValues[static_cast<std::size_t>(index)]; };
    // The pedal is never saved held; the volume, not in the recipe, keeps its start value.
    for (auto [index, expected] : {std::pair{kStretch, 0.5f}, {kModSource1, 3.0f}, {kSustainOn, 0.0f}, {kVolume, 0.5f},
                                   {kVoiceCutoffB, 0.25f}}) {
        EXPECT_EQ(value(index), expected) << index;
    }
    for (int slot = 0; slot < 4; ++slot) {
        EXPECT_EQ(instrument->voices[static_cast<std::size_t>(slot)].nameView(), std::string(1, 'a' + slot));
        EXPECT_EQ(instrument->voices[static_cast<std::size_t>(slot)].multisampleCount, slot + 1);
        // The editor's multisample selector agrees with the voice.
        EXPECT_EQ(multisampleCount(value(kNumMultisamplesA + slot)), slot + 1);
    }
    const BreakpointCurve& path = instrument->morphPathCurves[kHarmonicMorphX];
    EXPECT_EQ(std::tuple(path.pointCount(), path.timeAt(1), path.value(1)), std::tuple(2, 2.0f, 0.9f));
}

TEST(MakeInstrumentCommand, RefusesAFaultyRecipeAndLeavesTheOutputAlone)
{
    const std::string voices = voicesFolder("make-instrument-refused");
    const struct { std::string recipe; const char* message; } cases[] = {
        {std::string(kSlots) + "Warmth = 0.5\n", "line 5: no parameter named 'Warmth'"},
        {std::string(kSlots) + "Volume = 1.5\n", "line 5: Volume: '1.5' is out of range"},
        {std::string(kSlots) + "Volume = loud\n", "out of range"},
        {std::string(kSlots) + "ModTarget1 = 2.5\n", "out of range"},
        {std::string(kSlots) + "Stretch 0.5\n", "line 5: expected NAME = VALUE"},
        {std::string(kSlots) + "curve harmonic-x = 1:0 0:1\n", "curve times must ascend"},
        {std::string(kSlots) + "curve wobble = 0:1\n", "no curve named 'wobble'"},
        {std::string(kSlots) + "A loop = 2 1\n", "expected 'loop = START END'"},
        {"A = Test/a\nB = Test/b\nC = Test/c\n", "slot D has no voice"},
        {"A = Test/missing\n", "line 1: "},
    };
    const std::string out = tempPath("make-instrument-kept.t9i");
    std::ofstream(out) << "earlier file";
    for (const auto& c : cases) {
        const std::string recipe = writeRecipe("make-instrument-bad.txt", c.recipe);
        CommandResult result = runCli("make-instrument '" + recipe + "' --voices '" + voices + "' -o '" + out + "'");
        EXPECT_NE(result.status, 0) << c.recipe;
        EXPECT_NE(result.output.find(c.message), std::string::npos) << result.output;
        std::ifstream kept(out);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "earlier file") << c.recipe;
    }
}

TEST(MakePresetCommand, DrawsTheNamedShapes)
{
    auto voice = std::make_unique<Voice>();
    RecordStream stream;
    // Harmonic amplitudes relative to the fundamental at the held part of the sound.
    const struct { const char* shape; float second, third; } harmonics[] = {
        {"saw", 0.5f, 1.0f / 3.0f}, {"square", 0.0f, 1.0f / 3.0f}, {"triangle", 0.0f, 1.0f / 9.0f}};
    for (const auto& h : harmonics) {
        const std::string out = tempPath("make-preset-" + std::string(h.shape) + ".t9h");
        CommandResult result = runCli("make-preset --shape " + std::string(h.shape) + " -o '" + out + "'");
        ASSERT_EQ(result.status, 0) << result.output;
        ASSERT_TRUE(loadHarmonicPresetInto(out, *voice, stream));
        HarmonicData& data = voice->layer(0, 1).harmonic;
        const float first = data.amplitude(0).valueAt(1.0f);
        ASSERT_GT(first, 0.0f) << h.shape;
        EXPECT_NEAR(data.amplitude(1).valueAt(1.0f) / first, h.second, 1e-4f) << h.shape;
        EXPECT_NEAR(data.amplitude(2).valueAt(1.0f) / first, h.third, 1e-4f) << h.shape;
        EXPECT_EQ(data.frequency(4).valueAt(1.0f), 5.0f) << h.shape;
    }

    // A whispered "ah": louder at its first formant than between the formants.
    const std::string vowel = tempPath("make-preset-ah.t9n");
    ASSERT_EQ(runCli("make-preset --shape formant --formants 730,1090,2440 -o '" + vowel + "'").status, 0);
    ASSERT_TRUE(loadNoisePresetInto(vowel, *voice, stream));
    BreakpointCurve& spectrum = voice->layer(0, 1).noise.frame(2).spectrum;
    EXPECT_GT(spectrum.valueAt(730.0f / kNoiseSpectrumSpan), 4.0f * spectrum.valueAt(1800.0f / kNoiseSpectrumSpan));

    const char* refusals[] = {"--shape saw -o x.wav", "--shape wobble -o x.t9h", "--shape formant -o x.t9n",
                              "--shape saw --from v.t9v -o x.t9h", "--from missing.t9v -o x.t9h",
                              "--shape formant --formants nan -o x.t9n", "--shape formant --formants 700,inf -o x.t9n",
                              "--shape formant --formants -5 -o x.t9n", "--shape formant --formants 1e9 -o x.t9n"};
    for (const char* arguments : refusals) {
        EXPECT_NE(runCli(std::string("make-preset ") + arguments).status, 0) << arguments;
    }
    EXPECT_FALSE(std::filesystem::exists("x.t9n")) << "a refused preset is not written";
}
