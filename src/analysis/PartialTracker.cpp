#include "analysis/PartialTracker.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace tessarine {

namespace {

constexpr double kStartThresholdDb = 20.0;
constexpr double kSettledThresholdDb = 10.0;
constexpr int kMaxGapFrames = 3;
constexpr double kGapLevel = 0.2;
constexpr int kLongestMinimumLength = 22;

struct Entry {
    int frame;
    double position;
    double amplitude;
};

// A noisy note births a few hundred tracks a frame, and nearly all of them
// die within a few frames, far too short to be kept. A young track's entries
// wait in a small slot, reused once it dies; only a track that lasts moves
// them into the store of kept tracks.
struct Young {
    std::array<Entry, kLongestMinimumLength> entries;
    int count;
};

struct Kept {
    long long birth; // tracks are kept in the order they were born
    std::vector<Entry> entries;
};

struct LiveTrack {
    double position;
    double amplitude;
    int lastFrame;
    double thresholdDb;
    long long birth;
    int young; // its slot while young, else -1
    int kept;  // its index in the kept store once it lasts, else -1
};

// The free peak nearest to position, the lower one on a tie; -1 if none is
// free. Peaks come in ascending position (at least a bin apart), so it is the
// first free one on either side: a search per track instead of a scan of the
// whole column, which made tracking quadratic in the number of partials.
int nearestFreePeak(const std::vector<double>& positions, const std::vector<bool>& taken, double position)
{
    const int count = static_cast<int>(positions.size());
    const int split = static_cast<int>(std::lower_bound(positions.begin(), positions.end(), position) - positions.begin());
    int above = split;
    while (above < count && taken[static_cast<std::size_t>(above)]) {
        ++above;
    }
    int below = split - 1;
    while (below >= 0 && taken[static_cast<std::size_t>(below)]) {
        --below;
    }
    if (below < 0) {
        return above < count ? above : -1;
    }
    if (above >= count) {
        return below;
    }
    return std::abs(positions[static_cast<std::size_t>(above)] - position) <
                   std::abs(positions[static_cast<std::size_t>(below)] - position)
               ? above
               : below;
}

} // namespace

SpectralPeaks findSpectralPeaks(const NumVector& x, double threshold)
{
    SpectralPeaks peaks;
    for (int k = 2; k < x.size(); ++k) {
        const double left = x(k - 1);
        const double mid = x(k);
        const double right = x(k + 1);
        if (!(mid > threshold && mid > left && mid >= right && mid != 0.0)) {
            continue;
        }
        double position = k;
        double value = mid;
        // Next to a bin of exact silence (log -inf) there is no parabola to fit.
        if (std::isfinite(left) && std::isfinite(right) && std::isfinite(mid)) {
            const double a = (left - 2.0 * mid + right) / 2.0;
            const double v = 1.0 - (mid - left) / a;
            position = (k - 1) + v / 2.0;
            value = left - v * v * a / 4.0;
        }
        peaks.positions.append(position);
        peaks.values.append(value);
    }
    return peaks;
}

