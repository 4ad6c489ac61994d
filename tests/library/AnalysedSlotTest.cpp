// A recording analysed into a slot through the plug-in's file request, on
// instruments whose voices have five multisamples and two layers:
// the whole-voice request plays it on every key exactly as the voice the
// command line makes of it; the shown-layer request replaces that one layer;
// a refused file changes nothing.

#include "PluginNote.h"
#include "support/RunCommand.h"
#include "support/SoundFileHelpers.h"
#include "support/TempFolder.h"
#include "support/TestVoices.h"

#include "params/ParameterTable.h"
#include "sound/files/InstrumentFile.h"
#include "sound/files/LayerRecord.h"
#include "sound/files/RecordStream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace {

namespace fs = std::filesystem;
using namespace tessarine;

const fs::path kFactory = librarytest::libraryFolder() / "Instruments-Factory/Basses/Analog Bass.t9i";

std::vector<std::byte> layerBytes(const LayerData& layer)
{
    return test::recordBytes([&](RecordStream& stream) { return writeLayer(stream, layer); });
}

std::unique_ptr<Instrument> stateOf(host::PluginHost& plugin)
{
    void* data = nullptr;
    const auto size = plugin.dispatch(vst::effGetChunk, 0, 0, &data);
    auto instrument = std::make_unique<Instrument>();
    RecordStream stream;
    stream.openMemoryRead({static_cast<const std::byte*>(data), static_cast<std::size_t>(size)});
    return size > 0 && readInstrument(stream, *instrument) ? std::move(instrument) : nullptr;
}

TEST(AnalysedSlot, TheWholeVoiceRequestPlaysTheRecordingOnEveryKey)
{
    const test::TempFolder scratch("analysed-slot");
    const std::string wav = scratch / "tone.wav";
    const std::string voice = scratch / "tone.t9v";
    ASSERT_TRUE(testsound::writeSound(wav, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1,
                                      testsound::sawtooth(220.0, 44100, 1.5)));
    const auto made = test::runCli("analyse " + wav + " -o " + voice);
    ASSERT_EQ(made.status, 0) << made.output;
    // On a factory instrument and on the reset instrument (an empty path).
    for (const std::string& around : {kFactory.string(), std::string()}) {
        for (const int key : {36, 60, 84}) {
            SCOPED_TRACE(testing::Message() << "key " << key << " around '" << around << "'");
            const auto analysed =
                librarytest::playNote(wav, true, key, 30, 40, around, host::kFileRequestAnalyseVoice);
            const auto loaded = librarytest::playNote(voice, true, key, 30, 40, around);
            // A request that leaves slot A as the instrument has it.
            const auto before = librarytest::playNote("", true, key, 30, 40, around, host::kFileRequestRescanLibrary);
            ASSERT_FALSE(analysed.left.empty() || before.left.empty());
            EXPECT_TRUE(analysed.left == loaded.left && analysed.right == loaded.right);
            EXPECT_NE(analysed.left, before.left);
        }
    }
}

TEST(AnalysedSlot, TheShownLayerRequestReplacesThatLayerAloneAndRefusalsChangeNothing)
{
    const test::TempFolder scratch("analysed-slot");
    const std::string wav = scratch / "tone.wav";
    ASSERT_TRUE(testsound::writeSound(wav, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1,
                                      testsound::sawtooth(110.0, 44100, 1.0)));
    const std::string text = scratch / "notes.wav";
    std::ofstream(text) << std::string(400, 'x');
    const auto plugin = librarytest::openPlugin(512);
    ASSERT_TRUE(plugin);
    const auto request = [&](int what, const std::string& path, float slot) {
        return librarytest::fileRequest(*plugin, what, path.c_str(), slot);
    };
    ASSERT_TRUE(request(host::kFileRequestInstrumentLoad, kFactory.string(), 0));
    // Multisample 3 (the list reads trunc(8 × value)) and the soft layer of slot B are shown.
    plugin->setParameter(kMultisampleA + 1, 2.0f / kMaxMultisamples);
    plugin->setParameter(kSoftLoudButtonA + 1, 0.0f);
    const auto before = stateOf(*plugin);
    ASSERT_TRUE(before);
    const Voice& old = before->voices[1];
    ASSERT_TRUE(old.multisampleCount > 2 && old.layerCount == 2);

    for (const auto& refused : {std::pair{text, 1.0f}, {scratch / "missing.wav", 1.0f}, {wav, 4.0f}, {wav, -1.0f}}) {
        EXPECT_FALSE(request(host::kFileRequestAnalyseVoice, refused.first, refused.second));
        EXPECT_FALSE(request(host::kFileRequestAnalyseLayer, refused.first, refused.second));
    }
    const auto unchanged = stateOf(*plugin);
    ASSERT_TRUE(unchanged);
    EXPECT_EQ(test::voiceBytes(unchanged->voices[1]), test::voiceBytes(old));

    ASSERT_TRUE(request(host::kFileRequestAnalyseLayer, wav, 1.0f));
    const auto after = stateOf(*plugin);
    ASSERT_TRUE(after);
    Voice& now = after->voices[1];
    // The multisample's other layer takes the new pitch, and nothing else.
    EXPECT_NEAR(now.layer(2, 1).harmonic.basePitch, 110.0f, 2.0f);
    now.layer(2, 1).harmonic.basePitch = old.layer(2, 1).harmonic.basePitch;
    EXPECT_EQ(std::pair(now.nameView(), now.multisampleCount), std::pair(old.nameView(), old.multisampleCount));
    for (int m = 0; m < kMaxMultisamples; ++m) {
        for (int l = 0; l < 2; ++l) {
            SCOPED_TRACE(testing::Message() << "multisample " << m << ", layer " << l);
            const bool chosen = m == 2 && l == 0;
            EXPECT_EQ(layerBytes(now.layer(m, l)) == layerBytes(old.layer(m, l)), !chosen);
        }
    }
    EXPECT_NEAR(now.layer(2, 0).harmonic.basePitch, 110.0f, 2.0f);
}

} // namespace
