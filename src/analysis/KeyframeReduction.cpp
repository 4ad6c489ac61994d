#include "analysis/KeyframeReduction.h"

#include "sound/model/ShortestPlayedFrameGap.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace tessarine {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// Harmonic levels are compared down to 60 dB under the loudest: below that
// nothing of the note is heard beside it.
constexpr double kLevelFloor = 0.001;
// Squared dB summed over harmonics and frames, to the scale of the threshold.
constexpr double kLevelErrorScale = 1.0;
constexpr int kNoiseBinsJudgedTogether = 4;
// Harmonic keyframes lie a millisecond further apart than playback's shortest
// gap, so that rounding their times to float never makes it drop one.
constexpr double kHarmonicKeyframeGap = kShortestPlayedFrameGap + 0.001;

// Frames stored one after another (frame-major), so a frame's values are contiguous.
struct FrameTable {
    int frames = 0;
    int values = 0;
    std::vector<double> data;

    explicit FrameTable(const NumMatrix& m) : frames(m.columns()), values(m.rows())
    {
        const NumMatrix t = m.transposed();
        data.assign(t.data(), t.data() + static_cast<std::size_t>(frames) * static_cast<std::size_t>(values));
    }
    const double* frame(int j) const { return data.data() + static_cast<std::size_t>(j) * static_cast<std::size_t>(values); }
};

// The frames (1-based, inclusive) that the straight line between keyframes at
// times tp and tq stands for.
void errorSpan(double tp, double tq, double period, int frames, int& i0, int& i1)
{
    i0 = std::clamp(static_cast<int>(tp / period + 0.5), 1, frames);
    i1 = std::clamp(static_cast<int>(tq / period + 0.5), 1, frames);
}

// Sum over the span of the weighted squared distance between the frames and
// the line from keyframe p (values vp) to q (vq).
double lineError(const FrameTable& table, const double* vp, const double* vq, const double* weights, double tp,
                 double tq, double period)
{
    int i0 = 0;
    int i1 = 0;
    errorSpan(tp, tq, period, table.frames, i0, i1);
    const int n = table.values;
    // Four running sums, not one: the reduction passes call this for every
    // keyframe of every pass, and one chained sum left the processor waiting
    // on each addition in turn.
    double sums[4] = {0.0, 0.0, 0.0, 0.0};
    for (int j = i0; j <= i1; ++j) {
        const double lambda = ((j - 1) * period - tp) / (tq - tp);
        const double* z = table.frame(j - 1);
        int r = 0;
        for (; r + 4 <= n; r += 4) {
            for (int k = 0; k < 4; ++k) {
                const double e = (1.0 - lambda) * vp[r + k] + lambda * vq[r + k] - z[r + k];
                sums[k] += weights[r + k] * e * e;
            }
        }
        for (; r < n; ++r) {
            const double e = (1.0 - lambda) * vp[r] + lambda * vq[r] - z[r];
            sums[0] += weights[r] * e * e;
        }
    }
    return (sums[0] + sums[1]) + (sums[2] + sums[3]);
}

// After a pass that removed nothing, the threshold grows by factor until the
// smallest error met would pass. Growing it in one go gives what the same
// number of empty passes would, without repeating them. False when no finite
// error was met: no threshold would ever let one through.
bool growThreshold(double& threshold, double factor, double smallestError)
{
    if (!std::isfinite(smallestError)) {
        return false;
    }
    do {
        threshold *= factor;
    } while (!(smallestError < threshold));
    return true;
}