PartialTracks trackPartials(const NumMatrix& g, double maxPosition, long long cellLimit)
{
    const int bins = g.rows();
    const int frames = g.columns();
    PartialTracks result;
    result.position = NumMatrix(0, frames);
    result.amplitude = NumMatrix(0, frames);
    const double largest = maximum(g);
    if (bins < 3 || frames < 1 || !(largest > 0.0) || !std::isfinite(largest)) {
        return result;
    }
    const double floor = 0.0001 * largest;
    const double logThreshold = std::log(0.2 * floor);
    const int minimumLength = std::min(frames / 3, kLongestMinimumLength);

    std::vector<Young> young;
    std::vector<int> freeSlots;
    std::vector<Kept> kept;
    long long births = 0;
    std::vector<LiveTrack> live;
    NumVector logColumn(bins);
    std::vector<double> peakPositions;
    std::vector<double> peakAmplitudes;
    std::vector<bool> taken;
    std::vector<LiveTrack> survivors;
    const double decay = 1.0 - std::exp(-0.05);
    // An entry for track, which moves into the kept store on reaching the
    // length to be kept.
    const auto record = [&](LiveTrack& track, const Entry& e) {
        if (track.kept >= 0) {
            kept[static_cast<std::size_t>(track.kept)].entries.push_back(e);
            return;
        }
        Young& slot = young[static_cast<std::size_t>(track.young)];
        slot.entries[static_cast<std::size_t>(slot.count++)] = e;
        if (slot.count >= minimumLength) {
            kept.push_back({track.birth, std::vector<Entry>(slot.entries.begin(), slot.entries.begin() + slot.count)});
            track.kept = static_cast<int>(kept.size()) - 1;
            freeSlots.push_back(track.young);
            track.young = -1;
        }
    };
    const auto release = [&](const LiveTrack& track) {
        if (track.young >= 0) {
            freeSlots.push_back(track.young);
        }
    };

    for (int j = 1; j <= frames; ++j) {
        for (int r = 1; r <= bins; ++r) {
            logColumn(r) = std::log(g(r, j));
        }
        const SpectralPeaks peaks = findSpectralPeaks(logColumn, logThreshold);
        peakPositions.assign(peaks.positions.data(), peaks.positions.data() + peaks.positions.size());
        peakAmplitudes.resize(peakPositions.size());
        for (std::size_t i = 0; i < peakPositions.size(); ++i) {
            peakAmplitudes[i] = std::exp(peaks.values.data()[i]);
        }
        taken.assign(peakPositions.size(), false);

        survivors.clear();
        for (LiveTrack track : live) {
            const int nearest = nearestFreePeak(peakPositions, taken, track.position);
            if (nearest >= 0 && std::abs(peakPositions[static_cast<std::size_t>(nearest)] - track.position) < 1.0) {
                const std::size_t i = static_cast<std::size_t>(nearest);
                const double riseDb = 20.0 * std::log10(peakAmplitudes[i] / track.amplitude);
                if (!(riseDb <= track.thresholdDb)) {
                    release(track);
                    continue; // an onset: this partial ends, the peak may start a new one
                }
                track.position = peakPositions[i];
                track.amplitude = peakAmplitudes[i];
                track.lastFrame = j;
                taken[i] = true;
                record(track, {j, track.position, track.amplitude});
                track.thresholdDb -= decay * (track.thresholdDb - kSettledThresholdDb);
                track.thresholdDb = std::max(track.thresholdDb, 1.5 * riseDb);
                survivors.push_back(track);
                continue;
            }
            const int bin = static_cast<int>(track.position + 0.5);
            if (j - track.lastFrame <= kMaxGapFrames && bin >= 1 && bin <= bins &&
                g(bin, j) >= kGapLevel * track.amplitude) {
                survivors.push_back(track);
            } else {
                release(track);
            }
        }
        live.swap(survivors);

        for (std::size_t i = 0; i < peakPositions.size(); ++i) {
            if (!taken[i] && peakAmplitudes[i] > floor && peakPositions[i] < maxPosition) {
                LiveTrack track{peakPositions[i], peakAmplitudes[i], j, kStartThresholdDb, births++, -1, -1};
                if (freeSlots.empty()) {
                    freeSlots.push_back(static_cast<int>(young.size()));
                    young.emplace_back();
                }
                track.young = freeSlots.back();
                freeSlots.pop_back();
                young[static_cast<std::size_t>(track.young)].count = 0;
                record(track, {j, peakPositions[i], peakAmplitudes[i]});
                live.push_back(track);
            }
        }
        if (static_cast<long long>(frames) * static_cast<long long>(kept.size()) > cellLimit) {
            result.failed = true;
            break;
        }
    }

    // Tracks that grew long enough in one frame were stored in the order of
    // that frame's live list; the rows follow their births.
    std::stable_sort(kept.begin(), kept.end(), [](const Kept& x, const Kept& y) { return x.birth < y.birth; });
    const int rows = static_cast<int>(kept.size());
    result.position = NumMatrix::filled(FillKind::Missing, rows, frames);
    result.amplitude = NumMatrix::filled(FillKind::Missing, rows, frames);
    for (int row = 1; row <= rows; ++row) {
        for (const Entry& e : kept[static_cast<std::size_t>(row - 1)].entries) {
            result.position(row, e.frame) = e.position - 1.0;
            result.amplitude(row, e.frame) = e.amplitude;
        }
    }
    return result;
}

PartialTracks trackPartialsNarrowing(const NumMatrix& magnitude, double& maxPosition, long long cellLimit)
{
    PartialTracks tracks = trackPartials(magnitude, maxPosition, cellLimit);
    // Each halving admits fewer peaks; below one bin none start, so this ends.
    for (int attempt = 0; tracks.failed && attempt < 64; ++attempt) {
        maxPosition /= 2.0;
        tracks = trackPartials(magnitude, maxPosition, cellLimit);
    }
    return tracks;
}

double maxTrackPosition(int frameSize, double rate, double f0)
{
    // 16 kHz is the top of the sound at 44.1 kHz; a recording made at a higher
    // rate holds harmonics above it (a high note's sixth at 96 kHz), which
    // otherwise went to the noise and played weaker than they were.
    const double highest = 16000.0 * std::max(1.0, rate / 44100.0);
    return (2.0 * frameSize / rate) * std::min(65.0 * f0, highest);
}

} // namespace tessarine
