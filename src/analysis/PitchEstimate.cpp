#include "analysis/PitchEstimate.h"

#include "analysis/RealFft.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace tessarine {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// The search range: below 25 Hz is rumble, above 9 kHz no instrument's fundamental lives.
constexpr double kLowest = 25.0;
constexpr double kHighest = 9000.0;
constexpr int kLargestTransform = 32768;
constexpr int kChosenPeaks = 9;
constexpr double kLoneGap = 8.0;
// A candidate series longer than this cannot be a musical fundamental of the peaks.
constexpr double kLongestSeries = 1e6;
// A note's strongest peak stands at least this far (as a ratio, 15 dB) above the
// spectrum around it; the peaks of noise stand less than 9 dB above theirs.
constexpr double kLeastProminence = 5.6;

struct Peak {
    double frequency;
    double level;
};

bool allFinite(const NumVector& x)
{
    for (int i = 0; i < x.size(); ++i) {
        if (!std::isfinite(x.data()[i])) {
            return false;
        }
    }
    return true;
}

// Sums of the magnitude spectra of consecutive blocks of m samples from s0 to
// e (1-based), rectangular (for choosing the peaks) and Hann-windowed (for
// placing them): bins 1..m/2 become [0..m/2-1]. Both come from one pass with
// one transform plan. Empty when the transform cannot be made.
struct LongTermSpectra {
    std::vector<double> plain;
    std::vector<double> hann;
};

LongTermSpectra longTermSpectra(const NumVector& x, int s0, int e, int m)
{
    RealFft fft(m);
    if (!fft.valid()) {
        return {};
    }
    LongTermSpectra out{std::vector<double>(static_cast<std::size_t>(m / 2), 0.0),
                        std::vector<double>(static_cast<std::size_t>(m / 2), 0.0)};
    std::vector<double> re(static_cast<std::size_t>(m / 2 + 1));
    std::vector<double> im(static_cast<std::size_t>(m / 2 + 1));
    std::vector<double> window(static_cast<std::size_t>(m));
    for (int j = 0; j < m; ++j) {
        window[static_cast<std::size_t>(j)] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * j / m);
    }
    const auto accumulate = [&](std::vector<double>& spectrum) {
        fft.transform(re.data(), im.data());
        for (int k = 1; k <= m / 2; ++k) {
            const std::size_t i = static_cast<std::size_t>(k);
            spectrum[i - 1] += std::sqrt(re[i] * re[i] + im[i] * im[i]);
        }
    };
    for (int s = s0; s <= e - m; s += m) {
        for (int j = 0; j < m; ++j) {
            fft.input()[j] = x(s + j);
        }
        accumulate(out.plain);
        for (int j = 0; j < m; ++j) {
            fft.input()[j] = x(s + j) * window[static_cast<std::size_t>(j)];
        }
        accumulate(out.hann);
    }
    return out;
}

} // namespace

double twoWayMismatch(double candidate, const NumVector& frequencies, const NumVector& magnitudes)
{
    const int count = frequencies.size();
    if (!(candidate > 0.0) || count < 1 || magnitudes.size() != count) {
        return kInfinity;
    }
    const double fmax = maximum(frequencies);
    const double amax = maximum(magnitudes);
    if (!(amax > 0.0) || !(fmax > 0.0) || fmax / candidate > kLongestSeries) {
        return kInfinity;
    }
    const int harmonics = static_cast<int>(std::ceil(fmax / candidate));

    double predictedToMeasured = 0.0;
    for (int n = 1; n <= harmonics; ++n) {
        const double fn = n * candidate;
        double nearest = 1e9;
        double level = 0.0;
        for (int k = 1; k <= count; ++k) {
            const double distance = std::abs(fn - frequencies(k));
            if (distance < nearest) {
                nearest = distance;
                level = magnitudes(k);
            }
        }
        const double weighted = nearest / std::sqrt(fn);
        predictedToMeasured += weighted + (1.4 * weighted - 0.5) * level / amax;
    }

    double measuredToPredicted = 0.0;
    for (int k = 1; k <= count; ++k) {
        double nearest = 1e9;
        for (int n = 1; n <= harmonics; ++n) {
            nearest = std::min(nearest, std::abs(n * candidate - frequencies(k)));
        }
        const double weighted = nearest / std::sqrt(frequencies(k));
        measuredToPredicted += weighted + (1.4 * weighted - 0.5) * magnitudes(k) / amax;
    }
    return predictedToMeasured / harmonics + 3.0 * measuredToPredicted / count;
}