// Error passes over the middle keyframes of keys (frame indexes, 0-based):
// removal when error(p, m, q) < threshold. removable(m) may protect a keyframe.
// With errors that no threshold passes (not finite), keyframes go in order
// of position so the limit still holds.
template <typename Error, typename Removable>
void reduceByError(std::vector<int>& keys, int limit, double threshold, double factor, Error error,
                   Removable removable)
{
    if (static_cast<int>(keys.size()) <= limit) {
        return;
    }
    bool forced = false;
    bool protect = true;
    // A keyframe's error depends only on it and its two neighbours: it is
    // kept until one of them goes, so a pass after a threshold grew measures
    // only the lines that changed.
    std::vector<double> known(keys.size(), 0.0);
    std::vector<bool> valid(keys.size(), false);
    for (;;) {
        bool removed = false;
        bool anyCandidate = false;
        double smallest = kInfinity;
        for (std::size_t m = 1; m + 2 < keys.size(); ++m) {
            if (protect && !removable(keys, m)) {
                continue;
            }
            anyCandidate = true;
            if (!forced && !valid[m]) {
                known[m] = error(keys[m - 1], keys[m], keys[m + 1]);
                valid[m] = true;
            }
            const double e = forced ? 0.0 : known[m];
            if (forced || e < threshold) {
                keys.erase(keys.begin() + static_cast<std::ptrdiff_t>(m));
                known.erase(known.begin() + static_cast<std::ptrdiff_t>(m));
                valid.erase(valid.begin() + static_cast<std::ptrdiff_t>(m));
                valid[m - 1] = false;
                valid[m] = false; // m < size: the last keyframe is never a candidate
                removed = true;
            } else if (e < smallest) {
                smallest = e;
            }
        }
        if (removed) {
            continue;
        }
        if (static_cast<int>(keys.size()) <= limit) {
            return;
        }
        if (!anyCandidate) {
            // Only protected keyframes are left in the middle: protection
            // cannot be kept within the limit.
            if (!protect) {
                return;
            }
            protect = false;
        } else if (!growThreshold(threshold, factor, smallest)) {
            forced = true;
        }
    }
}

// Removes middle keyframes closer than step(time) to the last one kept.
template <typename Step>
void enforceSpacing(std::vector<int>& keys, double period, Step step)
{
    double last = -1000.0;
    for (std::size_t m = 1; m + 1 < keys.size();) {
        const double t = keys[m] * period;
        if (t < last + step(t)) {
            keys.erase(keys.begin() + static_cast<std::ptrdiff_t>(m));
        } else {
            last = t;
            ++m;
        }
    }
}

// Keeps the keyframes up to the one after the last loud one (the first
// keyframe counts as loud when none is).
template <typename Loud>
void cutTrailingSilence(std::vector<int>& keys, Loud loud)
{
    if (keys.empty()) {
        return;
    }
    std::size_t k = keys.size() - 1;
    while (k > 0 && !loud(keys[k])) {
        --k;
    }
    keys.resize(std::min(keys.size(), k + 2));
}

// 20 log10(v) for v > 0 to within 0.001 dB: the error passes take it for
// every sounding cell of every line they try, where the library's logarithm
// made the reduction three times slower.
double quickDb(double v)
{
    // v = m 2^exponent with m in [1, 2), read off its bits (v is positive and normal).
    const auto bits = std::bit_cast<std::uint64_t>(v);
    const int exponent = static_cast<int>((bits >> 52) & 0x7ff) - 1023;
    const double m = std::bit_cast<double>((bits & 0x000fffffffffffffULL) | 0x3ff0000000000000ULL);
    // ln m = 2 atanh t with t = (m - 1) / (m + 1) below 1/3: four terms of its series.
    const double t = (m - 1.0) / (m + 1.0);
    const double t2 = t * t;
    const double lnm = 2.0 * t * (1.0 + t2 * (1.0 / 3.0 + t2 * (1.0 / 5.0 + t2 / 7.0)));
    return 8.685889638065037 * (lnm + exponent * std::numbers::ln2);
}

// A table's levels in dB, each held up to a floor 60 dB under its loudest
// cell, and the rows that ever rise above that floor.
struct LevelsDb {
    FrameTable table;
    double floor = 0.0;
    std::vector<int> sounding;

    explicit LevelsDb(const FrameTable& levels) : table(levels)
    {
        double loudest = 0.0;
        for (const double v : levels.data) {
            loudest = std::max(loudest, v);
        }
        floor = kLevelFloor * std::max(loudest, 1e-12);
        std::vector<bool> above(static_cast<std::size_t>(table.values), false);
        for (std::size_t i = 0; i < table.data.size(); ++i) {
            double& v = table.data[i];
            above[i % above.size()] = above[i % above.size()] || v > floor;
            v = quickDb(std::max(v, floor));
        }
        for (int r = 0; r < table.values; ++r) {
            if (above[static_cast<std::size_t>(r)]) {
                sounding.push_back(r);
            }
        }
    }
};

