#include "analysis/WeakHarmonicPitch.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tessarine {

namespace {

constexpr double kStrongShare = 0.1;  // 20 dB under the frame's strongest harmonic
constexpr double kWeakShare = 0.0316; // 30 dB under a neighbour

bool sounding(double frequency, double amplitude)
{
    return frequency > 0.0 && amplitude > 0.0 && std::isfinite(frequency) && std::isfinite(amplitude);
}

} // namespace

void followStrongHarmonics(NumMatrix& frequency, const NumMatrix& amplitude)
{
    const int rows = frequency.rows();
    const int frames = frequency.columns();
    if (amplitude.rows() != rows || amplitude.columns() != frames) {
        return;
    }
    std::vector<double> course(static_cast<std::size_t>(frames), 0.0);
    for (int j = 1; j <= frames; ++j) {
        double loudest = 0.0;
        for (int h = 1; h <= rows; ++h) {
            if (sounding(frequency(h, j), amplitude(h, j))) {
                loudest = std::max(loudest, amplitude(h, j));
            }
        }
        double weight = 0.0;
        double sum = 0.0;
        for (int h = 1; h <= rows; ++h) {
            if (sounding(frequency(h, j), amplitude(h, j)) && amplitude(h, j) >= kStrongShare * loudest) {
                // A higher harmonic pins the course more finely: its
                // reading's error, over its number, is smaller.
                const double power = amplitude(h, j) * amplitude(h, j) * h * h;
                weight += power;
                sum += power * frequency(h, j) / h;
            }
        }
        course[static_cast<std::size_t>(j - 1)] = weight > 0.0 ? sum / weight : 0.0;
    }

    // The louder of a harmonic's two neighbours where they sound.
    const auto neighbour = [&](int h, int j) {
        double level = 0.0;
        for (const int n : {h - 1, h + 1}) {
            if (n >= 1 && n <= rows && sounding(frequency(n, j), amplitude(n, j))) {
                level = std::max(level, amplitude(n, j));
            }
        }
        return level;
    };
    std::vector<double> ratios;
    for (int h = 1; h <= rows; ++h) {
        ratios.clear();
        for (int j = 1; j <= frames; ++j) {
            const double c = course[static_cast<std::size_t>(j - 1)];
            if (c > 0.0 && sounding(frequency(h, j), amplitude(h, j))) {
                ratios.push_back(frequency(h, j) / (h * c));
            }
        }
        if (ratios.empty()) {
            continue;
        }
        const auto middle = ratios.begin() + static_cast<std::ptrdiff_t>(ratios.size() / 2);
        std::nth_element(ratios.begin(), middle, ratios.end());
        const double ratio = *middle;
        for (int j = 1; j <= frames; ++j) {
            const double c = course[static_cast<std::size_t>(j - 1)];
            if (c > 0.0 && sounding(frequency(h, j), amplitude(h, j)) &&
                amplitude(h, j) < kWeakShare * neighbour(h, j)) {
                frequency(h, j) = h * c * ratio;
            }
        }
    }
}

} // namespace tessarine
