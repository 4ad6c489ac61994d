// Keyframe reduction: the limits a voice layer can hold, the keyframes that
// must survive, and the layer built from them.

#include "analysis/AnalysedLayer.h"
#include "analysis/KeyframeReduction.h"
#include "sound/LayerData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <set>

namespace {

using tessarine::NumMatrix;

// 64 harmonics over frames: a decaying note with a slight drift and a swell at
// frame `swell`, ending in silence after frame `end`.
void note(int frames, int end, int swell, NumMatrix& frequency, NumMatrix& amplitude)
{
    frequency = NumMatrix(64, frames);
    amplitude = NumMatrix(64, frames);
    for (int j = 1; j <= frames; ++j) {
        for (int h = 1; h <= 64; ++h) {
            frequency(h, j) = h * (200.0 + 0.5 * std::sin(j * 0.02));
            const double level = j > end ? 0.0 : std::exp(-j / 150.0) / h + (j >= swell ? 0.3 / h : 0.0);
            amplitude(h, j) = level;
        }
    }
}

TEST(ReduceHarmonicKeyframes, LimitsAndKeptKeyframes)
{
    struct Case {
        int frames;
        int end;
        double period;
        int expectedCount; // -1: just within the limit
    };
    const Case cases[] = {
        {600, 500, 0.0116, -1}, // a long note: reduced
        {60, 60, 0.04, 60},     // few frames, spaced wider than 30 ms: all stay
        {60, 40, 0.04, 41},     // trailing silence: one silent keyframe after the sound
        {1, 1, 0.01, 1},
    };
    for (const Case& c : cases) {
        NumMatrix frequency;
        NumMatrix amplitude;
        note(c.frames, c.end, c.frames / 3, frequency, amplitude);
        tessarine::HarmonicKeyframes keys;
        ASSERT_TRUE(tessarine::reduceHarmonicKeyframes(frequency, amplitude, c.period, 3.0, 80, 200.0, keys));
        const int count = keys.amplitude.columns();
        ASSERT_EQ(keys.amplitude.rows(), 65);
        ASSERT_EQ(keys.frequency.columns(), count);
        if (c.expectedCount >= 0) {
            EXPECT_EQ(count, c.expectedCount) << c.frames << " frames";
        } else {
            EXPECT_LE(count, 80);
            EXPECT_GE(count, 10) << "a changing note keeps its shape";
            // The swell is a jump no line across it explains.
            const double swell = (c.frames / 3 - 1) * c.period;
            bool kept = false;
            for (int k = 1; k <= count; ++k) {
                kept = kept || std::fabs(keys.amplitude(1, k) - swell) < 1.5 * c.period;
            }
            EXPECT_TRUE(kept) << "no keyframe at the swell";
        }
        EXPECT_EQ(keys.amplitude(1, 1), 0.0);
        for (int h = 2; h <= 65; ++h) {
            EXPECT_EQ(keys.amplitude(h, count), 0.0) << "the last keyframe is silent";
        }
        if (count > 1) {
            EXPECT_LE(keys.amplitude(1, count) - keys.amplitude(1, count - 1), 0.25 + 1e-9);
        }
        for (int k = 2; k <= count; ++k) {
            EXPECT_GT(keys.amplitude(1, k), keys.amplitude(1, k - 1));
            EXPECT_EQ(keys.frequency(1, k), keys.amplitude(1, k));
        }
    }

    tessarine::HarmonicKeyframes untouched;
    EXPECT_FALSE(tessarine::reduceHarmonicKeyframes(NumMatrix(64, 10), NumMatrix(64, 11), 0.01, 3.0, 80, 200.0,
                                                    untouched));
}

TEST(ReduceNoiseKeyframes, LimitsAnchorsAndSilence)
{
    struct Case {
        const char* what;
        int frames;
        bool alternating; // silent and loud frames in turn
    };
    const Case cases[] = {
        {"a long, slowly changing noise", 2000, false},
        // Every silent frame sits next to a loud one; keeping them all would
        // never fit the limit.
        {"sound and silence in turn", 400, true},
    };
    for (const Case& c : cases) {
        NumMatrix z(256, c.frames);
        for (int j = 1; j <= c.frames; ++j) {
            for (int b = 1; b <= 256; ++b) {
                const bool silent = c.alternating && j % 2 == 0;
                z(b, j) = silent ? 0.0 : (1.0 + std::sin(b * 0.2 + j * 0.05)) * std::exp(-b / 60.0) * (1 + j % 7);
            }
        }
        const NumMatrix h = tessarine::reduceNoiseKeyframes(z, tessarine::kNoiseFramePeriod, 5.0, 48, 2.0, 48);
        const int bands = h.rows() - 1;
        const int keys = h.columns() - 1;
        EXPECT_LE(keys, 48) << c.what;
        EXPECT_GE(keys, 2) << c.what;
        EXPECT_LE(bands, 48) << c.what;
        std::set<int> kept;
        for (int b = 2; b <= h.rows(); ++b) {
            kept.insert(static_cast<int>(h(b, 1)));
        }
        for (int anchor : {1, 31, 63, 96, 127, 191, 255, 256}) {
            EXPECT_TRUE(kept.count(anchor)) << c.what << ": band " << anchor;
        }
        EXPECT_EQ(h(1, 2), 0.0);
        for (int k = 3; k <= h.columns(); ++k) {
            EXPECT_GT(h(1, k), h(1, k - 1)) << c.what;
        }
        for (int b = 2; b <= h.rows(); ++b) {
            EXPECT_EQ(h(b, h.columns()), 0.0) << c.what << ": the last keyframe is silent";
        }
    }
    EXPECT_TRUE(tessarine::reduceNoiseKeyframes(NumMatrix(), tessarine::kNoiseFramePeriod, 5.0, 48, 2.0, 48).empty());
}

TEST(AnalysedLayer, CurvesFromKeyframes)
{
    // Three keyframes; harmonic 2 sounds, harmonic 3 only in the last (which is
    // silenced), the rest never.
    tessarine::HarmonicKeyframes keys{NumMatrix(65, 3), NumMatrix(65, 3)};
    for (int k = 1; k <= 3; ++k) {
        keys.frequency(1, k) = keys.amplitude(1, k) = 0.1 * (k - 1);
        for (int h = 1; h <= 64; ++h) {
            keys.frequency(h + 1, k) = h * 220.0;
        }
    }
    keys.amplitude(3, 1) = 0.5;
    keys.amplitude(4, 3) = 0.5;
    NumMatrix noise(3, 3); // bands 64 and 128, two keyframes
    noise(2, 1) = 64;
    noise(3, 1) = 128;
    noise(1, 3) = 0.2;
    noise(2, 2) = 0.7;

    for (double f0 : {220.0, 0.0}) {
        auto layer = std::make_unique<tessarine::LayerData>();
        tessarine::buildAnalysedLayer(f0, keys, noise, *layer);
        const tessarine::HarmonicData& harmonic = layer->harmonic;
        EXPECT_EQ(harmonic.amplitude(0).pointCount(), 3) << "harmonic 1 always has its points";
        EXPECT_EQ(harmonic.amplitude(1).pointCount(), 3);
        EXPECT_EQ(harmonic.amplitude(2).pointCount(), 0) << "sounding only in the last keyframe";
        EXPECT_EQ(harmonic.frequency(2).pointCount(), 0);
        EXPECT_FLOAT_EQ(harmonic.amplitude(1).value(0), 0.5f);
        EXPECT_FLOAT_EQ(harmonic.frequency(1).timeAt(2), 0.2f);
        EXPECT_FLOAT_EQ(harmonic.frequency(1).value(1), 2.0f) << "as a multiple of f0, or nominal without one";
        ASSERT_EQ(layer->noise.frameCount(), 2);
        EXPECT_FLOAT_EQ(layer->noise.frameTime(1), 0.2f);
        const tessarine::BreakpointCurve& spectrum = layer->noise.frame(0).spectrum;
        ASSERT_EQ(spectrum.pointCount(), 2);
        EXPECT_FLOAT_EQ(spectrum.timeAt(1), 0.5f);
        EXPECT_FLOAT_EQ(spectrum.value(0), 0.7f);
        EXPECT_EQ(tessarine::soundingHarmonics(*layer), 1);
    }
}

} // namespace
