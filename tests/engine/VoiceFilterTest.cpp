// The note filter as a player hears it: the cutoff knob's corners and the
// slope of each mode, the follower opening the filter with the note's level,
// the saturation's bend, and finite output for anything a host can send.

#include "support/SignalMeasure.h"
#include "engine/voice/VoiceFilter.h"
#include "params/ParameterMapping.h"
#include "params/ParameterText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace tessarine {
namespace {

constexpr float kRate = 44100.0f;

TEST(VoiceFilter, CutoffKnobSetsTheCornerOfEachMode)
{
    const struct {
        float filterMode, cutoff;
        double probeHz, expectDb;
    } cases[] = {
        {1.0f, 0.8f, 2862.0, -3.01},  // fourth-order Butterworth: -3 dB at the corner
        {1.0f, 0.5f, 1278.0, -3.01},
        {1.0f, 0.5f, 2556.0, -24.37}, // 24 dB an octave up, warped a little steeper
        {1.0f, 0.5f, 100.0, 0.0},     // unity pass band through the output stage
        {1.0f, 1.0f, 10000.0, 0.0},
        {0.0f, 0.5f, 10000.0, 0.05},  // high-pass pass band
        {0.0f, 0.5f, 320.0, -23.8},   // 12 dB an octave below the corner
        {0.34f, 0.5f, 1278.0, 4.0},   // band-pass times the 4 x Q dB peak
        {1.0f, 5.0f, 10000.0, 0.0},   // values past the knob's ends land on its limits
        {0.0f, -2.0f, 10000.0, 0.0},
        {0.0f, std::nanf(""), 10000.0, 0.0},
    };
    for (const auto& c : cases) {
        VoiceFilter filter;
        filter.setSampleRate(kRate);
        filter.setup(filterMode(c.filterMode), 0.0f, false, c.cutoff, 0.0f);
        EXPECT_EQ(static_cast<int>(filter.cutoffHz()), cutoffDisplayHz(c.cutoff)) << c.cutoff;
        const double db = test::gainDb([&filter](float* x, int n) { filter.process(x, n); }, c.probeHz, kRate);
        EXPECT_NEAR(db, c.expectDb, 0.1) << "mode " << c.filterMode << ", cutoff " << c.cutoff << " at " << c.probeHz;
    }
}

TEST(VoiceFilter, FollowerOpensWithTheNoteLevelAndClosesInSilence)
{
    // Fully open cutoff, all of it on the follower. One note plays a quiet
    // 1 kHz tone, a loud one, then a second of silence.
    VoiceFilter filter;
    filter.setSampleRate(kRate);
    filter.setup(2, 1.0f, false, 1.0f, 0.0f);
    for (float amplitude : {0.01f, 1.0f, 0.0f, 0.0f}) {
        std::vector<float> x(22050);
        for (std::size_t i = 0; i < x.size(); ++i) {
            x[i] = amplitude * static_cast<float>(std::sin(2.0 * std::numbers::pi * 1000.0 * i / kRate));
        }
        for (std::size_t pos = 0; pos < x.size(); pos += 256) {
            filter.process(x.data() + pos, std::min<int>(256, static_cast<int>(x.size() - pos)));
        }
        const float level = test::toneAmplitude(x, 22050 - 4410, 4410, kRate, 1000.0f);
        if (amplitude > 0.0f) {
            // Closed near 80 Hz for the quiet tone, opened to about 1 kHz for the loud one.
            EXPECT_TRUE(amplitude < 0.1f ? level < 1e-3f * amplitude : level > 0.25f * amplitude) << level;
        }
    }
    EXPECT_EQ(filter.cutoffHz(), 80.0f);
}

TEST(VoiceFilter, SaturationBendsPeaksOntoTheTopOfTheRange)
{
    // Steady levels through the open low-pass, which sees half the input.
    const float cases[][2] = {{1.0f, 1.0f}, {1.7f, 1.85f}, {-1.7f, -1.85f}, {2.0f, 2.0f}, {6.0f, 2.0f}, {-80.0f, -2.0f}};
    for (const auto& c : cases) {
        VoiceFilter filter;
        filter.setup(2, 0.0f, true, 1.0f, 0.0f);
        std::vector<float> x(4000, c[0]);
        filter.process(x.data(), static_cast<int>(x.size()));
        EXPECT_NEAR(x.back(), c[1], 1e-3f) << c[0];
    }
}

TEST(VoiceFilter, FiniteOutputWithoutDenormalsForAnyInputAndSetting)
{
    // Noise, silence, full-scale squares, silence; no flush-to-zero, so the
    // filter's own flushing must end every tail.
    std::vector<float> signal = test::noise(4000);
    signal.resize(20480, 0.0f);
    for (int i = 6000; i < 10000; ++i) {
        signal[static_cast<std::size_t>(i)] = (i / 50) % 2 == 0 ? 1.0f : -1.0f;
    }
    for (float rate : {22050.0f, 192000.0f, 0.0f}) {
        for (float v : {0.0f, 1.0f, 0.37f, std::nanf(""), -3.0f, 7.5f}) {
            for (int mode = -1; mode <= 6; ++mode) {
                // Modes 3 to 6 repeat -1 to 2 on a filter that is only written
                // to, as the engine's own one is.
                VoiceFilter filter;
                filter.setSampleRate(rate);
                if (mode <= 2) {
                    filter.setup(mode, v, mode % 2 == 0, v, v);
                } else {
                    filter.setMode(mode - 4);
                    filter.setEnvelopeAmount(v);
                    filter.setSaturation(mode % 2 == 0);
                    filter.setResonance(v);
                }
                std::vector<float> x = signal;
                for (std::size_t pos = 0; pos < x.size(); pos += 256) {
                    filter.setCutoff(v);
                    filter.process(x.data() + pos, 256);
                }
                for (float y : x) {
                    ASSERT_TRUE(y == 0.0f || std::fpclassify(y) == FP_NORMAL) << rate << " Hz, " << v << ", " << mode;
                }
            }
        }
    }
}

} // namespace
} // namespace tessarine
