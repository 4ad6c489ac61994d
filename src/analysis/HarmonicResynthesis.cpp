#include "analysis/HarmonicResynthesis.h"

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
                double* frame = out.data() + static_cast<std::ptrdiff_t>(k) * frameSize;
                for (int n = 0; n < frameSize; ++n) {
                    const double t = n / rate;
                    const double angle = theta0 + t * (omega0 + t * (alpha + t * beta));
                    const double level = a[i] + (a[i + 1] - a[i]) * n / frameSize;
                    frame[n] += level * std::cos(angle);
                }
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