// The amplitude error of a line between keyframes (of harmonics or of noise
// bands) as the ear hears it: in dB, each level held up to a floor 60 dB under
// the loudest. Measured linearly, a quiet harmonic's error was too small to keep
// any keyframe, and a line across its decay stood far above it. db holds the
// frames already in dB; only its sounding rows can differ.
double levelError(const FrameTable& table, const LevelsDb& db, const double* vp, const double* vq, double tp,
                  double tq, double period)
{
    int i0 = 0;
    int i1 = 0;
    errorSpan(tp, tq, period, table.frames, i0, i1);
    const double floorDb = quickDb(db.floor);
    double sum = 0.0;
    for (int j = i0; j <= i1; ++j) {
        const double lambda = ((j - 1) * period - tp) / (tq - tp);
        const double* zDb = db.table.frame(j - 1);
        for (int r : db.sounding) {
            const double line = (1.0 - lambda) * vp[r] + lambda * vq[r];
            const double e = (line > db.floor ? quickDb(line) : floorDb) - zDb[r];
            sum += e * e;
        }
    }
    return sum;
}

// The keyframe levels whose lines, as playback draws them, come closest (least
// squares) to the frames they stand for, the last keyframe held at 0. A level
// read off its own frame alone took whatever phase of a beating or chorused
// partial that frame caught; the fit keeps what the keyframes can follow and
// averages what they cannot. The normal equations are tridiagonal and the same
// for every harmonic. Levels stay at or above 0.
std::vector<double> fittedLevels(const FrameTable& table, const std::vector<int>& keys)
{
    const std::size_t count = keys.size();
    const auto n = static_cast<std::size_t>(table.values);
    std::vector<double> levels(count * n, 0.0);
    for (std::size_t k = 0; k < count; ++k) {
        for (std::size_t r = 0; r < n; ++r) {
            levels[k * n + r] = table.frame(keys[k])[r];
        }
    }
    if (count < 3) {
        return levels;
    }
    const std::size_t unknowns = count - 1;
    std::vector<double> diagonal(unknowns, 0.0);
    std::vector<double> upper(unknowns, 0.0);
    std::vector<double> rhs(unknowns * n, 0.0);
    for (std::size_t k = 0; k + 1 < count; ++k) {
        const int from = keys[k];
        const int to = keys[k + 1];
        const int last = k + 2 == count ? to - 1 : to; // the frame at the last key counts once, as 0
        for (int j = from + (k == 0 ? 0 : 1); j <= last; ++j) {
            const double lambda = static_cast<double>(j - from) / (to - from);
            const double a = 1.0 - lambda;
            const double* z = table.frame(j);
            diagonal[k] += a * a;
            if (k + 1 < unknowns) {
                diagonal[k + 1] += lambda * lambda;
                upper[k] += a * lambda;
            }
            for (std::size_t r = 0; r < n; ++r) {
                rhs[k * n + r] += a * z[r];
                if (k + 1 < unknowns) {
                    rhs[(k + 1) * n + r] += lambda * z[r];
                }
            }
        }
    }
    // Thomas elimination: every diagonal is positive (each key owns its frame).
    std::vector<double> factor(unknowns, 0.0);
    for (std::size_t k = 1; k < unknowns; ++k) {
        factor[k] = upper[k - 1] / diagonal[k - 1];
        diagonal[k] -= factor[k] * upper[k - 1];
        for (std::size_t r = 0; r < n; ++r) {
            rhs[k * n + r] -= factor[k] * rhs[(k - 1) * n + r];
        }
    }
    for (std::size_t r = 0; r < n; ++r) {
        double next = 0.0;
        for (std::size_t k = unknowns; k-- > 0;) {
            const double v = (rhs[k * n + r] - (k + 1 < unknowns ? upper[k] * next : 0.0)) / diagonal[k];
            next = v;
            levels[k * n + r] = std::max(v, 0.0);
        }
    }
    return levels;
}