namespace {

// Drops the peaks that are side lobes or shoulders of a stronger neighbour,
// then keeps the strongest few, in order of frequency.
template <typename Valley>
std::vector<Peak> choosePeaks(const std::vector<Peak>& peaks, Valley&& valley)
{
    const double spacingLimit = 0.75 * peaks.front().frequency;
    std::vector<Peak> kept;
    for (std::size_t i = 0; i < peaks.size(); ++i) {
        bool dropped = false;
        for (std::size_t j = 0; j < peaks.size() && !dropped; ++j) {
            if (j == i) {
                continue;
            }
            const double distance = std::abs(peaks[j].frequency - peaks[i].frequency);
            const double rise = peaks[j].level - peaks[i].level;
            dropped = (distance < 12.0 && rise > 0.0) ||
                      (distance < spacingLimit && std::atan(rise / distance) > 1.4 &&
                       valley(peaks[i].frequency, peaks[j].frequency) > 100.0);
        }
        if (!dropped) {
            kept.push_back(peaks[i]);
        }
    }

    // The strongest few, first in list order on ties, then by frequency.
    std::stable_sort(kept.begin(), kept.end(), [](const Peak& a, const Peak& b) { return a.level > b.level; });
    if (kept.size() > kChosenPeaks) {
        kept.resize(kChosenPeaks);
    }
    std::stable_sort(kept.begin(), kept.end(), [](const Peak& a, const Peak& b) { return a.frequency < b.frequency; });
    // A note's fundamental brings harmonics of its own along: a peak that
    // stands alone more than kLoneGap times below every other one, and is not
    // the strongest, is a hum or a rumble. Left in, the comb of its spacing
    // fitted every peak above it, and a high note was taken for a 29 Hz one.
    double strongest = 0.0;
    for (const Peak& p : kept) {
        strongest = std::max(strongest, p.level);
    }
    while (kept.size() >= 2 && kept[1].frequency > kLoneGap * kept[0].frequency && kept[0].level < strongest) {
        kept.erase(kept.begin());
    }
    return kept;
}

// The candidate fundamental, from the closest spacing of the chosen peaks up
// to the strongest peak's frequency, whose series matches them best.
double bestFundamental(const std::vector<Peak>& kept, double fpeak)
{
    NumVector frequencies(static_cast<int>(kept.size()));
    NumVector levels(static_cast<int>(kept.size()));
    for (int i = 1; i <= frequencies.size(); ++i) {
        frequencies(i) = kept[static_cast<std::size_t>(i - 1)].frequency;
        levels(i) = kept[static_cast<std::size_t>(i - 1)].level;
    }

    // The fundamental is no lower than the closest spacing of two chosen peaks,
    // nor than the lowest peak: a reed's odd harmonics lie two fundamentals apart.
    double lower = kInfinity;
    for (int i = 2; i <= frequencies.size(); ++i) {
        lower = std::min(lower, frequencies(i) - frequencies(i - 1));
    }
    lower = std::min(lower, std::floor(frequencies(1)));
    lower = std::max(lower, 24.0);
    if (lower > fpeak) {
        lower = frequencies(1);
    }

    double best = fpeak;
    double bestError = 1e11;
    for (double c = lower; c <= fpeak; c += 1.0) {
        const double error = twoWayMismatch(c, frequencies, levels);
        if (error < bestError) {
            bestError = error;
            best = c;
        }
    }
    return best;
}

// The search steps by 1 Hz, which is 40 cents at 43 Hz: the chosen series is
// fitted to the peaks it matches, each peak placed at the centre of the power
// the Hann-windowed spectrum holds within 3 % of it. A centre, unlike the top
// of a parabola, is not pulled to one end of a vibrato's sweep. A stiff
// string's partials climb above its harmonics (f_n = n f sqrt(1 + B n^2)), so
// a plain fit of f_n = n f would take the stretch for pitch; with three or
// more harmonics the stretch is fitted too, as the line
// (f_n / n)^2 = f^2 + f^2 B n^2, and a steady harmonic series just finds B near 0. Peaks are weighted by level x number (a higher
// harmonic pins the pitch more finely). The fit stays within 2 % (or two steps)
// of the series found: the mismatch search can land more than a step off a low note.
double refineFundamental(double coarse, const std::vector<Peak>& chosen, const std::vector<double>& spectrum,
                         double binWidth)
{
    if (!(coarse > 0.0) || !(binWidth > 0.0)) {
        return coarse;
    }
    const int bins = static_cast<int>(spectrum.size());
    struct Match {
        double number;
        double frequency;
        double weight;
    };
    std::vector<Match> matches;
    double lowest = 1e9;
    double highest = 0.0;
    for (const Peak& peak : chosen) {
        const double harmonic = std::round(peak.frequency / coarse);
        const int k = static_cast<int>(std::lround(peak.frequency / binWidth)); // 1-based bin
        if (harmonic < 1.0 || k < 2 || k >= bins) {
            continue;
        }
        const int reach = std::max(3, static_cast<int>(std::min(0.03 * peak.frequency, 0.3 * coarse) / binWidth));
        double power = 0.0;
        double moment = 0.0;
        for (int j = std::max(1, k - reach); j <= std::min(bins, k + reach); ++j) {
            const double p = spectrum[static_cast<std::size_t>(j - 1)] * spectrum[static_cast<std::size_t>(j - 1)];
            power += p;
            moment += p * j;
        }
        if (!(power > 0.0) || !std::isfinite(moment)) {
            continue;
        }
        const double frequency = moment / power * binWidth;
        // Only peaks that sit on the series (within a quarter of a harmonic) pull the fit.
        if (std::abs(frequency - harmonic * coarse) > 0.25 * coarse) {
            continue;
        }
        matches.push_back({harmonic, frequency, peak.level * harmonic});
        lowest = std::min(lowest, harmonic);
        highest = std::max(highest, harmonic);
    }
    if (matches.empty()) {
        return coarse;
    }
    double fitted = 0.0;
    if (matches.size() >= 3 && highest - lowest >= 2.0) {
        double w = 0.0, sx = 0.0, sy = 0.0, sxx = 0.0, sxy = 0.0;
        for (const Match& m : matches) {
            const double x = m.number * m.number;
            const double y = (m.frequency / m.number) * (m.frequency / m.number);
            w += m.weight;
            sx += m.weight * x;
            sy += m.weight * y;
            sxx += m.weight * x * x;
            sxy += m.weight * x * y;
        }
        const double determinant = w * sxx - sx * sx;
        const double square = determinant > 0.0 ? (sy * sxx - sx * sxy) / determinant : 0.0;
        fitted = square > 0.0 ? std::sqrt(square) : 0.0;
    }
    if (!(fitted > 0.0)) {
        double sumFrequencies = 0.0;
        double sumNumbers = 0.0;
        for (const Match& m : matches) {
            sumFrequencies += m.weight / m.number * m.frequency;
            sumNumbers += m.weight;
        }
        fitted = sumFrequencies / sumNumbers;
    }
    const double reach = std::max(2.0, 0.02 * coarse);
    return std::clamp(fitted, coarse - reach, coarse + reach);
}

// The level of the spectrum's strongest bin within 3 % of f (at most a
// quarter of spacing either way, so neighbouring multiples never share a bin);
// 0 outside the spectrum.
double levelNear(const std::vector<double>& spectrum, double binWidth, double f, double spacing)
{
    const double reach = std::min(0.03 * f, 0.25 * spacing);
    const int bins = static_cast<int>(spectrum.size());
    const int lo = std::max(1, static_cast<int>(std::ceil((f - reach) / binWidth)));
    const int hi = std::min(bins, static_cast<int>(std::floor((f + reach) / binWidth)));
    double level = 0.0;
    for (int k = lo; k <= hi; ++k) {
        level = std::max(level, spectrum[static_cast<std::size_t>(k - 1)]);
    }
    return level;
}

// A candidate whose odd multiples from the third up are missing while its
// even ones sound is an octave low: the even multiples are the whole series of
// twice the candidate, and what sounds at the candidate itself, if anything,
// is a lone sub-octave (an organ's lower stop, a piano's hammer knock under
// its top notes). Twice the candidate stands in while that holds, provided
// its own first harmonic is a note's strongest partial give or take 20 dB, so
// a near-sine with faint overtones keeps its pitch. The odd multiples must
// stay 20 dB under the even ones, summed over the first sixteen multiples the
// spectrum holds; a reed's odd harmonics and a missing fundamental's upper
// series both keep a full odd share. The levels come from the Hann long-term
// spectrum, whose low side lobes keep a strong partial from lifting its odd
// neighbours.
double withoutSubOctave(double candidate, const std::vector<double>& spectrum, double binWidth)
{
    constexpr int kMultiples = 16;
    constexpr double kOddShare = 0.1; // 20 dB
    constexpr double kLeastFundamental = 0.1;
    double strongest = 0.0;
    for (const double level : spectrum) {
        strongest = std::max(strongest, level);
    }
    const double top = binWidth * static_cast<double>(spectrum.size());
    for (int octave = 0; octave < 3 && candidate > 0.0 && 3.0 * candidate < top; ++octave) {
        double odd = 0.0;
        double even = 0.0;
        for (int k = 2; k <= kMultiples && k * candidate < top; ++k) {
            (k % 2 == 0 ? even : odd) += levelNear(spectrum, binWidth, k * candidate, candidate);
        }
        const double doubled = levelNear(spectrum, binWidth, 2.0 * candidate, candidate);
        if (!(odd < kOddShare * even) || !(doubled >= kLeastFundamental * strongest) || 2.0 * candidate > kHighest) {
            break;
        }
        candidate *= 2.0;
    }
    return candidate;
}

} // namespace

