// Harmonic and noise presets: what a slot's preset menu does to the voice,
// and the dialogs' load and save on one shown layer.

#include "support/TestVoices.h"

#include "sound/files/LayerRecord.h"
#include "sound/files/PresetFile.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace tessarine;
using namespace tessarine::test;

// The record a layer half writes, to compare layers without field lists.
std::vector<std::byte> harmonicBytes(const LayerData& l) { return recordBytes([&](RecordStream& s) { return writeHarmonic(s, l.harmonic); }); }
std::vector<std::byte> noiseBytes(const LayerData& l) { return recordBytes([&](RecordStream& s) { return writeNoise(s, l.noise); }); }

TEST(PresetFile, SlotMenuMakesTheVoiceOneLayerOfOneMultisample)
{
    auto source = std::make_unique<Voice>();
    fillRandomVoice(*source, 41, 1, 2, 5);
    RecordStream stream;
    const std::string harmonicPath = tempPath("Bright Reed.t9h");
    const std::string noisePath = tempPath("Breath.t9n");
    ASSERT_TRUE(saveHarmonicPreset(harmonicPath, *source, 0, 0, stream));
    ASSERT_TRUE(saveNoisePreset(noisePath, *source, 0, 0, stream));

    auto voice = std::make_unique<Voice>();
    fillRandomVoice(*voice, 42, 4, 2, 3);
    const std::vector<std::byte> formerHarmonic = harmonicBytes(voice->layer(0, 1));
    const std::vector<std::byte> laterLayer = noiseBytes(voice->layer(2, 0));

    ASSERT_TRUE(loadNoisePresetInto(noisePath, *voice, stream));
    EXPECT_EQ(voice->multisampleCount, 1);
    EXPECT_EQ(voice->layerCount, 1);
    EXPECT_EQ(voice->nameView(), "random 42") << "a noise preset keeps the name";
    EXPECT_EQ(noiseBytes(voice->layer(0, 1)), noiseBytes(source->layer(0, 0)));
    EXPECT_EQ(harmonicBytes(voice->layer(0, 1)), formerHarmonic);
    EXPECT_EQ(noiseBytes(voice->layer(2, 0)), laterLayer) << "other layers untouched";

    ASSERT_TRUE(loadHarmonicPresetInto(harmonicPath, *voice, stream));
    EXPECT_EQ(voice->nameView(), "Bright Reed");
    EXPECT_EQ(harmonicBytes(voice->layer(0, 1)), harmonicBytes(source->layer(0, 0)));
    EXPECT_EQ(noiseBytes(voice->layer(0, 1)), noiseBytes(source->layer(0, 0)));
    prepareVoice(*voice); // the caller's step; the voice must then play as one layer
    EXPECT_EQ(harmonicBytes(voice->layer(0, 0)), harmonicBytes(voice->layer(0, 1)));

    // A file that cannot be opened changes nothing, not even the counts.
    fillRandomVoice(*voice, 43, 3, 2, 2);
    EXPECT_FALSE(loadHarmonicPresetInto(tempPath("absent.t9h"), *voice, stream));
    EXPECT_EQ(voice->multisampleCount, 3);
    EXPECT_EQ(voice->nameView(), "random 43");
}

TEST(PresetFile, DialogsWorkOnTheShownLayerOnly)
{
    auto source = std::make_unique<Voice>();
    fillRandomVoice(*source, 51, 3, 2, 6);
    RecordStream stream;
    const std::string harmonicPath = tempPath("shown.t9h");
    const std::string noisePath = tempPath("shown.t9n");
    ASSERT_TRUE(saveHarmonicPreset(harmonicPath, *source, 2, 0, stream));
    ASSERT_TRUE(saveNoisePreset(noisePath, *source, 2, 0, stream));
    EXPECT_EQ(source->nameView(), "random 51") << "saving a preset keeps the voice's name";

    auto voice = std::make_unique<Voice>();
    fillRandomVoice(*voice, 52, 2, 2, 3);
    const std::vector<std::byte> neighbour = harmonicBytes(voice->layer(1, 0));
    ASSERT_TRUE(loadHarmonicPreset(harmonicPath, *voice, 1, 1, stream));
    ASSERT_TRUE(loadNoisePreset(noisePath, *voice, 1, 1, stream));
    EXPECT_EQ(harmonicBytes(voice->layer(1, 1)), harmonicBytes(source->layer(2, 0)));
    EXPECT_EQ(noiseBytes(voice->layer(1, 1)), noiseBytes(source->layer(2, 0)));
    EXPECT_EQ(harmonicBytes(voice->layer(1, 0)), neighbour);
    EXPECT_EQ(voice->multisampleCount, 2);
    EXPECT_EQ(voice->layerCount, 2);
    EXPECT_EQ(voice->nameView(), "random 52");

    EXPECT_FALSE(loadHarmonicPreset(harmonicPath, *voice, -1, 0, stream));
    EXPECT_FALSE(loadNoisePreset(noisePath, *voice, 0, 2, stream));
    EXPECT_FALSE(saveHarmonicPreset(harmonicPath, *voice, 8, 0, stream));

    // An empty layer makes the smallest presets: basePitch and 128 empty
    // curves, and a frame count of 0.
    auto empty = std::make_unique<Voice>();
    ASSERT_TRUE(saveHarmonicPreset(harmonicPath, *empty, 5, 1, stream));
    ASSERT_TRUE(saveNoisePreset(noisePath, *empty, 5, 1, stream));
    EXPECT_EQ(readFile(harmonicPath).size(), 4u + 128u * 4u);
    EXPECT_EQ(readFile(noisePath).size(), 4u);
}

} // namespace
