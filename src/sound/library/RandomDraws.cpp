#include "sound/library/RandomDraws.h"

#include <algorithm>
#include <cmath>

namespace tessarine {

namespace {
constexpr float kScale = 1.0f / static_cast<float>(RandomGenerator::kMax);
} // namespace

float RandomDraws::U() { return static_cast<float>(raw()) * kScale; }

float RandomDraws::uniform(float lo, float hi) { return lo + static_cast<float>(raw()) * (hi - lo) * kScale; }

float RandomDraws::normal()
{
    constexpr double kMax = RandomGenerator::kMax;
    double a = 0.0;
    double s = 0.0;
    do {
        a = (2.0 * raw() - kMax) / kMax;
        const double b = (2.0 * raw() - kMax) / kMax;
        s = a * a + b * b;
    } while (s > 1.0 || s == 0.0);
    return static_cast<float>(a * std::sqrt(-2.0 * std::log(s) / s));
}

float RandomDraws::gauss(float m, float d, float lo, float hi) { return std::clamp(m + d * normal(), lo, hi); }

int RandomDraws::index(int count)
{
    // The top draw would land one past the end.
    return std::min(static_cast<int>(static_cast<long long>(raw()) * count / RandomGenerator::kMax), count - 1);
}

} // namespace tessarine
