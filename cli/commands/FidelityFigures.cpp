#include "commands/FidelityFigures.h"

#include "analysis/RealFft.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace tessarine::host {

namespace {

// Under the strongest component, what counts as the sound's floor.
constexpr double kFloorDb = 60.0;
// A harmonic the recording holds this far above its floor is one the voice must keep.
constexpr double kHeldAboveFloorDb = 20.0;
constexpr double kShortestHoleSeconds = 0.1;
constexpr double kHighestComparedHz = 16000.0;
// The top of the noise that voices stored before full-band noise play (band 63
// of 512-point frames at 44.1 kHz).
constexpr double kHighestNoiseHz = 64.0 * 44100.0 / 512.0;
constexpr double kLowestComparedHz = 20.0;
// The steady part: between these fractions of the recording's sounding length.
constexpr double kSteadyFrom = 0.3;
constexpr double kSteadyTo = 0.7;

int powerOfTwoAtLeast(double n, int low, int high)
{
    int p = low;
    while (p < high && p < n) {
        p *= 2;
    }
    return p;
}

double decibels(double power) { return 10.0 * std::log10(power + 1e-30); }

// Frame power spectra of one sound, Blackman-windowed (sidelobes 58 dB down,
// under the floor the figures use), for frames of a fixed length anywhere in
// the sound; samples past its end read as silence, so a render that stopped
// early measures as the silence it is.
class FrameSpectra {
public:
    FrameSpectra(const std::vector<float>& x, int n) : x_(x), fft_(n), window_(static_cast<std::size_t>(n)),
        re_(static_cast<std::size_t>(n / 2 + 1)), im_(static_cast<std::size_t>(n / 2 + 1))
    {
        for (int j = 0; j < n; ++j) {
            const double phase = 2.0 * std::numbers::pi * j / (n - 1);
            window_[static_cast<std::size_t>(j)] = 0.42 - 0.5 * std::cos(phase) + 0.08 * std::cos(2.0 * phase);
        }
    }

    int size() const { return fft_.size(); }
    int bins() const { return fft_.size() / 2 + 1; }

