#include "analysis/HarmonicGapFill.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tessarine {

namespace {

constexpr double kFloorShare = 0.0001;   // of the loudest magnitude: the tracker's own floor
constexpr double kRowRange = 0.001;      // 60 dB under a row's peak
constexpr double kSearchShare = 0.25;    // of f0, either side of where a harmonic stood
constexpr double kPresenceShare = 0.3;   // of the most present row, for a row found anew
constexpr double kQuietest = 0.125;      // largest magnitude of a harmonic worth keeping

struct Peak {
    double frequency = 0.0;
    double magnitude = 0.0;
};

bool present(const HarmonicCurves& curves, int h, int c)
{
    return curves.amplitude(h, c) > 0.0;
}

// The largest local maximum of column c within [centre - width, centre + width]
// bins (0-based), refined to the vertex of the parabola through its log levels.
Peak peakNear(const NumMatrix& magnitude, int c, double centre, double width, double binHz)
{
    const int bins = magnitude.rows();
    const int first = std::max(1, static_cast<int>(std::ceil(centre - width)));
    const int last = std::min(bins - 2, static_cast<int>(std::floor(centre + width)));
    Peak best;
    int at = -1;
    for (int k = first; k <= last; ++k) { // k 0-based; row k + 1
        const double mid = magnitude(k + 1, c);
        if (mid > magnitude(k, c) && mid >= magnitude(k + 2, c) && mid > best.magnitude) {
            best.magnitude = mid;
            at = k;
        }
    }
    if (at < 0) {
        return {};
    }
    const double left = magnitude(at, c);
    const double right = magnitude(at + 2, c);
    if (!(left > 0.0 && right > 0.0)) {
        best.frequency = at * binHz;
        return best;
    }
    const double a = std::log(left);
    const double b = std::log(best.magnitude);
    const double r = std::log(right);
    const double curvature = a - 2.0 * b + r;
    const double offset = curvature < 0.0 ? std::clamp(0.5 * (a - r) / curvature, -0.5, 0.5) : 0.0;
    best.frequency = (at + offset) * binHz;
    best.magnitude = std::exp(b - 0.25 * (a - r) * offset);
    return best;
}

} // namespace

void fillHarmonicGaps(HarmonicCurves& curves, const NumMatrix& magnitude, double rate, int frameSize, double f0)
{
    const int frames = curves.amplitude.columns();
    if (!(f0 > 0.0) || !(rate > 0.0) || frameSize < 1 || frames < 1 || magnitude.columns() != frames ||
        magnitude.rows() < 3 || curves.frequency.columns() != frames) {
        return;
    }
    const double binHz = rate / (2.0 * frameSize);
    const double floor = kFloorShare * maximum(magnitude);
    const double width = std::max(1.0, kSearchShare * f0 / binHz);

    int highest = 0;
    int mostPresent = 0;
    std::vector<double> rowPeak(kHarmonicCount + 1, 0.0);
    std::vector<double> ratio(kHarmonicCount + 1, 0.0); // mean frequency / number, 0 for an empty row
    for (int h = 1; h <= kHarmonicCount; ++h) {
        int count = 0;
        double total = 0.0;
        for (int c = 1; c <= frames; ++c) {
            if (present(curves, h, c)) {
                rowPeak[static_cast<std::size_t>(h)] = std::max(rowPeak[static_cast<std::size_t>(h)],
                                                                curves.amplitude(h, c));
                total += curves.frequency(h, c);
                ++count;
            }
        }
        if (count > 0) {
            highest = h;
            mostPresent = std::max(mostPresent, count);
            ratio[static_cast<std::size_t>(h)] = total / count / h;
        }
    }
    if (highest == 0) {
        return;
    }
    const double strongest = *std::max_element(rowPeak.begin(), rowPeak.end());

    for (int h = 1; h <= highest; ++h) {
        const bool empty = ratio[static_cast<std::size_t>(h)] == 0.0;
        double reference = 0.0;
        if (empty) {
            // Its place in the series: by the ratio of the nearest row with values,
            // so a stretched series is followed.
            for (int d = 1; d < kHarmonicCount && reference == 0.0; ++d) {
                for (int g : {h - d, h + d}) {
                    if (g >= 1 && g <= kHarmonicCount && ratio[static_cast<std::size_t>(g)] > 0.0) {
                        reference = h * ratio[static_cast<std::size_t>(g)];
                        break;
                    }
                }
            }
        } else {
            for (int c = 1; c <= frames && reference == 0.0; ++c) {
                reference = present(curves, h, c) ? curves.frequency(h, c) : 0.0;
            }
        }
        // A row found anew must stand within 60 dB of the strongest harmonic,
        // or any noise floor would fill the gaps of a missing fundamental.
        const double least = std::max(floor, kRowRange * (empty ? strongest : rowPeak[static_cast<std::size_t>(h)]));
        std::vector<Peak> found(static_cast<std::size_t>(frames) + 1);
        int count = 0;
        double loudest = 0.0;
        for (int c = 1; c <= frames; ++c) {
            if (present(curves, h, c)) {
                if (!empty) {
                    reference = curves.frequency(h, c);
                }
                continue;
            }
            const Peak p = peakNear(magnitude, c, reference / binHz, width, binHz);
            if (p.magnitude > least) {
                found[static_cast<std::size_t>(c)] = p;
                ++count;
                loudest = std::max(loudest, p.magnitude);
                if (!empty) {
                    reference = p.frequency;
                }
            }
        }
        if (empty && !(count >= kPresenceShare * mostPresent && loudest >= kQuietest)) {
            continue;
        }
        double total = 0.0;
        for (int c = 1; c <= frames; ++c) {
            const Peak& p = found[static_cast<std::size_t>(c)];
            if (p.magnitude > 0.0) {
                curves.frequency(h, c) = p.frequency;
                curves.amplitude(h, c) = p.magnitude;
                total += p.frequency;
            }
        }
        if (empty) {
            // As for every kept row, frames without a peak hold the mean pitch.
            for (int c = 1; c < frames; ++c) {
                if (!present(curves, h, c)) {
                    curves.frequency(h, c) = total / count;
                }
            }
        }
    }
}

} // namespace tessarine
