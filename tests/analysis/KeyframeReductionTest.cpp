// Keyframe reduction: the limits a voice layer can hold, the keyframes that
// must survive, and the layer built from them.

#include "analysis/AnalysedLayer.h"
#include "analysis/KeyframeReduction.h"
#include "sound/model/ShortestPlayedFrameGap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <set>
#include <utility>

namespace {

using tessarine::NumMatrix;

TEST(ReduceHarmonicKeyframes, LimitsAndKeptKeyframes)
{
    // Silent after frame `end`; an expected count of -1 asks only for the limit.
    struct Case { int frames, end; double period; int expectedCount; };
    const Case cases[] = {
        {600, 500, 0.0116, -1}, // a long note with a swell at frame 200
        {60, 60, 0.04, 60},     // few frames, wider apart than 30 ms: all stay
        {60, 40, 0.04, 41},     // one silent keyframe after the sound
        {1, 1, 0.01, 1},
    };
    for (const Case& c : cases) {
        NumMatrix frequency(64, c.frames), amplitude(64, c.frames);
        for (int j = 1; j <= c.frames; ++j) {
            for (int h = 1; h <= 64; ++h) {
                frequency(h, j) = h * (200.0 + 0.5 * std::sin(j * 0.02));
                amplitude(h, j) = j > c.end ? 0.0 : (std::exp(-j / 150.0) + (j >= 200 ? 0.3 : 0.0)) / h;
            }
        }
        tessarine::HarmonicKeyframes keys;
        ASSERT_TRUE(tessarine::reduceHarmonicKeyframes(frequency, amplitude, c.period, 3.0, 80, 200.0, keys));
        const NumMatrix& e = keys.amplitude;
        const int count = e.columns();
        ASSERT_EQ(e.rows(), 65);
        if (c.expectedCount >= 0) {
            EXPECT_EQ(count, c.expectedCount) << c.frames << " frames";
        } else {
            EXPECT_LE(count, 80);
            bool swellKept = false; // a jump no line across it explains
            for (int k = 1; k <= count; ++k) {
                swellKept = swellKept || std::fabs(e(1, k) - 199 * c.period) < 1.5 * c.period;
            }
            EXPECT_TRUE(swellKept);
        }
        EXPECT_EQ(e(1, 1), 0.0);
        for (int h = 2; h <= 65; ++h) {
            EXPECT_EQ(e(h, count), 0.0) << "the last keyframe is silent";
        }
        EXPECT_LE(e(1, count), (c.frames - 1) * c.period + 1e-9) << "the last keyframe is a frame of the sound";
    }
    tessarine::HarmonicKeyframes untouched;
    EXPECT_FALSE(tessarine::reduceHarmonicKeyframes(NumMatrix(64, 10), NumMatrix(64, 11), 0.01, 3.0, 80, 1, untouched));
}

TEST(ReduceHarmonicKeyframes, QuietAndBeatingHarmonicsKeepTheirLevels)
{
    // 600 frames: a loud steady harmonic 1; harmonic 2, 40 dB under it,
    // decaying by 50 dB; harmonic 3 beating faster than 80 keyframes can
    // follow (0.4 one frame in four, else 0.1: a mean of 0.175).
    const int frames = 600;
    const double period = 0.0116;
    NumMatrix frequency(64, frames), amplitude(64, frames);
    for (int j = 1; j <= frames; ++j) {
        for (int h = 1; h <= 3; ++h) {
            frequency(h, j) = h * 200.0;
        }
        amplitude(1, j) = 0.5;
        amplitude(2, j) = 0.005 * std::pow(10.0, -2.5 * j / frames);
        amplitude(3, j) = j % 4 == 0 ? 0.4 : 0.1;
    }
    tessarine::HarmonicKeyframes keys;
    ASSERT_TRUE(tessarine::reduceHarmonicKeyframes(frequency, amplitude, period, 3.0, 80, 200.0, keys));
    const NumMatrix& e = keys.amplitude;
    ASSERT_LE(e.columns(), 80);
    // The keyframe lines as playback draws them, up to the last sounding keyframe.
    double beating = 0.0;
    int counted = 0;
    for (int k = 1; k + 1 < e.columns(); ++k) {
        for (int j = static_cast<int>(e(1, k) / period + 0.5); j < static_cast<int>(e(1, k + 1) / period + 0.5); ++j) {
            const double lambda = (j * period - e(1, k)) / (e(1, k + 1) - e(1, k));
            const auto line = [&](int h) { return (1.0 - lambda) * e(h + 1, k) + lambda * e(h + 1, k + 1); };
            EXPECT_NEAR(20.0 * std::log10(line(2) / amplitude(2, j + 1)), 0.0, 1.5) << "frame " << j;
            beating += line(3);
            ++counted;
        }
    }
    EXPECT_NEAR(beating / counted, 0.175, 0.01);
}

// A vibrato whose frames each read its frequency with an error: every
// keyframe lies far enough from the one before for playback to keep it, and
// the lines between them follow the vibrato closer than the frames' readings.
TEST(ReduceHarmonicKeyframes, AVibratoReadWithErrorsPlaysTrueThroughKeyframesPlaybackKeeps)
{
    const int frames = 150;
    const double period = 0.0116;
    const auto vibrato = [&](double t) { return 200.0 * (1.0 + 0.01 * std::sin(2.0 * M_PI * 5.0 * t)); };
    NumMatrix frequency(64, frames), amplitude(64, frames);
    std::uint32_t seed = 12345;
    double readingError = 0.0;
    for (int j = 1; j <= frames; ++j) {
        seed = seed * 1664525u + 1013904223u;
        const double error = 2.0 * ((seed >> 8) / 16777216.0 - 0.5);
        readingError += error * error / frames;
        for (int h = 1; h <= 64; ++h) {
            frequency(h, j) = h * (vibrato((j - 1) * period) + error);
            amplitude(h, j) = 0.5 / h;
        }
    }
    tessarine::HarmonicKeyframes keys;
    ASSERT_TRUE(tessarine::reduceHarmonicKeyframes(frequency, amplitude, period, 3.0, 80, 200.0, keys));
    const NumMatrix& f = keys.frequency;
    double lineError = 0.0;
    int counted = 0;
    for (int k = 1; k + 1 < f.columns(); ++k) {
        EXPECT_GT(f(1, k + 1) - f(1, k), tessarine::kShortestPlayedFrameGap) << "keyframe " << k;
        for (int j = static_cast<int>(f(1, k) / period + 0.5); j < static_cast<int>(f(1, k + 1) / period + 0.5); ++j) {
            const double lambda = (j * period - f(1, k)) / (f(1, k + 1) - f(1, k));
            const double line = (1.0 - lambda) * f(2, k) + lambda * f(2, k + 1);
            lineError += (line - vibrato(j * period)) * (line - vibrato(j * period));
            ++counted;
        }
    }
    EXPECT_LT(std::sqrt(lineError / counted), 0.7 * std::sqrt(readingError));
}

TEST(ReduceNoiseKeyframes, LimitsAnchorsAndSilence)
{
    // The second case puts every silent frame next to a loud one: keeping all
    // of those would never fit the limit.
    for (bool alternating : {false, true}) {
        const int frames = alternating ? 400 : 2000;
        NumMatrix z(256, frames);
        for (int j = 1; j <= frames; ++j) {
            for (int b = 1; b <= 256; ++b) {
                const bool silent = alternating && j % 2 == 0;
                z(b, j) = silent ? 0.0 : (1.0 + std::sin(b * 0.2 + j * 0.05)) * std::exp(-b / 60.0) * (1 + j % 7);
            }
        }
        const NumMatrix h = tessarine::reduceNoiseKeyframes(z, tessarine::kNoiseFramePeriod, 5.0, 48, 2.0, 48);
        EXPECT_TRUE(h.columns() - 1 >= 2 && h.columns() - 1 <= 48) << h.columns() - 1 << " keyframes";
        EXPECT_LE(h.rows() - 1, 48);
        std::set<int> bands;
        for (int b = 2; b <= h.rows(); ++b) {
            bands.insert(static_cast<int>(h(b, 1)));
            EXPECT_EQ(h(b, h.columns()), 0.0) << "the last keyframe is silent";
        }
        for (int anchor : {1, 31, 63, 96, 127, 191, 255, 256}) {
            EXPECT_TRUE(bands.count(anchor)) << "band " << anchor;
        }
        for (int k = 3; k <= h.columns(); ++k) {
            EXPECT_GT(h(1, k), h(1, k - 1));
        }
    }
    EXPECT_TRUE(tessarine::reduceNoiseKeyframes(NumMatrix(), tessarine::kNoiseFramePeriod, 5.0, 48, 2.0, 48).empty());

    // Quiet noise dying away by 50 dB, as under a plucked string's decay,
    // lasts to its end, and the lines between its keyframes follow it on a
    // level scale: straight lines across a few keyframes stood far above it.
    const double period = tessarine::kNoiseFramePeriod;
    NumMatrix decay(256, 600);
    for (int i = 0; i < 256 * 600; ++i) {
        decay.data()[i] = 0.05 * std::pow(10.0, -2.5 * (i % 600 + 1) / 600.0); // row-major: frame i % 600 + 1
    }
    const NumMatrix kept = tessarine::reduceNoiseKeyframes(decay, period, 5.0, 48, 2.0, 48);
    EXPECT_GT(kept(1, kept.columns()), 0.9 * 599 * period);
    for (int k = 2; k + 1 < kept.columns(); ++k) {
        for (int j = static_cast<int>(kept(1, k) / period + 0.5); j < static_cast<int>(kept(1, k + 1) / period + 0.5); ++j) {
            const double lambda = (j * period - kept(1, k)) / (kept(1, k + 1) - kept(1, k));
            const double line = (1.0 - lambda) * kept(2, k) + lambda * kept(2, k + 1);
            EXPECT_NEAR(20.0 * std::log10(line / decay(1, j + 1)), 0.0, 1.5) << "frame " << j;
        }
    }
}

TEST(AnalysedLayer, HandMadeKeyframesBecomeTheLayer)
{
    // Two keyframes: harmonics 2 and 64 sound, harmonic 3 only in the (silenced) last.
    tessarine::HarmonicKeyframes keys{NumMatrix(65, 2), NumMatrix(65, 2)};
    for (int h = 1; h <= 64; ++h) {
        keys.frequency(h + 1, 1) = keys.frequency(h + 1, 2) = h * 220.0;
    }
    keys.frequency(1, 2) = keys.amplitude(1, 2) = 0.1;
    keys.amplitude(3, 1) = 0.5;
    keys.amplitude(4, 2) = 0.5;
    keys.amplitude(65, 1) = 0.25;
    // Noise keyframes: row 1 the frame times, column 1 the band numbers (of 256).
    NumMatrix noise(4, 3);
    const double times[] = {0.0, 0.25};
    const double bands[] = {1.0, 64.0, 200.0};
    for (int b = 0; b < 3; ++b) {
        noise(b + 2, 1) = bands[b];
        for (int k = 0; k < 2; ++k) {
            noise(1, k + 2) = times[k];
            noise(b + 2, k + 2) = 0.1 * (b + 1) + 0.01 * (k + 1);
        }
    }
    for (double f0 : {220.0, 0.0}) {
        auto layer = std::make_unique<tessarine::LayerData>();
        tessarine::buildAnalysedLayer(f0, keys, noise, *layer);
        const tessarine::NoiseData& n = layer->noise;
        ASSERT_EQ(n.frameCount(), 2);
        for (int k = 0; k < 2; ++k) {
            EXPECT_FLOAT_EQ(n.frameTime(k), static_cast<float>(times[k]));
            const tessarine::BreakpointCurve& spectrum = n.frame(k).spectrum;
            ASSERT_EQ(spectrum.pointCount(), 3);
            for (int b = 0; b < 3; ++b) {
                EXPECT_FLOAT_EQ(spectrum.timeAt(b), static_cast<float>(bands[b] / 256.0)) << "band " << b;
                EXPECT_FLOAT_EQ(spectrum.value(b), static_cast<float>(0.1 * (b + 1) + 0.01 * (k + 1)))
                    << "frame " << k << " band " << b;
            }
        }
        // Harmonic 1 always has its points, and the last harmonic its own.
        for (auto [h, points] : {std::pair{0, 2}, {1, 2}, {2, 0}, {63, 2}}) {
            EXPECT_EQ(layer->harmonic.amplitude(h).pointCount(), points) << "harmonic " << h + 1;
        }
        EXPECT_FLOAT_EQ(layer->harmonic.frequency(1).value(1), 2.0f) << "a multiple of f0, or nominal without one";
        EXPECT_EQ(tessarine::soundingHarmonics(*layer), 2);
    }
}

} // namespace