    // Adds the power of the frame starting at sample `start` to power.
    void addFrame(long long start, std::vector<double>& power)
    {
        const int n = fft_.size();
        double* in = fft_.input();
        for (int j = 0; j < n; ++j) {
            const long long i = start + j;
            const double sample = i >= 0 && i < static_cast<long long>(x_.size()) ? x_[static_cast<std::size_t>(i)] : 0.0;
            in[j] = sample * window_[static_cast<std::size_t>(j)];
        }
        fft_.transform(re_.data(), im_.data());
        for (int b = 0; b < bins(); ++b) {
            const std::size_t k = static_cast<std::size_t>(b);
            power[k] += re_[k] * re_[k] + im_[k] * im_[k];
        }
    }

private:
    const std::vector<float>& x_;
    RealFft fft_;
    std::vector<double> window_;
    std::vector<double> re_;
    std::vector<double> im_;
};

// Power of harmonic k of f0 in a power spectrum: the strongest bin within
// 0.4 f0 of k f0 (stretched partials and a vibrato stay inside) and the bins
// around it that its window and a vibrato spread it over, short of the
// neighbours' main lobes. Negative when the harmonic lies past the spectrum.
double harmonicPower(const std::vector<double>& power, double binHz, double f0, int k)
{
    const int last = static_cast<int>(power.size()) - 1;
    const int low = std::max(1, static_cast<int>(std::ceil((k - 0.4) * f0 / binHz)));
    const int high = static_cast<int>(std::floor((k + 0.4) * f0 / binHz));
    if (high >= last || high < low) {
        return -1.0;
    }
    int peak = low;
    for (int b = low; b <= high; ++b) {
        if (power[static_cast<std::size_t>(b)] > power[static_cast<std::size_t>(peak)]) {
            peak = b;
        }
    }
    const int spread = std::max(3, static_cast<int>(std::lround(0.25 * f0 / binHz)));
    double sum = 0.0;
    for (int b = std::max(0, peak - spread); b <= std::min(last, peak + spread); ++b) {
        sum += power[static_cast<std::size_t>(b)];
    }
    return sum;
}

// The frame length that resolves harmonics of f0 (periods of it per frame),
// or about 46 ms for a sound without pitch.
int frameLength(double rate, double f0, double periods, int longest)
{
    if (f0 > 0.0) {
        return powerOfTwoAtLeast(periods * rate / f0, 512, longest);
    }
    return powerOfTwoAtLeast(0.046 * rate, 512, longest);
}

struct SteadySpectra {
    std::vector<double> recording;
    std::vector<double> render;
    double binHz = 0.0;
};

// Both sounds' power spectra averaged over the same frames of the steady span.
SteadySpectra steadySpectra(const std::vector<float>& recording, const std::vector<float>& render, double rate,
                            double f0, double sounding)
{
    FrameSpectra recordingFrames(recording, frameLength(rate, f0, 8.0, 65536));
    FrameSpectra renderFrames(render, recordingFrames.size());
    const long long n = recordingFrames.size();
    SteadySpectra out;
    out.recording.assign(static_cast<std::size_t>(recordingFrames.bins()), 0.0);
    out.render = out.recording;
    out.binHz = rate / static_cast<double>(n);
    const long long from = std::llround(kSteadyFrom * sounding * rate);
    const long long to = std::llround(kSteadyTo * sounding * rate);
    int frames = 0;
    for (long long start = from; start + n <= to; start += n / 4, ++frames) {
        recordingFrames.addFrame(start, out.recording);
        renderFrames.addFrame(start, out.render);
    }
    if (frames == 0) { // a span shorter than one frame: the frame centred on it
        const long long start = std::max(0LL, (from + to) / 2 - n / 2);
        recordingFrames.addFrame(start, out.recording);
        renderFrames.addFrame(start, out.render);
    }
    return out;
}

void compareHarmonics(const SteadySpectra& spectra, double f0, FidelityFigures& figures)
{
    double recordingDb[kComparedHarmonics] = {};
    double renderDb[kComparedHarmonics] = {};
    bool measured[kComparedHarmonics] = {};
    double strongest = -1e300;
    for (int k = 1; k <= kComparedHarmonics; ++k) {
        const double a = harmonicPower(spectra.recording, spectra.binHz, f0, k);
        const double b = harmonicPower(spectra.render, spectra.binHz, f0, k);
        if (a < 0.0 || b < 0.0) {
            continue;
        }
        measured[k - 1] = true;
        recordingDb[k - 1] = decibels(a);
        renderDb[k - 1] = decibels(b);
        strongest = std::max(strongest, recordingDb[k - 1]);
    }
    double offset = 0.0;
    for (int h = 0; h < kComparedHarmonics; ++h) {
        figures.harmonicCompared[h] = measured[h] && recordingDb[h] >= strongest - kFloorDb;
        if (figures.harmonicCompared[h]) {
            // A harmonic the render lacks altogether counts as far under the
            // recording's floor, not as minus infinity.
            renderDb[h] = std::max(renderDb[h], strongest - 2.0 * kFloorDb);
            offset += recordingDb[h] - renderDb[h];
            ++figures.harmonicsCompared;
        }
    }
    if (figures.harmonicsCompared == 0) {
        return;
    }
    offset /= figures.harmonicsCompared;
    figures.levelOffsetDb = offset;
    for (int h = 0; h < kComparedHarmonics; ++h) {
        if (figures.harmonicCompared[h]) {
            figures.harmonicDiffDb[h] = renderDb[h] + offset - recordingDb[h];
            figures.maxHarmonicDiffDb = std::max(figures.maxHarmonicDiffDb, std::fabs(figures.harmonicDiffDb[h]));
        }
    }
}

// Root-mean-square dB difference over the bins the recording holds above its
// floor, up to highest Hz; without harmonics to normalise on, the mean
// difference of those bins is the level normalisation (kept in figures when
// keepOffset).
double compareSpectra(const SteadySpectra& spectra, double rate, double highest, bool keepOffset,
                      FidelityFigures& figures)
{
    const int first = std::max(1, static_cast<int>(std::ceil(kLowestComparedHz / spectra.binHz)));
    const int last = std::min(static_cast<int>(spectra.recording.size()) - 1,
                              static_cast<int>(std::min(highest, 0.5 * rate) / spectra.binHz));
    double strongest = -1e300;
    for (int b = first; b <= last; ++b) {
        strongest = std::max(strongest, decibels(spectra.recording[static_cast<std::size_t>(b)]));
    }
    std::vector<double> differences;
    for (int b = first; b <= last; ++b) {
        const double a = decibels(spectra.recording[static_cast<std::size_t>(b)]);
        if (a >= strongest - kFloorDb) {
            const double r = std::max(decibels(spectra.render[static_cast<std::size_t>(b)]), strongest - 2.0 * kFloorDb);
            differences.push_back(r - a);
        }
    }
    if (differences.empty()) {
        return 0.0;
    }
    double offset = figures.levelOffsetDb;
    if (figures.harmonicsCompared == 0) {
        double mean = 0.0;
        for (const double d : differences) {
            mean += d;
        }
        offset = -mean / static_cast<double>(differences.size());
        if (keepOffset) {
            figures.levelOffsetDb = offset;
        }
    }
    double sum = 0.0;
    for (const double d : differences) {
        sum += (d + offset) * (d + offset);
    }
    return std::sqrt(sum / static_cast<double>(differences.size()));
}

// Harmonics 1..10 that the recording holds well above its floor for longer
// than a hole may last, while the voice's amplitude stays at zero for longer
// than that inside the same span. Past the voice's end is its length, which
// the sounding lengths tell, not a hole.
int countHoles(const std::vector<float>& recording, double rate, double f0, double sounding, double voiceSeconds,
               const VoiceAmplitude& voiceAmplitude)
{
    FrameSpectra frames(recording, frameLength(rate, f0, 8.0, 32768));
    const long long n = frames.size();
    const long long hop = n / 4;
    const long long end = std::llround(sounding * rate);
    std::vector<std::array<double, kComparedHarmonics>> levels;
    std::vector<double> times;
    std::vector<double> power(static_cast<std::size_t>(frames.bins()));
    double strongest = -1e300;
    for (long long start = 0; start + n / 2 <= end; start += hop) {
        std::fill(power.begin(), power.end(), 0.0);
        frames.addFrame(start, power);
        std::array<double, kComparedHarmonics> frame{};
        for (int k = 1; k <= kComparedHarmonics; ++k) {
            const double p = harmonicPower(power, rate / static_cast<double>(n), f0, k);
            frame[static_cast<std::size_t>(k - 1)] = p < 0.0 ? -1e300 : decibels(p);
            strongest = std::max(strongest, frame[static_cast<std::size_t>(k - 1)]);
        }
        levels.push_back(frame);
        times.push_back((static_cast<double>(start) + 0.5 * static_cast<double>(n)) / rate);
    }
    const double held = strongest - kFloorDb + kHeldAboveFloorDb;
    const auto silentRun = [&](int k, double from, double to) {
        constexpr double kStep = 0.005;
        double zeroSince = -1.0;
        for (double t = from; t <= to; t += kStep) {
            if (voiceAmplitude(k, t) > 1e-9f) {
                zeroSince = -1.0;
            } else if (zeroSince < 0.0) {
                zeroSince = t;
            } else if (t - zeroSince > kShortestHoleSeconds) {
                return true;
            }
        }
        return false;
    };
    int holes = 0;
    for (int h = 0; h < kComparedHarmonics; ++h) {
        bool hole = false;
        for (std::size_t i = 0; i < levels.size() && !hole;) {
            if (levels[i][static_cast<std::size_t>(h)] < held) {
                ++i;
                continue;
            }
            std::size_t j = i;
            while (j + 1 < levels.size() && levels[j + 1][static_cast<std::size_t>(h)] >= held) {
                ++j;
            }
            const double to = std::min(times[j], voiceSeconds);
            hole = to - times[i] > kShortestHoleSeconds && silentRun(h + 1, times[i], to);
            i = j + 1;
        }
        holes += hole ? 1 : 0;
    }
    return holes;
}

} // namespace

