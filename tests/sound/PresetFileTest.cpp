// Harmonic and noise presets: their sizes on disk, what a slot's preset menu
// does to the voice, and the dialogs' load and save on one shown layer.

#include "TestVoices.h"

#include "sound/LayerRecord.h"
#include "sound/PresetFile.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace tessarine;
using namespace tessarine::test;

// The record a layer half writes, to compare layers without field lists.
template <typename Write>
std::vector<std::byte> recordBytes(Write write)
{
    static std::vector<std::byte> scratch(1u << 20);
    RecordStream stream;
    stream.openMemoryWrite(scratch);
    EXPECT_TRUE(write(stream));
    return {scratch.begin(), scratch.begin() + static_cast<std::ptrdiff_t>(stream.position())};
}

std::vector<std::byte> harmonicBytes(const LayerData& layer)
{
    return recordBytes([&](RecordStream& s) { return writeHarmonic(s, layer.harmonic); });
}

std::vector<std::byte> noiseBytes(const LayerData& layer)
{
    return recordBytes([&](RecordStream& s) { return writeNoise(s, layer.noise); });
}

TEST(PresetFile, EmptyLayersMakeTheSmallestPresets)
{
    auto voice = std::make_unique<Voice>();
    RecordStream stream;
    struct Case {
        const char* file;
        bool (*save)(const std::string&, const Voice&, int, int, RecordStream&);
        std::size_t size;
    };
    // basePitch and 128 empty curves; a frame count of 0.
    const Case cases[] = {{"empty.t9h", saveHarmonicPreset, 4 + 128 * 4}, {"empty.t9n", saveNoisePreset, 4}};
    for (const Case& c : cases) {
        std::string path = tempPath(c.file);
        ASSERT_TRUE(c.save(path, *voice, 5, 1, stream)) << c.file;
        EXPECT_EQ(readFile(path).size(), c.size) << c.file;
        EXPECT_FALSE(c.save(path, *voice, 8, 0, stream)) << "no ninth multisample";
        EXPECT_FALSE(c.save(path, *voice, 0, 2, stream)) << "no third layer";
    }
}

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
    EXPECT_FALSE(loadNoisePresetInto(tempPath("absent.t9n"), *voice, stream));
    EXPECT_EQ(voice->multisampleCount, 3);
    EXPECT_EQ(voice->layerCount, 2);
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

    // A preset cut short fails with the layer holding what came before the cut.
    std::vector<std::byte> bytes = readFile(noisePath);
    writeFile(noisePath, std::vector<std::byte>(bytes.begin(), bytes.end() - 1));
    EXPECT_FALSE(loadNoisePreset(noisePath, *voice, 0, 0, stream));
    EXPECT_EQ(stream.status(), RecordStream::Status::Truncated);
    EXPECT_EQ(voice->layer(0, 0).noise.frameCount(), source->layer(2, 0).noise.frameCount() - 1);
}

} // namespace