// The keyframe frequencies whose lines come closest to the frames they stand
// for (least squares, each frame weighed by its harmonic's power, as a
// frequency error costs in the signal). Read off its own frame alone, a
// keyframe took that frame's estimate with its error, and the line to the
// next one played the error for the whole span: a steady partial wandered and
// a vibrato lost its turning points. Frames where a harmonic is silent or
// absent (frequency 0) weigh nothing; a keyframe no sounding frame reaches
// keeps its own frame's value.
std::vector<double> fittedFrequencies(const FrameTable& frequency, const FrameTable& amplitude,
                                      const std::vector<int>& keys)
{
    const std::size_t count = keys.size();
    const auto n = static_cast<std::size_t>(frequency.values);
    std::vector<double> values(count * n, 0.0);
    for (std::size_t k = 0; k < count; ++k) {
        for (std::size_t r = 0; r < n; ++r) {
            values[k * n + r] = frequency.frame(keys[k])[r];
        }
    }
    if (count < 2) {
        return values;
    }
    // Per harmonic: its own tridiagonal system, the weights being its own.
    std::vector<double> diagonal(count * n, 0.0);
    std::vector<double> upper(count * n, 0.0);
    std::vector<double> rhs(count * n, 0.0);
    std::vector<double> heaviest(n, 0.0);
    for (std::size_t k = 0; k + 1 < count; ++k) {
        const int from = keys[k];
        const int to = keys[k + 1];
        for (int j = from + (k == 0 ? 0 : 1); j <= to; ++j) {
            const double lambda = static_cast<double>(j - from) / (to - from);
            const double a = 1.0 - lambda;
            const double* f = frequency.frame(j);
            const double* w = amplitude.frame(j);
            for (std::size_t r = 0; r < n; ++r) {
                const double weight = f[r] > 0.0 ? w[r] * w[r] : 0.0;
                heaviest[r] = std::max(heaviest[r], weight);
                diagonal[k * n + r] += weight * a * a;
                diagonal[(k + 1) * n + r] += weight * lambda * lambda;
                upper[k * n + r] += weight * a * lambda;
                rhs[k * n + r] += weight * a * f[r];
                rhs[(k + 1) * n + r] += weight * lambda * f[r];
            }
        }
    }
    for (std::size_t r = 0; r < n; ++r) {
        if (!(heaviest[r] > 0.0)) {
            continue;
        }
        // A faint pull towards each keyframe's own frame keeps the system
        // solvable where no sounding frame reaches a keyframe.
        const double pull = 1e-9 * heaviest[r];
        for (std::size_t k = 0; k < count; ++k) {
            diagonal[k * n + r] += pull;
            rhs[k * n + r] += pull * values[k * n + r];
        }
        // Thomas elimination: the system is positive definite (squares and the pull).
        for (std::size_t k = 1; k < count; ++k) {
            const double factor = upper[(k - 1) * n + r] / diagonal[(k - 1) * n + r];
            diagonal[k * n + r] -= factor * upper[(k - 1) * n + r];
            rhs[k * n + r] -= factor * rhs[(k - 1) * n + r];
        }
        double next = 0.0;
        for (std::size_t k = count; k-- > 0;) {
            const double v = (rhs[k * n + r] - (k + 1 < count ? upper[k * n + r] * next : 0.0)) / diagonal[k * n + r];
            next = v;
            values[k * n + r] = v;
        }
    }
    return values;
}

double frameSum(const FrameTable& table, int frame)
{
    const double* v = table.frame(frame);
    double s = 0.0;
    for (int r = 0; r < table.values; ++r) {
        s += v[r];
    }
    return s;
}

// Each frame's values summed in groups of size neighbours (the last group
// may be smaller).
FrameTable binGroups(const FrameTable& table, int size)
{
    const int groups = (table.values + size - 1) / size;
    FrameTable out(NumMatrix(groups, table.frames));
    for (int j = 0; j < table.frames; ++j) {
        const double* v = table.frame(j);
        double* g = out.data.data() + static_cast<std::size_t>(j) * static_cast<std::size_t>(groups);
        for (int r = 0; r < table.values; ++r) {
            g[r / size] += v[r];
        }
    }
    return out;
}

} // namespace