double soundingSeconds(const std::vector<float>& x, double rate)
{
    const std::size_t block = std::max<std::size_t>(1, static_cast<std::size_t>(std::lround(0.01 * rate)));
    std::vector<double> levels;
    for (std::size_t start = 0; start < x.size(); start += block) {
        double sum = 0.0;
        const std::size_t stop = std::min(x.size(), start + block);
        for (std::size_t i = start; i < stop; ++i) {
            sum += static_cast<double>(x[i]) * x[i];
        }
        levels.push_back(sum / static_cast<double>(stop - start));
    }
    const double peak = levels.empty() ? 0.0 : *std::max_element(levels.begin(), levels.end());
    if (peak <= 0.0) {
        return 0.0;
    }
    std::size_t last = levels.size();
    while (last > 0 && levels[last - 1] < peak * std::pow(10.0, -kFloorDb / 10.0)) {
        --last;
    }
    return std::min(static_cast<double>(x.size()), static_cast<double>(last * block)) / rate;
}

namespace {

// The period at one place, by YIN: Hz, or 0 when none stands out.
double pitchAt(const std::vector<float>& x, double rate, double seconds)
{
    // Periods of 30 Hz to 2 kHz, over a window of two of the longest.
    const int shortest = std::max(2, static_cast<int>(rate / 2000.0));
    const int longest = static_cast<int>(rate / 30.0);
    const int window = 2 * longest;
    const long long need = window + longest + 1;
    const long long middle = std::llround(seconds * rate);
    const long long start = std::max(0LL, middle - need / 2);
    if (start + need > static_cast<long long>(x.size())) {
        return 0.0;
    }
    const float* s = x.data() + start;
    std::vector<double> d(static_cast<std::size_t>(longest + 2), 1.0);
    double running = 0.0;
    for (int tau = 1; tau <= longest + 1; ++tau) {
        double sum = 0.0;
        for (int j = 0; j < window; ++j) {
            const double e = static_cast<double>(s[j]) - s[j + tau];
            sum += e * e;
        }
        running += sum;
        d[static_cast<std::size_t>(tau)] = running > 0.0 ? sum * tau / running : 1.0;
    }
    // The first dip under the threshold, followed to its bottom, is the
    // period; a deeper dip at a multiple would be an octave below.
    int best = -1;
    for (int tau = shortest; tau <= longest; ++tau) {
        if (d[static_cast<std::size_t>(tau)] < 0.1) {
            while (tau < longest && d[static_cast<std::size_t>(tau + 1)] < d[static_cast<std::size_t>(tau)]) {
                ++tau;
            }
            best = tau;
            break;
        }
    }
    if (best < 0) {
        best = shortest;
        for (int tau = shortest; tau <= longest; ++tau) {
            if (d[static_cast<std::size_t>(tau)] < d[static_cast<std::size_t>(best)]) {
                best = tau;
            }
        }
        if (d[static_cast<std::size_t>(best)] > 0.3) {
            return 0.0;
        }
    }
    const double a = d[static_cast<std::size_t>(best - 1)];
    const double b = d[static_cast<std::size_t>(best)];
    const double c = d[static_cast<std::size_t>(best + 1)];
    const double curve = a - 2.0 * b + c;
    const double shift = curve > 0.0 ? 0.5 * (a - c) / curve : 0.0;
    return rate / (best + std::clamp(shift, -0.5, 0.5));
}

} // namespace

