#include "commands/StrictHarmonicBalance.h"

#include "analysis/RealFft.h"

#include <algorithm>
#include <cmath>
#include <array>
#include <numbers>

namespace tessarine::host {

namespace {

constexpr int kHarmonics = 10;
constexpr double kPeakSpan = 0.03;      // ± of k f0 where harmonic k's peak is sought
constexpr double kComparedRangeDb = 40.0;
constexpr double kSegmentSeconds = 1.0;
constexpr double kLevelStepSeconds = 0.01;
constexpr double kSpanFrom = 0.1;
constexpr double kSpanTo = 0.7;
constexpr int kLargestTransform = 1 << 20;

using Levels = std::array<double, kHarmonics>; // power per harmonic, -1 beyond the spectrum

// Peak power near each harmonic in one Blackman-Harris transform of
// x[start, start + length), zero-padded to a power of two.
Levels harmonicPeaks(const std::vector<float>& x, long long start, int length, double rate, double f0)
{
    int n = 1;
    while (n < length && n < kLargestTransform) {
        n *= 2;
    }
    length = std::min(length, n);
    RealFft fft(n);
    Levels levels{};
    levels.fill(-1.0);
    if (!fft.valid() || length < 2) {
        return levels;
    }
    double* in = fft.input();
    std::fill(in, in + n, 0.0);
    for (int j = 0; j < length; ++j) {
        const double phase = 2.0 * std::numbers::pi * j / (length - 1);
        const double window = 0.35875 - 0.48829 * std::cos(phase) + 0.14128 * std::cos(2.0 * phase) -
                              0.01168 * std::cos(3.0 * phase);
        const long long i = start + j;
        const double sample = i >= 0 && i < static_cast<long long>(x.size()) ? x[static_cast<std::size_t>(i)] : 0.0;
        in[j] = sample * window;
    }
    std::vector<double> re(static_cast<std::size_t>(n / 2 + 1)), im(re.size());
    fft.transform(re.data(), im.data());
    const double binHz = rate / n;
    const int last = n / 2;
    for (int k = 1; k <= kHarmonics; ++k) {
        const int low = std::max(1, static_cast<int>(std::ceil(k * f0 * (1.0 - kPeakSpan) / binHz)));
        const int high = static_cast<int>(std::floor(k * f0 * (1.0 + kPeakSpan) / binHz));
        if (high >= last || high < low) {
            continue;
        }
        double peak = 0.0;
        for (int b = low; b <= high; ++b) {
            const auto i = static_cast<std::size_t>(b);
            peak = std::max(peak, re[i] * re[i] + im[i] * im[i]);
        }
        levels[static_cast<std::size_t>(k - 1)] = peak;
    }
    return levels;
}

// Worst |difference| in dB, the mean difference removed, over the harmonics the
// recording holds within 40 dB of its strongest; compared receives their count.
double worstDifference(const Levels& recording, const Levels& render, int& compared)
{
    double strongest = 0.0;
    for (double p : recording) {
        strongest = std::max(strongest, p);
    }
    compared = 0;
    if (!(strongest > 0.0)) {
        return 0.0;
    }
    std::array<double, kHarmonics> diff{};
    std::array<bool, kHarmonics> used{};
    double sum = 0.0;
    for (std::size_t k = 0; k < recording.size(); ++k) {
        if (recording[k] > 0.0 && render[k] >= 0.0 &&
            10.0 * std::log10(strongest / recording[k]) <= kComparedRangeDb) {
            diff[k] = 10.0 * std::log10((render[k] + 1e-30) / recording[k]);
            used[k] = true;
            sum += diff[k];
            ++compared;
        }
    }
    double worst = 0.0;
    for (std::size_t k = 0; k < diff.size(); ++k) {
        if (used[k]) {
            worst = std::max(worst, std::fabs(diff[k] - sum / compared));
        }
    }
    return worst;
}

} // namespace

double steadiestSegment(const std::vector<float>& x, double rate, double sounding, double seconds)
{
    const auto step = static_cast<long long>(std::llround(kLevelStepSeconds * rate));
    const long long end = std::min(static_cast<long long>(x.size()), std::llround(sounding * rate));
    const auto span = static_cast<std::size_t>(std::llround(seconds / kLevelStepSeconds));
    if (step < 1 || span < 2) {
        return 0.0;
    }
    std::vector<double> levels;
    for (long long s = 0; s + step <= end; s += step) {
        double power = 1e-20;
        for (long long i = s; i < s + step; ++i) {
            power += static_cast<double>(x[static_cast<std::size_t>(i)]) * x[static_cast<std::size_t>(i)];
        }
        levels.push_back(10.0 * std::log10(power / static_cast<double>(step)));
    }
    if (levels.size() <= span) {
        return 0.0;
    }
    // Running sums make every window's variance one subtraction away.
    std::vector<double> sum(levels.size() + 1, 0.0), squares(levels.size() + 1, 0.0);
    for (std::size_t i = 0; i < levels.size(); ++i) {
        sum[i + 1] = sum[i] + levels[i];
        squares[i + 1] = squares[i] + levels[i] * levels[i];
    }
    std::size_t best = 0;
    double bestVariance = INFINITY;
    for (std::size_t i = 0; i + span <= levels.size(); ++i) {
        const double mean = (sum[i + span] - sum[i]) / static_cast<double>(span);
        const double variance = (squares[i + span] - squares[i]) / static_cast<double>(span) - mean * mean;
        if (variance < bestVariance) {
            bestVariance = variance;
            best = i;
        }
    }
    return static_cast<double>(best) * kLevelStepSeconds;
}

StrictBalance strictBalance(const std::vector<float>& recording, const std::vector<float>& render, double rate,
                            double f0, double sounding)
{
    StrictBalance out;
    if (!(f0 > 0.0) || !(rate > 0.0) || !(sounding > 0.0)) {
        return out;
    }
    out.segmentSeconds = std::min(kSegmentSeconds, sounding);
    out.segmentStart = steadiestSegment(recording, rate, sounding, out.segmentSeconds);
    const long long start = std::llround(out.segmentStart * rate);
    const int length = static_cast<int>(std::llround(out.segmentSeconds * rate));
    out.worstDb = worstDifference(harmonicPeaks(recording, start, length, rate, f0),
                                  harmonicPeaks(render, start, length, rate, f0), out.compared);

    // Over 10..70 %: segments as long as the steadiest one (or the whole span
    // when shorter), half overlapping, levels summed in power.
    const long long from = std::llround(kSpanFrom * sounding * rate);
    const long long to = std::llround(kSpanTo * sounding * rate);
    const int segment = static_cast<int>(std::min<long long>(length, std::max<long long>(to - from, 2)));
    Levels recordingSum{}, renderSum{};
    bool any = false;
    for (long long s = from; !any || s + segment <= to; s += segment / 2) {
        const Levels a = harmonicPeaks(recording, s, segment, rate, f0);
        const Levels b = harmonicPeaks(render, s, segment, rate, f0);
        for (std::size_t k = 0; k < a.size(); ++k) {
            recordingSum[k] = a[k] < 0.0 || (any && recordingSum[k] < 0.0) ? -1.0 : recordingSum[k] + a[k];
            renderSum[k] = b[k] < 0.0 || (any && renderSum[k] < 0.0) ? -1.0 : renderSum[k] + b[k];
        }
        any = true;
        if (segment / 2 < 1) {
            break;
        }
    }
    out.worstSpanDb = worstDifference(recordingSum, renderSum, out.comparedSpan);
    return out;
}

} // namespace tessarine::host