bool reduceHarmonicKeyframes(const NumMatrix& frequency, const NumMatrix& amplitude, double framePeriod,
                             double threshold, int keyframeLimit, double f0, HarmonicKeyframes& out)
{
    if (frequency.rows() != amplitude.rows() || frequency.columns() != amplitude.columns()) {
        return false;
    }
    const FrameTable phi(frequency);
    const FrameTable amp(amplitude);
    const int frames = phi.frames;
    const LevelsDb ampDb(amp);
    std::vector<int> keys(static_cast<std::size_t>(frames));
    for (int k = 0; k < frames; ++k) {
        keys[static_cast<std::size_t>(k)] = k;
    }
    const double T = framePeriod;
    // Frequency errors in Hz squared, scaled to the pitch so that a low and a
    // high note bend by the same musical amount before a keyframe goes.
    const double frequencyScale = f0 > 0.0 && std::isfinite(f0) ? 200.0 / f0 : 0.0;
    if (frames > 0 && T > 0.0) {
        reduceByError(
            keys, keyframeLimit, threshold, 1.1,
            [&](int p, int m, int q) {
                const double tp = p * T;
                const double tq = q * T;
                double e = kLevelErrorScale * levelError(amp, ampDb, amp.frame(p), amp.frame(q), tp, tq, T);
                if (frequencyScale > 0.0) {
                    e += frequencyScale * lineError(phi, phi.frame(p), phi.frame(q), amp.frame(m), tp, tq, T);
                }
                return e;
            },
            [](const std::vector<int>&, std::size_t) { return true; });
        // Quiet is 60 dB under the loudest frame (never above the fixed level
        // of 0.004 once used), so a decay keeps what a listener still hears.
        double loudest = 0.0;
        for (int frame = 0; frame < frames; ++frame) {
            loudest = std::max(loudest, frameSum(amp, frame));
        }
        const double quiet = std::min(0.004, 0.001 * loudest);
        cutTrailingSilence(keys, [&](int frame) { return frameSum(amp, frame) > quiet; });
        // Playback drops a frame closer than its shortest gap to the one it
        // played before, and the lines it then draws skip the turning points
        // of a vibrato that the error passes kept. Only keyframes it plays
        // are kept, so the frequencies and levels fitted to them are the ones
        // heard. This comes after the cut, which never takes the last
        // keyframe: the silence a sound ends on stays where its frames fell quiet.
        enforceSpacing(keys, T, [](double) { return kHarmonicKeyframeGap; });
    }

    const int count = static_cast<int>(keys.size());
    const int rows = frequency.rows() + 1;
    const std::vector<double> levels = fittedLevels(amp, keys);
    const std::vector<double> frequencies = fittedFrequencies(phi, amp, keys);
    HarmonicKeyframes result{NumMatrix(rows, count), NumMatrix(rows, count)};
    for (int k = 1; k <= count; ++k) {
        const int frame = keys[static_cast<std::size_t>(k - 1)];
        // The last keyframe keeps its own time: the sound fades to it as the
        // frames between said it did (a ringing decay lasts as long as it rang).
        const double time = frame * T;
        result.frequency(1, k) = time;
        result.amplitude(1, k) = time;
        for (int r = 1; r < rows; ++r) {
            result.frequency(r + 1, k) =
                frequencies[static_cast<std::size_t>(k - 1) * static_cast<std::size_t>(rows - 1) + static_cast<std::size_t>(r - 1)];
            result.amplitude(r + 1, k) =
                k == count ? 0.0 : levels[static_cast<std::size_t>(k - 1) * static_cast<std::size_t>(rows - 1) + static_cast<std::size_t>(r - 1)];
        }
    }
    out = std::move(result);
    return true;
}

namespace {

// The bands (1-based) kept of a noise sound: a band goes while a line between
// its neighbours follows it within the threshold over every keyframe, and the
// threshold grows until at most bandLimit remain.
std::vector<int> reduceBands(const FrameTable& z, const std::vector<int>& keys, double bandThreshold, int bandLimit)
{
    std::vector<int> bands(static_cast<std::size_t>(z.values));
    for (int b = 0; b < z.values; ++b) {
        bands[static_cast<std::size_t>(b)] = b + 1;
    }
    const auto level = [&](int band, std::size_t key) { return z.frame(keys[key])[band - 1]; };
    if (static_cast<int>(bands.size()) > bandLimit) {
        double threshold = bandThreshold;
        bool forced = false;
        for (;;) {
            bool removed = false;
            bool anyCandidate = false;
            double smallest = kInfinity;
            for (std::size_t r = 1; r + 2 < bands.size();) {
                const int m = bands[r];
                if (m == 31 || m == 63 || m == 96 || m == 127 || m == 191) {
                    ++r;
                    continue;
                }
                anyCandidate = true;
                const int lo = bands[r - 1];
                const int hi = bands[r + 1];
                double error = 0.0;
                for (std::size_t c = 0; c < keys.size() && !forced; ++c) {
                    const double above = level(lo, c);
                    const double below = level(hi, c);
                    for (int b = lo; b < hi; ++b) {
                        const double lambda = static_cast<double>(b - lo) / (hi - lo);
                        const double e = (1.0 - lambda) * above + lambda * below - level(b, c);
                        error += e * e;
                    }
                }
                if (forced || error < threshold) {
                    bands.erase(bands.begin() + static_cast<std::ptrdiff_t>(r));
                    removed = true;
                } else {
                    smallest = std::min(smallest, error);
                    ++r;
                }
            }
            if (removed) {
                continue;
            }
            if (static_cast<int>(bands.size()) <= bandLimit || !anyCandidate) {
                break;
            }
            if (!growThreshold(threshold, 1.2, smallest)) {
                forced = true;
            }
        }
    }

    return bands;
}

} // namespace

