// Which tracks become which harmonic numbers, and which are thrown out as not
// belonging to the note. Tracks are drawn by hand in Hz.

#include "analysis/HarmonicAssignment.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using tessarine::HarmonicCurves;
using tessarine::NumMatrix;

constexpr int kFrames = 100;
constexpr double kF0 = 200.0;

struct Track { double frequency, amplitude; int first = 1; int last = kFrames; };

struct Tracks { NumMatrix frequency, amplitude; };

Tracks draw(const std::vector<Track>& tracks)
{
    const int rows = static_cast<int>(tracks.size());
    Tracks t{NumMatrix::filled(tessarine::FillKind::Missing, rows, kFrames),
             NumMatrix::filled(tessarine::FillKind::Missing, rows, kFrames)};
    for (int r = 1; r <= rows; ++r) {
        const Track& track = tracks[static_cast<std::size_t>(r - 1)];
        for (int c = track.first; c <= track.last; ++c) {
            t.frequency(r, c) = track.frequency;
            t.amplitude(r, c) = track.amplitude;
        }
    }
    return t;
}

std::vector<Track> series(std::vector<int> harmonics)
{
    std::vector<Track> tracks;
    for (int h : harmonics) {
        tracks.push_back({h * kF0 + 1.0, 1.0});
    }
    return tracks;
}

std::vector<int> present(const HarmonicCurves& curves)
{
    std::vector<int> harmonics;
    for (int h = 1; h <= tessarine::kHarmonicCount; ++h) {
        for (int c = 1; c <= curves.amplitude.columns(); ++c) {
            if (!std::isnan(curves.amplitude(h, c))) {
                harmonics.push_back(h);
                break;
            }
        }
    }
    return harmonics;
}

TEST(AssignHarmonics, WhichHarmonicsSurvive)
{
    struct Case { const char* what; std::vector<Track> tracks; std::vector<int> harmonics; };
    auto with = [](std::vector<Track> base, std::vector<Track> extra) {
        base.insert(base.end(), extra.begin(), extra.end());
        return base;
    };
    const Case cases[] = {
        {"a plain series", series({1, 2, 3, 4}), {1, 2, 3, 4}},
        {"rumble below the fundamental", with(series({1, 2, 3}), {{50.0, 3.0}}), {1, 2, 3}},
        {"too quiet", with(series({1, 2}), {{3 * kF0, 0.1}}), {1, 2}},
        {"late and short", with(series({1, 2}), {{3 * kF0, 1.0, 50, 60}}), {1, 2}},
        {"short but from the start", with(series({1, 2}), {{3 * kF0, 1.0, 1, 11}}), {1, 2, 3}},
        // A struck note whose fundamental rings on 50 dB down long after the
        // rest: its upper harmonics count as late and short against the note
        // while it sounds, not against that tail.
        {"upper harmonics before a long quiet tail",
         {{kF0 + 1.0, 1.0, 1, 15}, {kF0 + 1.0, 0.003, 16, kFrames}, {2 * kF0 + 1.0, 1.0, 8, 15}, {3 * kF0 + 1.0, 0.5, 8, 15}},
         {1, 2, 3}},
        {"16 above a gap of five", series({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 16}), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
        {"16 above a gap of four", series({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 16}),
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 16}},
        {"nothing", {}, {}},
    };
    for (const Case& c : cases) {
        const Tracks t = draw(c.tracks);
        const HarmonicCurves curves = tessarine::assignHarmonics(t.frequency, t.amplitude, kF0);
        ASSERT_EQ(std::pair(curves.frequency.rows(), curves.frequency.columns()), std::pair(64, kFrames));
        EXPECT_EQ(present(curves), c.harmonics) << c.what;
    }
}

TEST(AssignHarmonics, MergesCandidatesAndFillsGaps)
{
    Tracks t = draw({{kF0, 1.0}, {2 * kF0 + 3.0, 2.0}, {2 * kF0 - 4.0, 0.5}, {3 * kF0, 1.0}});
    t.frequency(1, 40) = tessarine::kMissing; // a dip in harmonic 1
    t.amplitude(1, 40) = tessarine::kMissing;
    const HarmonicCurves curves = tessarine::assignHarmonics(t.frequency, t.amplitude, kF0);
    for (int c = 1; c <= kFrames; ++c) {
        EXPECT_EQ(curves.frequency(2, c), 2 * kF0 + 3.0) << "the stronger of two candidates";
        EXPECT_EQ(curves.amplitude(2, c), 2.0);
    }
    EXPECT_EQ(curves.frequency(1, 40), kF0) << "a gap holds the mean pitch";
    EXPECT_TRUE(std::isnan(curves.amplitude(1, 40)));
    EXPECT_EQ(curves.frequency(3, 1), 3 * kF0);

    EXPECT_TRUE(present(tessarine::assignHarmonics(NumMatrix(3, kFrames), NumMatrix(2, kFrames), kF0)).empty())
        << "mismatched shapes";
    EXPECT_TRUE(present(tessarine::assignHarmonics(t.frequency, t.amplitude, 0.0)).empty()) << "no pitch";
}

} // namespace
