#include "analysis/ShortTimeSpectrum.h"

#include "analysis/RealFft.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

namespace tessarine {

namespace {
constexpr double kPi = std::numbers::pi;
} // namespace

int shortTimeFrameCount(int length, int frameLength, int hop)
{
    if (hop < 1 || frameLength < 1 || length < frameLength) {
        return 0;
    }
    return (length - frameLength) / hop + 1;
}

NumVector blackmanWindow(int nfft, int windowLength)
{
    NumVector w(nfft);
    const int halfLength = windowLength / 2;
    if (nfft < 2 || halfLength < 1) {
        return w;
    }
    // Built from its right half so that the centre sample is exactly 1 and the
    // first exactly 0: the window is periodic and the frame's centre is j = nfft/2.
    const int m = std::min(nfft / 2, halfLength);
    for (int k = 0; k < m; ++k) {
        const double h = 0.42 + 0.5 * std::cos(kPi * k / halfLength) + 0.08 * std::cos(2.0 * kPi * k / halfLength);
        w.data()[nfft / 2 + k] = h;
        w.data()[nfft / 2 - k] = h;
    }
    return w;
}

namespace {

// The Blackman frames of x through the transform, each frame's bins handed to
// keep(frame, re, im) (frame from 0) after prepare(bins, frames). False on a
// bad shape, before prepare.
template <typename Prepare, typename Keep>
bool blackmanFrames(const NumVector& x, int nfft, int windowLength, int overlap, Prepare prepare, Keep keep)
{
    const int length = windowLength == -1 ? nfft : windowLength;
    const int hop = length - (overlap == -1 ? length / 2 : overlap);
    if (!isPowerOfTwo(nfft) || length < 1 || hop < 1) {
        return false;
    }
    RealFft fft(nfft);
    if (!fft.valid()) {
        return false;
    }
    const NumVector w = blackmanWindow(nfft, length);
    const int frames = shortTimeFrameCount(x.size(), nfft, hop);
    const int bins = nfft / 2 + 1;
    prepare(bins, frames);
    std::vector<double> re(static_cast<std::size_t>(bins));
    std::vector<double> im(static_cast<std::size_t>(bins));
    for (int f = 0; f < frames; ++f) {
        const double* frame = x.data() + static_cast<std::ptrdiff_t>(f) * hop;
        for (int j = 0; j < nfft; ++j) {
            fft.input()[j] = frame[j] * w.data()[j];
        }
        fft.transform(re.data(), im.data());
        keep(f, re.data(), im.data());
    }
    return true;
}

} // namespace

bool blackmanStft(const NumVector& x, int nfft, int windowLength, int overlap, ShortTimeSpectrum& out)
{
    ShortTimeSpectrum result;
    const bool done = blackmanFrames(
        x, nfft, windowLength, overlap,
        [&](int bins, int frames) {
            result.re = NumMatrix(bins, frames);
            result.im = NumMatrix(bins, frames);
        },
        [&](int f, const double* re, const double* im) {
            for (int k = 0; k < result.re.rows(); ++k) {
                result.re(k + 1, f + 1) = re[k];
                result.im(k + 1, f + 1) = im[k];
            }
        });
    if (done) {
        out = std::move(result);
    }
    return done;
}

bool blackmanMagnitude(const NumVector& x, int nfft, int windowLength, int overlap, NumMatrix& out)
{
    NumMatrix result;
    const bool done = blackmanFrames(
        x, nfft, windowLength, overlap, [&](int bins, int frames) { result = NumMatrix(bins, frames); },
        [&](int f, const double* re, const double* im) {
            for (int k = 0; k < result.rows(); ++k) {
                result(k + 1, f + 1) = std::sqrt(re[k] * re[k] + im[k] * im[k]);
            }
        });
    if (done) {
        out = std::move(result);
    }
    return done;
}

bool reassignedStft(const NumVector& x, int nfft, int windowLength, int hop, double rate, ShortTimeSpectrum& out)
{
    if (!isPowerOfTwo(nfft) || windowLength != nfft || hop < 1 || !(rate > 0.0) || !std::isfinite(rate)) {
        return false;
    }
    RealFft fft(nfft);
    if (!fft.valid()) {
        return false;
    }
    const int n = nfft;
    const int bins = n / 2 + 1;
    std::vector<double> h(static_cast<std::size_t>(n));
    std::vector<double> dh(static_cast<std::size_t>(n));
    double windowSum = 0.0;
    for (int k = 0; k < n; ++k) {
        h[static_cast<std::size_t>(k)] = 0.5 * (1.0 - std::cos(2.0 * kPi * k / n));
        dh[static_cast<std::size_t>(k)] = -(kPi * rate / n) * std::sin(2.0 * kPi * k / n);
        windowSum += h[static_cast<std::size_t>(k)];
    }
    const double scale = 2.0 / windowSum;

    const int frames = shortTimeFrameCount(x.size(), n, hop);
    ShortTimeSpectrum result;
    result.re = NumMatrix(bins, frames);
    result.im = NumMatrix(bins, frames);
    result.frequency = NumMatrix(bins, frames);
    std::vector<double> hRe(static_cast<std::size_t>(bins));
    std::vector<double> hIm(static_cast<std::size_t>(bins));
    std::vector<double> dRe(static_cast<std::size_t>(bins));
    std::vector<double> dIm(static_cast<std::size_t>(bins));
    const int half = (n + 1) / 2;
    for (int f = 0; f < frames; ++f) {
        const double* frame = x.data() + static_cast<std::ptrdiff_t>(f) * hop;
        // Half-swapped so that time 0 is the window's centre.
        for (int j = 0; j < n; ++j) {
            const int from = (j + half) % n;
            fft.input()[j] = h[static_cast<std::size_t>(from)] * frame[from];
        }
        fft.transform(hRe.data(), hIm.data());
        for (int j = 0; j < n; ++j) {
            const int from = (j + half) % n;
            fft.input()[j] = dh[static_cast<std::size_t>(from)] * frame[from];
        }
        fft.transform(dRe.data(), dIm.data());
        for (int k = 0; k < bins; ++k) {
            const std::size_t i = static_cast<std::size_t>(k);
            const double omega = 2.0 * kPi * k * rate / n;
            const double yRe = dRe[i] - omega * hIm[i];
            const double yIm = dIm[i] + omega * hRe[i];
            const double power = hRe[i] * hRe[i] + hIm[i] * hIm[i];
            result.re(k + 1, f + 1) = scale * hRe[i];
            result.im(k + 1, f + 1) = scale * hIm[i];
            // A bin without energy has no frequency of its own: it keeps its centre.
            result.frequency(k + 1, f + 1) =
                power > 0.0 ? (yIm * hRe[i] - yRe * hIm[i]) / (2.0 * kPi * power) : omega / (2.0 * kPi);
        }
    }
    out = std::move(result);
    return true;
}

NumMatrix magnitude(const ShortTimeSpectrum& spectrum)
{
    return magnitude(spectrum.re, spectrum.im);
}

} // namespace tessarine