NumMatrix reduceNoiseKeyframes(const NumMatrix& frames, double framePeriod, double timeThreshold, int keyframeLimit,
                               double bandThreshold, int bandLimit)
{
    if (frames.rows() == 0 || frames.columns() == 0 || !(framePeriod > 0.0)) {
        return {};
    }
    const FrameTable z(frames);
    const double T = framePeriod;

    // Denser keyframes where attacks happen, sparser through the sustain.
    std::vector<int> keys;
    double last = -1000.0;
    for (int k = 0; k + 1 < z.frames; ++k) {
        const double t = k * T;
        const double step = t < 0.1 ? 0.0025 : (t < 1.0 ? 0.015 : 0.03);
        if (t >= last + step) {
            keys.push_back(k);
            last = t;
        }
    }
    keys.push_back(z.frames - 1);

    std::vector<double> sums(static_cast<std::size_t>(z.frames));
    for (int k = 0; k < z.frames; ++k) {
        sums[static_cast<std::size_t>(k)] = frameSum(z, k);
    }
    // The error is taken in dB, as for the harmonics: measured linearly, a
    // quiet decay's noise kept a handful of keyframes, and the straight lines
    // between them played it far louder than recorded. Four neighbouring bins
    // (344 Hz) are judged as one level: every bin shares the keyframes' times
    // anyway, and a quarter of the logarithms keeps what the dB measure adds
    // to a few milliseconds a note.
    const FrameTable groups = binGroups(z, kNoiseBinsJudgedTogether);
    const LevelsDb groupsDb(groups);
    reduceByError(
        keys, keyframeLimit, timeThreshold, 1.2,
        [&](int p, int, int q) {
            return levelError(groups, groupsDb, groups.frame(p), groups.frame(q), p * T, q * T, T);
        },
        [&](const std::vector<int>& list, std::size_t m) {
            // The silent keyframe next to sound marks where the sound starts
            // or stops; a line across it would smear the edge.
            const auto sum = [&](std::size_t i) { return sums[static_cast<std::size_t>(list[i])]; };
            return !(sum(m) == 0.0 && (sum(m - 1) != 0.0 || sum(m + 1) != 0.0));
        });
    enforceSpacing(keys, T, [](double t) { return t < 0.1 ? 0.005 : 0.03; });
    cutTrailingSilence(keys, [&](int frame) { return sums[static_cast<std::size_t>(frame)] > 0.0; });

    // Band reduction on the kept keyframes, measured against all bins.
    const std::vector<int> bands = reduceBands(z, keys, bandThreshold, bandLimit);
    const auto level = [&](int band, std::size_t key) { return z.frame(keys[key])[band - 1]; };

    // Only silence in the bands kept ends the noise early: a decay's quiet
    // noise is part of the sound.
    cutTrailingSilence(keys, [&](int frame) {
        double s = 0.0;
        for (int b : bands) {
            s += z.frame(frame)[b - 1];
        }
        return s > 0.0;
    });

    const int bandCount = static_cast<int>(bands.size());
    const int keyCount = static_cast<int>(keys.size());
    NumMatrix h(1 + bandCount, 1 + keyCount);
    for (int k = 1; k <= keyCount; ++k) {
        h(1, k + 1) = keys[static_cast<std::size_t>(k - 1)] * T;
    }
    for (int b = 1; b <= bandCount; ++b) {
        const int band = bands[static_cast<std::size_t>(b - 1)];
        h(b + 1, 1) = band;
        for (int k = 1; k < keyCount; ++k) {
            h(b + 1, k + 1) = level(band, static_cast<std::size_t>(k - 1));
        }
    }
    return h;
}

} // namespace tessarine
