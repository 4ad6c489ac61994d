#include "analysis/HarmonicResynthesis.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace tessarine {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

double orZero(double value)
{
    return std::isnan(value) ? 0.0 : value;
}

// One frame's phase, theta0 + omega0 t + alpha t^2 + beta t^3 at t = n / rate,
// with its first and second differences from sample n to n + 1 in closed form
// (differences of the phase itself would lose digits to the whole turns).
struct CubicPhase {
    double theta0, omega0, alpha, beta, rate;

    double at(int n) const
    {
        const double t = n / rate;
        return theta0 + t * (omega0 + t * (alpha + t * beta));
    }
    double step(int n) const
    {
        const double c1 = omega0 / rate;
        const double c2 = alpha / (rate * rate);
        const double c3 = beta / (rate * rate * rate);
        return c1 + c2 * (2.0 * n + 1.0) + c3 * ((3.0 * n + 3.0) * n + 1.0);
    }
    double curve(int n) const
    {
        const double c2 = alpha / (rate * rate);
        const double c3 = beta / (rate * rate * rate);
        return 2.0 * c2 + 6.0 * c3 * (n + 1.0);
    }
    double jerk() const { return 6.0 * beta / (rate * rate * rate); }
};

// The libm cosine per sample was most of the analysis. A cubic phase has a
// constant third difference, so e^(i phase) follows from three chained complex
// rotations per sample. Runs restart from the exact phase every kRestart
// samples, which bounds the rounding drift far below float resolution, and
// kLanes runs of the frame go side by side, so their chains overlap in the
// pipeline and the compiler can pair them in vector registers.
// cos and sin of x. The second and third differences of a phase are tiny
// (below 1e-4 rad for every frame the analysis makes), where the series to
// the x^5 term is exact to the last bit of a double: a third of the libm calls
// of a restart go.
void rotation(double x, double& c, double& s)
{
    if (std::abs(x) < 1e-3) {
        const double x2 = x * x;
        c = 1.0 - x2 * (0.5 - x2 * (1.0 / 24.0));
        s = x * (1.0 - x2 * (1.0 / 6.0 - x2 * (1.0 / 120.0)));
        return;
    }
    c = std::cos(x);
    s = std::sin(x);
}

constexpr int kLanes = 4;
constexpr int kRestart = 128;

__attribute__((always_inline)) inline void addFrameBody(const CubicPhase& law, double a0, double a1, int frameSize,
                                                         double* frame)
{
    const auto level = [&](int n) { return a0 + (a1 - a0) * n / frameSize; };
    const int run = frameSize / kLanes;
    double jr = 1.0;
    double ji = 0.0;
    rotation(law.jerk(), jr, ji);
    double wave[kLanes][kRestart];
    for (int begin = 0; begin < run; begin += kRestart) {
        const int length = std::min(kRestart, run - begin);
        double zr[kLanes], zi[kLanes], rr[kLanes], ri[kLanes], sr[kLanes], si[kLanes];
        for (int lane = 0; lane < kLanes; ++lane) {
            const int n = lane * run + begin;
            rotation(law.at(n), zr[lane], zi[lane]);
            rotation(law.step(n), rr[lane], ri[lane]);
            rotation(law.curve(n), sr[lane], si[lane]);
        }
        for (int n = 0; n < length; ++n) {
            for (int lane = 0; lane < kLanes; ++lane) {
                wave[lane][n] = zr[lane];
                const double nzr = zr[lane] * rr[lane] - zi[lane] * ri[lane];
                const double nzi = zr[lane] * ri[lane] + zi[lane] * rr[lane];
                const double nrr = rr[lane] * sr[lane] - ri[lane] * si[lane];
                const double nri = rr[lane] * si[lane] + ri[lane] * sr[lane];
                const double nsr = sr[lane] * jr - si[lane] * ji;
                const double nsi = sr[lane] * ji + si[lane] * jr;
                zr[lane] = nzr;
                zi[lane] = nzi;
                rr[lane] = nrr;
                ri[lane] = nri;
                sr[lane] = nsr;
                si[lane] = nsi;
            }
        }
        for (int lane = 0; lane < kLanes; ++lane) {
            const int first = lane * run + begin;
            for (int n = 0; n < length; ++n) {
                frame[first + n] += level(first + n) * wave[lane][n];
            }
        }
    }
    // Frames that do not split evenly into the lanes end the direct way.
    for (int n = kLanes * run; n < frameSize; ++n) {
        frame[n] += level(n) * std::cos(law.at(n));
    }
}