double estimatePitch(const NumVector& samples, double rate)
{
    const int n = samples.size();
    if (!(rate >= 1000.0 && rate <= 1e6) || n < 1 || !allFinite(samples)) {
        return 0.0;
    }
    // Skip the attack, whose noise and transients blur the steady harmonics.
    const int s0 = n / rate > 0.54 ? std::max(1, static_cast<int>(0.18 * rate)) : 1;
    // End where the note still sounds: the last of every 20th sample above 0.05.
    int e = n;
    if (n >= rate) {
        for (int position = n; position >= rate; position -= 20) {
            if (samples(position) > 0.05) {
                e = position;
                break;
            }
        }
    }
    const int half = (e - s0) / 2;
    if (half < 2) {
        return 0.0;
    }
    int m = 2;
    while (m * 2 <= half && m * 2 <= kLargestTransform) {
        m *= 2;
    }
    const LongTermSpectra spectra = longTermSpectra(samples, s0, e, m);
    const std::vector<double>& spectrum = spectra.plain;
    if (spectrum.empty()) {
        return 0.0;
    }
    const int bins = m / 2;
    auto frequencyOf = [&](int k) { return k * rate / m; }; // k 1-based
    auto level = [&](int k) { return spectrum[static_cast<std::size_t>(k - 1)]; };
    auto inRange = [&](int k) { return frequencyOf(k) > kLowest && frequencyOf(k) < kHighest; };

    double fpeak = 0.0;
    double smax = 0.0;
    for (int k = 1; k <= bins; ++k) {
        if (inRange(k) && level(k) > smax) {
            smax = level(k);
            fpeak = frequencyOf(k);
        }
    }
    if (!(smax > 0.0)) {
        return 0.0; // silence in the search range has no pitch
    }
    const double threshold = std::min(smax / 3.0, 200.0);

    std::vector<Peak> peaks;
    for (int k = 1; k <= bins; ++k) {
        if (inRange(k) && level(k) > threshold && (k == 1 || level(k) > level(k - 1)) &&
            (k == bins || level(k) > level(k + 1))) {
            peaks.push_back({frequencyOf(k), level(k)});
        }
    }
    if (peaks.empty()) {
        return fpeak;
    }

    // Smallest level between two peaks; bins outside the search range count as 0.
    auto valley = [&](double f1, double f2) {
        const int lo = static_cast<int>(m * std::min(f1, f2) / rate + 0.5);
        const int hi = static_cast<int>(m * std::max(f1, f2) / rate + 0.5);
        double lowest = kInfinity;
        for (int k = lo; k <= hi; ++k) {
            const double value = k >= 1 && k <= bins && inRange(k) ? level(k) : 0.0;
            lowest = std::min(lowest, value);
        }
        return lowest;
    };
    const std::vector<Peak> chosen = choosePeaks(peaks, valley);

    // Noise has peaks too, but none stands out from the bins around it (50 Hz
    // either side): such a sound has no pitch, rather than a random one.
    const int around = std::max(16, static_cast<int>(50.0 * m / rate));
    double prominence = 0.0;
    std::vector<double> neighbourhood;
    for (const Peak& peak : chosen) {
        const int k = static_cast<int>(std::lround(peak.frequency * m / rate));
        neighbourhood.clear();
        for (int j = std::max(1, k - around); j <= std::min(bins, k + around); ++j) {
            neighbourhood.push_back(level(j));
        }
        const auto middle = neighbourhood.begin() + static_cast<std::ptrdiff_t>(neighbourhood.size() / 2);
        std::nth_element(neighbourhood.begin(), middle, neighbourhood.end());
        prominence = std::max(prominence, *middle > 0.0 ? peak.level / *middle : kInfinity);
    }
    if (prominence < kLeastProminence) {
        return 0.0;
    }
    const double coarse = withoutSubOctave(bestFundamental(chosen, fpeak), spectra.hann, rate / m);
    return refineFundamental(coarse, chosen, spectra.hann, rate / m);
}

} // namespace tessarine
