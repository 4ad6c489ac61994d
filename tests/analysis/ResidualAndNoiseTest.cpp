// The resynthesis that is subtracted from the sound, and the noise spectra of
// what remains: phase-exact partials, fades at a partial's ends, the noise
// time grid at any sample rate and the gate on mostly quiet noise.

#include "SignalHelpers.h"

#include "analysis/HarmonicResynthesis.h"
#include "analysis/NoiseFrames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numbers>
#include <random>
#include <tuple>
#include <vector>

namespace {

using tessarine::NumMatrix;
using tessarine::NumVector;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

struct RecordedProgress : tessarine::AnalysisProgress {
    std::vector<double> percents;
    void setProgress(double percent) override { percents.push_back(percent); }
};

TEST(ResynthesiseHarmonics, PhaseExactPartialWithFades)
{
    constexpr double rate = 44100.0, f = 440.0, a = 0.5, phase0 = 0.3;
    constexpr int n = 256, columns = 12;
    NumMatrix hz(2, columns), level(2, columns), phase(2, columns);
    for (int c = 2; c <= columns - 1; ++c) { // columns 1 and 12 are the silent pads
        hz(1, c) = f;
        level(1, c) = a;
        // Off by whole turns in both directions, as measured phases are: the
        // synthesis must find the turns between frames itself.
        phase(1, c) = std::remainder(kTwoPi * f * (c - 1) * n / rate + phase0, kTwoPi) + kTwoPi * ((c * 5) % 7);
    }
    hz(2, 5) = tessarine::kMissing; // a track of nothing but missing values
    RecordedProgress progress;
    const NumVector y = tessarine::resynthesiseHarmonics(hz, level, phase, rate, n, &progress);
    ASSERT_EQ(y.size(), (columns - 1) * n);
    EXPECT_EQ(progress.percents, (std::vector<double>{50.0, 100.0}));
    for (int i = 0; i < y.size(); ++i) {
        const double sine = std::cos(kTwoPi * f * i / rate + phase0);
        // Faded in over the frame before the first, and out over the last.
        const double envelope = a * std::min({1.0, i / double{n}, ((columns - 1) * n - i) / double{n}});
        EXPECT_NEAR(y.data()[i], envelope * sine, 1e-9) << "sample " << i;
    }

    // A partial that lasts to the last frame: its closing sample falls past the end.
    NumMatrix open(1, 3);
    open(1, 2) = open(1, 3) = f;
    NumMatrix openLevel = open;
    EXPECT_EQ(tessarine::resynthesiseHarmonics(open, openLevel, NumMatrix(1, 3), rate, n, nullptr).size(), 2 * n);
    EXPECT_TRUE(tessarine::resynthesiseHarmonics(open, NumMatrix(2, 3), open, rate, n, nullptr).empty());
}

// The cubic phase law summed with a libm cosine at every sample, for tracks
// present in every column (no fades): what the resynthesis must reproduce.
NumVector directResynthesis(const NumMatrix& hz, const NumMatrix& level, const NumMatrix& phase, double rate, int n)
{
    NumVector out((hz.columns() - 1) * n);
    const double period = n / rate;
    for (int track = 1; track <= hz.rows(); ++track) {
        for (int c = 1; c < hz.columns(); ++c) {
            const double theta0 = phase(track, c);
            const double omega0 = kTwoPi * hz(track, c);
            const double omega1 = kTwoPi * hz(track, c + 1);
            const double delta = phase(track, c + 1) - theta0;
            const double turns = std::floor(((omega0 + omega1) * period / 2.0 - delta) / kTwoPi + 0.5);
            const double alpha =
                3.0 * (delta + kTwoPi * turns - (2.0 * omega0 + omega1) * period / 3.0) / (period * period);
            const double beta = (omega1 - omega0 - 2.0 * alpha * period) / (3.0 * period * period);
            for (int i = 0; i < n; ++i) {
                const double t = i / rate;
                const double a = level(track, c) + (level(track, c + 1) - level(track, c)) * i / n;
                out.data()[(c - 1) * n + i] += a * std::cos(theta0 + t * (omega0 + t * (alpha + t * beta)));
            }
        }
    }
    return out;
}

TEST(ResynthesiseHarmonics, MatchesTheDirectCosineOverALongNote)
{
    struct Case { double rate; int frameSize; };
    // The analysis's own frame at 44.1 kHz, the longest one it makes, and one
    // that does not split evenly.
    for (const Case& run : {Case{44100.0, 512}, Case{96000.0, 8192}, Case{22050.0, 1001}}) {
        const int columns = static_cast<int>(12.5 * run.rate / run.frameSize) + 2;
        const double period = run.frameSize / run.rate;
        // Partials with vibrato and a glide, from the bass to near Nyquist, with
        // measured phases that carry stray turns and a little error.
        const double base[] = {55.0, 196.0, 1234.5, 5000.0, 0.45 * run.rate};
        const int tracks = static_cast<int>(std::size(base));
        NumMatrix hz(tracks, columns), level(tracks, columns), phase(tracks, columns);
        for (int p = 1; p <= tracks; ++p) {
            double integral = 0.1 * p;
            for (int c = 1; c <= columns; ++c) {
                const double t = (c - 1) * period;
                hz(p, c) = base[p - 1] * (1.0 + 0.01 * std::sin(kTwoPi * 5.5 * t) - 0.002 * t);
                level(p, c) = 0.3 / p * (1.2 + std::cos(kTwoPi * 0.7 * t));
                phase(p, c) = std::remainder(integral, kTwoPi) + kTwoPi * ((c * 3 + p) % 5 - 2) +
                              0.01 * std::sin(c * 1.7);
                integral += kTwoPi * hz(p, c) * period;
            }
        }
        const NumVector fast = tessarine::resynthesiseHarmonics(hz, level, phase, run.rate, run.frameSize, nullptr);
        const NumVector direct = directResynthesis(hz, level, phase, run.rate, run.frameSize);
        ASSERT_EQ(fast.size(), direct.size());
        ASSERT_GE(fast.size(), 12.0 * run.rate);
        double worst = 0.0;
        for (int i = 0; i < fast.size(); ++i) {
            worst = std::max(worst, std::abs(fast.data()[i] - direct.data()[i]));
        }
        // Far below float resolution of a sum that peaks near 1.
        EXPECT_LT(worst, 1e-10) << run.rate << " Hz, frames of " << run.frameSize;
    }
}

TEST(NoiseFrames, RowsOnTheSynthesisGridAtEveryRate)
{
    constexpr double band = 44100.0 / 512.0; // Hz between the rows the synthesis reads
    struct Case { double rate; int hop; };
    const Case cases[] = {{44100, 256}, {48000, 256}, {22050, 128}, {96000, 512}, {8000, 32}};
    double reference = 0.0;
    for (const Case& c : cases) {
        EXPECT_EQ(tessarine::noiseHop(c.rate), c.hop) << c.rate;
        // A sine lands on the row of its frequency, whichever bins the rate has.
        const double sine = std::min(5000.0, 0.3 * c.rate);
        const NumMatrix frames = tessarine::noiseFrames(testsignal::partials({{sine, 1.0}}, c.rate, 8 * c.hop), c.rate);
        ASSERT_EQ(std::pair(frames.rows(), frames.columns()), std::pair(256, 7));
        const NumVector frame = frames.transposed().row(3);
        const auto peak = 1 + std::max_element(frame.data(), frame.data() + 256) - frame.data();
        EXPECT_NEAR(peak, sine / band, 1.0) << c.rate;
        const int aboveNyquist = static_cast<int>(c.rate / 2.0 / band) + 2;
        if (aboveNyquist <= 256) {
            EXPECT_EQ(frames(aboveNyquist, 3), 0.0) << c.rate;
            EXPECT_EQ(frames(256, 3), 0.0) << c.rate;
        }

        // White noise of one density (its variance grows with the rate) keeps
        // one level in every row it reaches.
        std::mt19937 random(7);
        std::normal_distribution<double> normal(0.0, std::sqrt(c.rate / 44100.0));
        NumVector noise(static_cast<int>(c.rate));
        std::generate(noise.data(), noise.data() + noise.size(), [&] { return normal(random); });
        const NumMatrix rows = tessarine::noiseFrames(noise, c.rate);
        double level = 0.0; // the mean of rows 5 to 40 over every frame but the first and last
        for (int r = 5; r <= 40; ++r) {
            for (int frame = 2; frame < rows.columns(); ++frame) {
                level += rows(r, frame) / (rows.columns() - 2) / 36.0;
            }
        }
        reference = reference == 0.0 ? level : reference;
        EXPECT_NEAR(level / reference, 1.0, 0.05) << c.rate;
    }
    const NumMatrix none = tessarine::noiseFrames(NumVector(100), 44100);
    EXPECT_EQ(std::tuple(none.rows(), none.columns(), tessarine::maximum(none)), std::tuple(256, 1, 0.0));
}

} // namespace
