// A sawtooth voice written to a file and played through the command line, as
// a user would: the spectrum of the WAV shows the note's pitch and the
// sawtooth's harmonic balance.

#include "BarePlugin.h"
#include "engine/SignalMeasure.h"
#include "sound/TestVoices.h"
#include "sound/VoiceFile.h"

#include "cli/WavFile.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace tessarine {
namespace {

std::string writeSawtooth()
{
    auto voice = std::make_unique<Voice>();
    voice->multisampleCount = 1;
    voice->layerCount = 1;
    HarmonicData& data = voice->layer(0, 1).harmonic;
    data.basePitch = 220.0f;
    for (float t : {0.0f, 0.05f, 2.95f, 3.0f}) {
        for (int h = 0; h < kHarmonicCount; ++h) {
            data.amplitude(h).insertPoint(t, t == 0.0f ? 0.0f : 0.5f / static_cast<float>(h + 1));
            data.frequency(h).insertPoint(t, static_cast<float>(h + 1));
        }
    }
    prepareVoice(*voice);
    std::string path = test::tempPath("saw.t9v");
    RecordStream stream;
    EXPECT_TRUE(saveVoiceFile(path, *voice, stream));
    return path;
}

TEST(SawtoothRender, PitchAndHarmonicBalanceInTheWav)
{
    const std::string voice = writeSawtooth();
    const std::string out = testing::TempDir() + "/saw.wav";
    const std::string command = std::string(TESSARINE_CLI_PATH) + " render --plugin " +
                                tessarine::test::barePluginPath() + " --voice A=" + voice +
                                " --set LoopSync2=1 --note 57 --length 2 -o " + out + " 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    tessarine::test::Wav wav;
    ASSERT_TRUE(tessarine::test::readWav(out, wav));
    const std::vector<float> left = wav.channel(0);

    // The start values play the sound at a fifth of its length; measure its steady middle.
    const std::size_t from = 4410, n = 16384;
    const float rate = static_cast<float>(wav.info.samplerate);
    float strongest = 0.0f, at = 0.0f;
    for (float f = 50.0f; f < 2000.0f; f += 0.5f) {
        const float level = test::toneAmplitude(left, from, n, rate, f);
        if (level > strongest) {
            strongest = level;
            at = f;
        }
    }
    EXPECT_NEAR(at, 220.0f, 1.0f);
    EXPECT_NEAR(test::decibels(test::toneAmplitude(left, from, n, rate, 440.0f) / strongest), -6.0f, 0.5f);
    EXPECT_NEAR(test::decibels(test::toneAmplitude(left, from, n, rate, 660.0f) / strongest), -9.5f, 0.5f);
}

} // namespace
} // namespace tessarine
