// Partial tracking measured on what a listener would call one partial: a
// steady partial stays one track, an onset starts a new partial and a short
// dip does not end one. Tones tracked from real spectra are the frame
// analysis's to check, harmonic by harmonic.

#include "SignalHelpers.h"

#include "analysis/PartialTracker.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using tessarine::NumMatrix;
using tessarine::NumVector;
using tessarine::PartialTracks;

using testsignal::vec;

// A magnitude "spectrogram" drawn by hand: a low floor, peaks three bins wide.
struct Drawing {
    NumMatrix g;
    Drawing(int bins, int frames) : g(NumMatrix::filled(tessarine::FillKind::Ones, bins, frames) * 1e-3) {}
    void peak(int bin, int first, int last, double amplitude)
    {
        for (int f = first; f <= last; ++f) {
            g(bin - 1, f) = 0.5 * amplitude;
            g(bin, f) = amplitude;
            g(bin + 1, f) = 0.5 * amplitude;
        }
    }
    // Flat over 21 bins around bin: no peak near it, but the level stays.
    void plateau(int bin, int first, int last, double level)
    {
        for (int f = first; f <= last; ++f) {
            for (int b = bin - 10; b <= bin + 10; ++b) {
                g(b, f) = level;
            }
        }
    }
};

int presentFrames(const PartialTracks& t, int row)
{
    int count = 0;
    for (int c = 1; c <= t.position.columns(); ++c) {
        count += std::isnan(t.position(row, c)) ? 0 : 1;
    }
    return count;
}

TEST(FindSpectralPeaks, VertexAndRefusals)
{
    struct Case { NumVector x; double threshold; std::vector<double> positions, values; };
    NumVector parabola(10);
    for (int k = 1; k <= 10; ++k) {
        parabola(k) = -(k - 5.3) * (k - 5.3);
    }
    const Case cases[] = {
        {parabola, -10.0, {5.3}, {0.0}},
        {parabola, 0.5, {}, {}},                    // below threshold
        {vec({-1, 0, -1}), -10.0, {}, {}},          // log magnitude exactly 0: no peak
        {vec({5, 1, 1, 1, 6}), -10.0, {}, {}},      // edge bins never peak
        {vec({0.1, 1, 1, 0.1}), -10.0, {2.5}, {}},  // a plateau peaks at its centre
        {vec({-INFINITY, -3, -INFINITY}), -10.0, {2}, {-3}},
    };
    for (const Case& c : cases) {
        const tessarine::SpectralPeaks p = tessarine::findSpectralPeaks(c.x, c.threshold);
        ASSERT_EQ(p.positions.size(), static_cast<int>(c.positions.size()));
        for (int i = 1; i <= p.positions.size(); ++i) {
            EXPECT_NEAR(p.positions(i), c.positions[static_cast<std::size_t>(i - 1)], 1e-12);
            if (!c.values.empty()) {
                EXPECT_NEAR(p.values(i), c.values[static_cast<std::size_t>(i - 1)], 1e-12);
            }
        }
    }
}

TEST(TrackPartials, OnsetsAndDips)
{
    // For gapFrames from frame 11 no peak, the flat bins at gapLevel; then a peak of laterLevel (0.8 before).
    struct Case { const char* what; int gapFrames; double gapLevel, laterLevel; int tracks; };
    const Case cases[] = {
        {"steady", 0, 0, 0.8, 1},
        {"12 dB rise continues", 0, 0, 3.2, 1},
        {"26 dB rise is an onset", 0, 0, 16.0, 2},
        {"dip of 3 frames at a fifth of the level", 3, 0.4, 0.8, 1},
        {"dip of 4 frames", 4, 0.4, 0.8, 2},
        {"dip of 1 frame into the floor", 1, 1e-3, 0.8, 2},
    };
    for (const Case& c : cases) {
        Drawing d(64, 30);
        d.peak(20, 1, 10, 0.8);
        if (c.gapFrames > 0) {
            d.plateau(20, 11, 10 + c.gapFrames, c.gapLevel);
        }
        d.peak(20, 11 + c.gapFrames, 30, c.laterLevel);
        const PartialTracks t = tessarine::trackPartials(d.g, 64.0);
        EXPECT_FALSE(t.failed);
        ASSERT_EQ(t.tracks(), c.tracks) << c.what;
        EXPECT_NEAR(t.position(1, 1), 19.0, 1e-9) << "positions count bins from 0";
        EXPECT_DOUBLE_EQ(t.amplitude(1, 1), 0.8);
        EXPECT_EQ(presentFrames(t, 1), c.tracks == 1 ? 30 - c.gapFrames : 10) << c.what;
    }
}