double referencePitch(const std::vector<float>& x, double rate, double sounding)
{
    // The median over the steady part, so that one window's vibrato phase or
    // beating layers do not decide it; a sound periodic in too few of the
    // windows has no pitch.
    constexpr int kWindows = 7;
    std::vector<double> found;
    for (int i = 0; i < kWindows; ++i) {
        const double at = kSteadyFrom + (kSteadyTo - kSteadyFrom) * i / (kWindows - 1);
        const double f = pitchAt(x, rate, at * sounding);
        if (f > 0.0) {
            found.push_back(f);
        }
    }
    if (found.size() < kWindows / 2 + 1) {
        return 0.0;
    }
    std::sort(found.begin(), found.end());
    return found[found.size() / 2];
}

FidelityFigures compareSounds(const std::vector<float>& recording, const std::vector<float>& render, double rate,
                              double f0, double voiceSeconds, const VoiceAmplitude& voiceAmplitude)
{
    FidelityFigures figures;
    figures.recordingSeconds = soundingSeconds(recording, rate);
    figures.renderSeconds = soundingSeconds(render, rate);
    if (figures.recordingSeconds <= 0.0) {
        return figures;
    }
    const SteadySpectra spectra = steadySpectra(recording, render, rate, f0, figures.recordingSeconds);
    if (f0 > 0.0) {
        compareHarmonics(spectra, f0, figures);
        figures.holes = countHoles(recording, rate, f0, figures.recordingSeconds, voiceSeconds, voiceAmplitude);
    }
    figures.spectralDistanceDb = compareSpectra(spectra, rate, kHighestComparedHz, true, figures);
    figures.playedSpectralDistanceDb = compareSpectra(spectra, rate, kHighestNoiseHz, false, figures);
    return figures;
}

} // namespace tessarine::host
