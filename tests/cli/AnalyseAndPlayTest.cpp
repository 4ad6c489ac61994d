// The whole chain a user runs: a recorded tone analysed into a voice, the
// voice played through the plug-in, and the played harmonics measured against
// the recording's.

#include "support/BarePlugin.h"
#include "support/SoundFileHelpers.h"
#include "support/SignalMeasure.h"

#include "cli/WavFile.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <string>
#include <vector>

namespace {

TEST(AnalyseAndPlay, HarmonicRatiosSurviveTheRoundTrip)
{
    const double rate = 44100.0;
    std::vector<float> tone(static_cast<std::size_t>(2.0 * rate));
    for (std::size_t i = 0; i < tone.size(); ++i) {
        double v = 0.0;
        for (int h = 1; h <= 20; ++h) {
            v += std::sin(2.0 * std::numbers::pi * h * 220.0 * static_cast<double>(i) / rate) / h;
        }
        tone[i] = static_cast<float>(0.3 * v);
    }
    const std::string wav = testsound::scratchPath("tone20.wav");
    const std::string voice = testsound::scratchPath("tone20.t9v");
    const std::string played = testsound::scratchPath("tone20-played.wav");
    ASSERT_TRUE(testsound::writeSound(wav, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, 1, tone));
    const std::string cli = TESSARINE_CLI_PATH;
    ASSERT_EQ(std::system((cli + " analyse " + wav + " -o " + voice + " > /dev/null 2>&1").c_str()), 0);
    ASSERT_EQ(std::system((cli + " render --plugin " + tessarine::test::barePluginPath() + " --voice A=" + voice +
                           " --set LoopSync2=1 --set Stretch=0.5 --note 57 --length 1.5 -o " + played +
                           " > /dev/null 2>&1")
                              .c_str()),
              0);

    tessarine::test::Wav render;
    ASSERT_TRUE(tessarine::test::readWav(played, render));
    const std::vector<float> left = render.channel(0);
    // Each harmonic plays at its analysed frequency relative to the analysed
    // pitch, which lands within a few cents of its ideal place: take the peak
    // near each one, as a spectrum analyser would show it.
    const std::size_t from = 22050, n = 16384;
    auto peakNear = [&](float centre) {
        float best = 0.0f;
        for (float f = centre * 0.99f; f <= centre * 1.01f; f += 0.1f) {
            best = std::max(best, tessarine::test::toneAmplitude(left, from, n, 44100.0f, f));
        }
        return best;
    };
    const float first = peakNear(220.0f);
    ASSERT_GT(first, 0.01f);
    for (int h = 2; h <= 10; ++h) {
        const float level = peakNear(220.0f * static_cast<float>(h));
        EXPECT_NEAR(tessarine::test::decibels(level / first), -20.0f * std::log10(static_cast<float>(h)), 1.5f)
            << "harmonic " << h;
    }
}

} // namespace