TEST(TrackPartials, SearchRangeAndShortTracks)
{
    Drawing d(64, 30);
    d.peak(30, 1, 30, 0.8);
    d.peak(40, 1, 9, 0.8); // shorter than a third of the sound: noise
    EXPECT_EQ(tessarine::trackPartials(d.g, 30.0).tracks(), 0) << "a peak at the limit starts nothing";
    EXPECT_EQ(tessarine::trackPartials(d.g, 31.0).tracks(), 1);
    EXPECT_EQ(tessarine::trackPartials(d.g, 64.0).tracks(), 1);
    EXPECT_EQ(tessarine::trackPartials(NumMatrix(64, 30), 64.0).tracks(), 0) << "silence";
    EXPECT_EQ(tessarine::trackPartials(NumMatrix(64, 30), 64.0).position.columns(), 30);
    NumMatrix hostile = d.g;
    hostile(30, 5) = tessarine::kMissing;
    hostile(31, 6) = INFINITY;
    EXPECT_EQ(tessarine::trackPartials(hostile, 64.0).tracks(), 0);
}

TEST(TrackPartials, CellBoundAndNarrowing)
{
    // Fresh random peaks every frame in the lower bins, a steady partial above.
    NumMatrix g(96, 1500);
    unsigned state = 12345;
    for (int c = 1; c <= g.columns(); ++c) {
        for (int r = 1; r <= 64; ++r) {
            state = state * 1103515245u + 12345u;
            g(r, c) = 0.01 + ((state >> 16) & 0x7fff) / 32768.0;
        }
        for (int r = 65; r <= 96; ++r) {
            g(r, c) = r == 80 ? 1.5 : (r == 79 || r == 81 ? 0.75 : 1e-3);
        }
    }
    const PartialTracks noisy = tessarine::trackPartials(g, 96.0);
    EXPECT_FALSE(noisy.failed) << "short-lived noise tracks do not count against the bound";
    bool steadyKept = false;
    for (int t = 1; t <= noisy.tracks(); ++t) {
        steadyKept = steadyKept || presentFrames(noisy, t) == g.columns();
    }
    EXPECT_TRUE(steadyKept) << "the partial above the noise is still searched";

    // Many lasting partials: the bound narrows the range until they fit.
    NumMatrix comb = NumMatrix::filled(tessarine::FillKind::Ones, 96, 1500) * 1e-3;
    for (int bin = 4; bin < 96; bin += 4) {
        for (int c = 1; c <= comb.columns(); ++c) {
            comb(bin, c) = 0.9; // not 1: a log level of exactly 0 is no peak
        }
    }
    constexpr long long limit = 15000;
    EXPECT_TRUE(tessarine::trackPartials(comb, 96.0, limit).failed);
    double range = 96.0;
    const PartialTracks t = tessarine::trackPartialsNarrowing(comb, range, limit);
    EXPECT_FALSE(t.failed);
    EXPECT_LT(range, 96.0);
    EXPECT_GE(t.tracks(), 5);
    EXPECT_LE(static_cast<long long>(t.tracks()) * comb.columns(), limit);
}

} // namespace
