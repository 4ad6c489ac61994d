// The note filter as a player hears it: the cutoff knob's frequencies, the
// pass band and slope of each mode, the follower opening the filter with the
// note's level, the saturation's bend, and finite output for anything a host
// can send.

#include "SignalMeasure.h"
#include "SignalProbe.h"
#include "engine/VoiceFilter.h"
#include "params/ParameterMapping.h"
#include "params/ValueDisplay.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace tessarine {
namespace {

constexpr double kRate = 44100.0;

double gainOf(VoiceFilter& filter, double hz)
{
    return test::gainDb([&filter](float* x, int n) { filter.process(x, n); }, hz, kRate);
}

TEST(VoiceFilter, CutoffKnobSetsTheCornerOfEachMode)
{
    struct Case {
        float filterMode, cutoff;
        double probeHz, expectDb, tolerance;
    };
    const Case cases[] = {
        {1.0f, 0.8f, 2862.0, -3.01, 0.1}, // fourth-order Butterworth: -3 dB at the corner
        {1.0f, 0.5f, 1278.0, -3.01, 0.1},
        {1.0f, 0.5f, 100.0, 0.0, 0.05},   // unity pass band through the output stage
        {1.0f, 1.0f, 10000.0, 0.0, 0.3},  // fully open
        {0.0f, 0.5f, 10000.0, 0.0, 0.1},  // high-pass pass band
        {0.0f, 0.5f, 1278.0, 0.0, 0.1},   // Q 1 at zero resonance: 0 dB at the corner
        {0.0f, 0.5f, 320.0, -23.8, 0.3},  // 12 dB per octave below it
        {0.34f, 0.5f, 1278.0, 4.0, 0.1},  // band-pass times the 4 x Q dB peak
    };
    for (const Case& c : cases) {
        VoiceFilter filter;
        filter.setSampleRate(static_cast<float>(kRate));
        filter.setup(filterMode(c.filterMode), 0.0f, false, c.cutoff, 0.0f);
        EXPECT_EQ(static_cast<int>(filter.cutoffHz()), cutoffDisplayHz(c.cutoff)) << c.cutoff;
        EXPECT_NEAR(gainOf(filter, c.probeHz), c.expectDb, c.tolerance)
            << "mode " << c.filterMode << ", cutoff " << c.cutoff << " at " << c.probeHz << " Hz";
    }
    // Values a modulation pushes past the knob's ends land on its limits.
    for (float cutoff : {-2.0f, 5.0f, std::nanf("")}) {
        VoiceFilter filter;
        filter.setCutoff(cutoff);
        EXPECT_EQ(filter.cutoffHz(), cutoff > 1.0f ? 16000.0f : 80.0f) << cutoff;
    }
}

TEST(VoiceFilter, LowPassFallsTwentyFourDecibelsPerOctave)
{
    VoiceFilter filter;
    filter.setSampleRate(static_cast<float>(kRate));
    filter.setup(filterMode(1.0f), 0.0f, false, 0.5f, 0.0f);
    const double octave = gainOf(filter, 4.0 * 1278.0) - gainOf(filter, 2.0 * 1278.0);
    // The bilinear transform steepens it a little towards Nyquist.
    EXPECT_NEAR(octave, -24.5, 1.0);
}

TEST(VoiceFilter, FollowerOpensWithTheNoteLevelAndClosesInSilence)
{
    // A fully open cutoff with the whole range on the follower: one note gets
    // a quiet tone, a loud tone, then silence, each half a second or more.
    VoiceFilter filter;
    filter.setSampleRate(static_cast<float>(kRate));
    filter.setup(2, 1.0f, false, 1.0f, 0.0f);
    const int frames = static_cast<int>(kRate) / 2;
    struct Stage {
        float amplitude;
        float minDb, maxDb; // the 1 kHz tone's level through the filter
    };
    const Stage stages[] = {{0.01f, -200.0f, -60.0f}, {1.0f, -12.0f, 1.0f}, {0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}};
    for (const Stage& s : stages) {
        std::vector<float> x(static_cast<std::size_t>(frames));
        for (int i = 0; i < frames; ++i) {
            x[static_cast<std::size_t>(i)] =
                s.amplitude * static_cast<float>(std::sin(2.0 * std::numbers::pi * 1000.0 * i / kRate));
        }
        for (int pos = 0; pos < frames; pos += 256) {
            filter.process(x.data() + pos, std::min(256, frames - pos));
        }
        if (s.amplitude > 0.0f) {
            const float level = test::toneAmplitude(x, x.size() - 4410, 4410, static_cast<float>(kRate), 1000.0f);
            const float db = test::decibels(level / s.amplitude);
            EXPECT_GT(db, s.minDb) << s.amplitude;
            EXPECT_LT(db, s.maxDb) << s.amplitude;
        }
    }
    EXPECT_EQ(filter.cutoffHz(), 80.0f); // one second of silence closes it again
}

TEST(VoiceFilter, SaturationBendsPeaksOntoTheTopOfTheRange)
{
    // Steady levels through the open low-pass; the filter sees half the input.
    const float cases[][2] = {{1.0f, 1.0f}, {1.7f, 1.85f}, {-1.7f, -1.85f}, {2.0f, 2.0f}, {6.0f, 2.0f}, {-80.0f, -2.0f}};
    for (const auto& c : cases) {
        VoiceFilter filter;
        filter.setup(2, 0.0f, true, 1.0f, 0.0f);
        std::vector<float> x(4000, c[0]);
        filter.process(x.data(), static_cast<int>(x.size()));
        EXPECT_NEAR(x.back(), c[1], 1e-3f) << c[0];
    }
}

bool clean(float v) { return std::isfinite(v) && (v == 0.0f || std::fpclassify(v) == FP_NORMAL); }

TEST(VoiceFilter, FiniteOutputWithoutDenormalsForAnyInputAndSetting)
{
    // Noise, silence, a full-scale square wave and silence, without the
    // render's flush-to-zero: the filter's own flushing must end every tail.
    std::vector<float> signal = test::noise(4000);
    signal.resize(6000, 0.0f);
    for (int i = 0; i < 4000; ++i) {
        signal.push_back((i / 50) % 2 == 0 ? 1.0f : -1.0f);
    }
    signal.resize(20000, 0.0f);
    for (float rate : {22050.0f, 192000.0f, 0.0f}) {
        for (float v : {0.0f, 1.0f, 0.37f, std::nanf(""), -3.0f, 7.5f}) {
            for (int mode = -1; mode <= 3; ++mode) {
                // Set up as a note, or only written to, as the engine's own filter is.
                for (bool asNote : {true, false}) {
                    VoiceFilter filter;
                    filter.setSampleRate(rate);
                    if (asNote) {
                        filter.setup(mode, v, mode % 2 == 0, v, v);
                    } else {
                        filter.setMode(mode);
                        filter.setEnvelopeAmount(v);
                        filter.setSaturation(mode % 2 != 0);
                        filter.setCutoff(v);
                        filter.setResonance(v);
                    }
                    std::vector<float> x = signal;
                    for (int pos = 0; pos < static_cast<int>(x.size()); pos += 256) {
                        filter.setCutoff(v);
                        filter.process(x.data() + pos, std::min(256, static_cast<int>(x.size()) - pos));
                    }
                    for (std::size_t i = 0; i < x.size(); ++i) {
                        ASSERT_TRUE(clean(x[i])) << rate << " Hz, value " << v << ", mode " << mode << ", sample " << i
                                                 << ": " << x[i];
                    }
                }
            }
        }
    }
}

} // namespace
} // namespace tessarine
