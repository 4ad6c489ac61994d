#include "analysis/HarmonicAssignment.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tessarine {

namespace {

constexpr int kMaxCandidates = 64;
constexpr double kMergeDeviation = 0.1;  // of f0: a merged harmonic may move this far per frame
constexpr double kPresenceShare = 0.3;   // of the most present track, to start the series
constexpr double kLowestShare = 0.75;    // of f0, to start the series
constexpr double kQuietest = 0.125;      // largest amplitude of a harmonic worth keeping
constexpr double kLateOnset = 0.06;      // of the note until it falls 40 dB
constexpr double kShortPresence = 0.2;   // of the most present track, over the same span
constexpr int kHighHarmonic = 10;
constexpr int kLargestGap = 4;
constexpr double kLoudShare = 0.01;      // 40 dB under the loudest frame: the note's quiet end

struct TrackSummary {
    double mean = 0.0;         // of the positive frequencies; 0 when none
    double presence = 0.0;     // share of frames with a positive frequency
    double spanPresence = 0.0; // the same share within frames 1..span
};

TrackSummary summarise(const NumMatrix& frequency, int row, int span)
{
    TrackSummary s;
    int count = 0;
    int inSpan = 0;
    double total = 0.0;
    for (int c = 1; c <= frequency.columns(); ++c) {
        if (frequency(row, c) > 0.0) {
            total += frequency(row, c);
            ++count;
            inSpan += c <= span ? 1 : 0;
        }
    }
    if (count > 0) {
        s.mean = total / count;
    }
    if (frequency.columns() > 0) {
        s.presence = static_cast<double>(count) / frequency.columns();
    }
    if (span > 0) {
        s.spanPresence = static_cast<double>(inSpan) / span;
    }
    return s;
}

// The last frame in which the merged harmonics together stand within 40 dB
// of their loudest frame: where the note has all but died away.
int lastLoudFrame(const NumMatrix& amplitude)
{
    std::vector<double> totals(static_cast<std::size_t>(amplitude.columns()), 0.0);
    double loudest = 0.0;
    for (int c = 1; c <= amplitude.columns(); ++c) {
        double total = 0.0;
        for (int r = 1; r <= amplitude.rows(); ++r) {
            total += amplitude(r, c) > 0.0 ? amplitude(r, c) : 0.0;
        }
        totals[static_cast<std::size_t>(c - 1)] = total;
        loudest = std::max(loudest, total);
    }
    int last = amplitude.columns();
    while (last > 1 && !(totals[static_cast<std::size_t>(last - 1)] >= kLoudShare * loudest)) {
        --last;
    }
    return last;
}

HarmonicCurves missing(int frames)
{
    return {NumMatrix::filled(FillKind::Missing, kHarmonicCount, frames),
            NumMatrix::filled(FillKind::Missing, kHarmonicCount, frames)};
}

} // namespace

HarmonicCurves mergeHarmonicCandidates(const NumMatrix& frequency, const NumMatrix& amplitude, double f0)
{
    const int frames = frequency.columns();
    HarmonicCurves out = missing(frames);
    if (amplitude.rows() != frequency.rows() || amplitude.columns() != frames || !std::isfinite(f0)) {
        return out;
    }
    const int tracks = frequency.rows();
    std::vector<double> means(static_cast<std::size_t>(tracks));
    std::vector<double> peaks(static_cast<std::size_t>(tracks));
    for (int t = 1; t <= tracks; ++t) {
        means[static_cast<std::size_t>(t - 1)] = summarise(frequency, t, 0).mean;
        peaks[static_cast<std::size_t>(t - 1)] = maximum(amplitude.row(t));
    }
    for (int h = 1; h <= kHarmonicCount; ++h) {
        std::vector<int> candidates;
        for (int t = 1; t <= tracks && static_cast<int>(candidates.size()) < kMaxCandidates; ++t) {
            if (std::abs(means[static_cast<std::size_t>(t - 1)] - h * f0) < f0 / 2.0) {
                candidates.push_back(t);
            }
        }
        if (candidates.size() == 1) {
            const int t = candidates.front();
            for (int c = 1; c <= frames; ++c) {
                out.frequency(h, c) = frequency(t, c);
                out.amplitude(h, c) = amplitude(t, c);
            }
            continue;
        }
        // Several tracks near one harmonic: per frame the strongest that keeps
        // the harmonic's course, so a stray partial cannot make it jump.
        double reference = h * f0;
        bool chosenBefore = false;
        for (int c = 1; c <= frames; ++c) {
            int chosen = 0;
            double chosenPeak = 0.0;
            for (int t : candidates) {
                if (!(amplitude(t, c) > 0.0)) {
                    continue;
                }
                if (chosenBefore && !(std::abs(frequency(t, c) - reference) < kMergeDeviation * f0)) {
                    continue;
                }
                const double peak = peaks[static_cast<std::size_t>(t - 1)];
                if (chosen == 0 || peak > chosenPeak) {
                    chosen = t;
                    chosenPeak = peak;
                    reference = frequency(t, c);
                }
            }
            if (chosen != 0) {
                out.frequency(h, c) = frequency(chosen, c);
                out.amplitude(h, c) = amplitude(chosen, c);
            }
            chosenBefore = chosen != 0;
        }
    }
    return out;
}