// Built for AVX2 with FMA too: the four lanes then fill one register each, about
// halving the analysis's longest stage on such processors. The choice is made on
// first use rather than by an ifunc resolver, which runs before a sanitizer's
// runtime is ready and crashes the instrumented builds at load.
__attribute__((target("avx2,fma"))) void addFrameVector(const CubicPhase& law, double a0, double a1, int frameSize,
                                                        double* frame)
{
    addFrameBody(law, a0, a1, frameSize, frame);
}

void addFramePortable(const CubicPhase& law, double a0, double a1, int frameSize, double* frame)
{
    addFrameBody(law, a0, a1, frameSize, frame);
}

void addFrame(const CubicPhase& law, double a0, double a1, int frameSize, double* frame)
{
    static const bool vector = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    (vector ? addFrameVector : addFramePortable)(law, a0, a1, frameSize, frame);
}

} // namespace

NumVector resynthesiseHarmonics(const NumMatrix& frequency, const NumMatrix& amplitude, const NumMatrix& phase,
                                double rate, int frameSize, AnalysisProgress* progress)
{
    const int tracks = frequency.rows();
    const int columns = frequency.columns();
    if (amplitude.rows() != tracks || phase.rows() != tracks || amplitude.columns() != columns ||
        phase.columns() != columns || !(rate > 0.0) || !std::isfinite(rate) || frameSize < 1 || columns < 2) {
        return {};
    }
    const long long length = static_cast<long long>(columns - 1) * frameSize;
    if (length > std::numeric_limits<int>::max()) {
        return {};
    }
    NumVector out(static_cast<int>(length));
    const double period = frameSize / rate;
    std::vector<double> f(static_cast<std::size_t>(columns));
    std::vector<double> a(static_cast<std::size_t>(columns));
    std::vector<double> theta(static_cast<std::size_t>(columns));
    std::vector<bool> present(static_cast<std::size_t>(columns));

    for (int track = 1; track <= tracks; ++track) {
        int first = -1;
        int last = -1;
        for (int c = 0; c < columns; ++c) {
            const std::size_t i = static_cast<std::size_t>(c);
            f[i] = orZero(frequency(track, c + 1));
            a[i] = orZero(amplitude(track, c + 1));
            theta[i] = orZero(phase(track, c + 1));
            present[i] = f[i] != 0.0;
            if (present[i]) {
                first = first < 0 ? c : first;
                last = c;
            }
        }
        if (first >= 0) {
            const int begin = first > 0 ? first - 1 : 0;
            const int end = last < columns - 1 ? last + 1 : columns - 1;
            // Births take the next frame's frequency and run its phase back one
            // frame; deaths (decided second) run the previous phase on.
            for (int c = begin; c < end; ++c) {
                const std::size_t i = static_cast<std::size_t>(c);
                if (!present[i] && present[i + 1]) {
                    f[i] = f[i + 1];
                    theta[i] = theta[i + 1] - kTwoPi * f[i + 1] * period;
                }
            }
            for (int c = begin + 1; c <= end; ++c) {
                const std::size_t i = static_cast<std::size_t>(c);
                if (!present[i] && present[i - 1]) {
                    f[i] = f[i - 1];
                    theta[i] = theta[i - 1] + kTwoPi * f[i - 1] * period;
                }
            }
            for (int k = begin; k < end; ++k) {
                const std::size_t i = static_cast<std::size_t>(k);
                const double theta0 = theta[i];
                const double omega0 = kTwoPi * f[i];
                const double omega1 = kTwoPi * f[i + 1];
                const double deltaTheta = theta[i + 1] - theta0;
                // The number of whole turns that makes the phase track smoothest:
                // the nearest whole number, also when it is negative (measured
                // phases carry arbitrary turns, so it often is).
                const double turns =
                    std::floor(((omega0 + omega1) * period / 2.0 - deltaTheta) / kTwoPi + 0.5);
                const double alpha =
                    3.0 * (deltaTheta + kTwoPi * turns - (2.0 * omega0 + omega1) * period / 3.0) / (period * period);
                const double beta = (omega1 - omega0 - 2.0 * alpha * period) / (3.0 * period * period);
                const CubicPhase law{theta0, omega0, alpha, beta, rate};
                addFrame(law, a[i], a[i + 1], frameSize, out.data() + static_cast<std::ptrdiff_t>(k) * frameSize);
            }
            // The span's closing sample lies one past the output when the span
            // reaches the last frame; it carries the closing level only.
            const long long closing = static_cast<long long>(end) * frameSize;
            if (closing < length) {
                const std::size_t i = static_cast<std::size_t>(end);
                out.data()[closing] += a[i] * std::cos(theta[i]);
            }
        }
        if (progress != nullptr) {
            progress->setProgress(100.0 * track / tracks);
        }
    }
    return out;
}

} // namespace tessarine