HarmonicCurves assignHarmonics(const NumMatrix& frequency, const NumMatrix& amplitude, double f0)
{
    const int frames = frequency.columns();
    const HarmonicCurves merged = mergeHarmonicCandidates(frequency, amplitude, f0);
    HarmonicCurves out = missing(frames);
    if (frames < 1) {
        return out;
    }

    // Onsets and presences of late harmonics are judged over the note until it
    // has all but died away, not over its quiet tail: there only the lowest
    // harmonics still sound, and a longer tail made every upper harmonic of a
    // sustained note look late and short.
    const int span = lastLoudFrame(merged.amplitude);
    std::vector<TrackSummary> summaries;
    double mostPresent = 0.0;
    double mostPresentInSpan = 0.0;
    NumVector means(kHarmonicCount);
    for (int t = 1; t <= kHarmonicCount; ++t) {
        summaries.push_back(summarise(merged.frequency, t, span));
        means(t) = summaries.back().mean;
        mostPresent = std::max(mostPresent, summaries.back().presence);
        mostPresentInSpan = std::max(mostPresentInSpan, summaries.back().spanPresence);
    }
    NumVector sortedMeans;
    NumVector order;
    sortAscending(means, sortedMeans, order);

    // The series starts at the lowest track that is present enough and not
    // far below the fundamental; lower ones are rumble or subharmonic noise.
    std::vector<int> kept; // rows of `merged`, by ascending mean
    for (int i = 1; i <= kHarmonicCount; ++i) {
        const int t = static_cast<int>(order(i));
        const TrackSummary& s = summaries[static_cast<std::size_t>(t - 1)];
        const bool good = s.presence > kPresenceShare * mostPresent && (f0 == -1.0 || s.mean >= kLowestShare * f0);
        if (good || !kept.empty()) {
            kept.push_back(t);
        }
    }
    auto meanOf = [&](std::size_t i) { return summaries[static_cast<std::size_t>(kept[i] - 1)].mean; };

    std::vector<int> trackOf(kHarmonicCount + 1, 0); // harmonic -> row of `merged`, 0 for none
    std::size_t next = 0;
    for (int h = 1; h <= kHarmonicCount && next < kept.size(); ++h) {
        const double target = h * f0;
        std::size_t lower = kept.size();
        double lowerDistance = 0.5 * target;
        std::size_t winner = kept.size();
        for (std::size_t i = next; i < kept.size() && meanOf(i) <= (h + 0.5) * f0; ++i) {
            if (meanOf(i) <= target) {
                lower = i;
                lowerDistance = target - meanOf(i);
            } else if (meanOf(i) - target < lowerDistance) {
                winner = i;
                break;
            }
        }
        if (winner == kept.size()) {
            winner = lower;
        }
        if (winner == kept.size()) {
            continue;
        }
        trackOf[static_cast<std::size_t>(h)] = kept[winner];
        next = winner + 1;
    }

    int highestKept = 0;
    for (int h = 1; h <= kHarmonicCount; ++h) {
        const int t = trackOf[static_cast<std::size_t>(h)];
        if (t == 0) {
            continue;
        }
        const TrackSummary& s = summaries[static_cast<std::size_t>(t - 1)];
        if (maximum(merged.amplitude.row(t)) < kQuietest) {
            continue;
        }
        int onset = 0;
        for (int c = 1; c <= frames && onset == 0; ++c) {
            onset = merged.frequency(t, c) > 0.0 ? c : 0;
        }
        if (static_cast<double>(onset) / span > kLateOnset &&
            s.spanPresence < kShortPresence * mostPresentInSpan) {
            continue;
        }
        if (h > kHighHarmonic && h - std::max(highestKept, 1) > kLargestGap) {
            continue;
        }
        highestKept = h;
        for (int c = 1; c <= frames; ++c) {
            const double f = merged.frequency(t, c);
            // Gaps inside the note hold the harmonic's mean pitch, so the
            // resynthesised partial glides on rather than dropping to 0 Hz.
            out.frequency(h, c) = c < frames && (std::isnan(f) || f == 0.0) ? s.mean : f;
            out.amplitude(h, c) = merged.amplitude(t, c);
        }
    }
    return out;
}

} // namespace tessarine
