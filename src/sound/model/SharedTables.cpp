#include "sound/model/SharedTables.h"

#include <cmath>
#include <numbers>

namespace tessarine {

const std::array<float, 201>& sineTable()
{
    static const std::array<float, 201> table = [] {
        std::array<float, 201> t{};
        for (int n = 0; n <= 200; ++n) {
            t[static_cast<std::size_t>(n)] = static_cast<float>(std::sin(n * std::numbers::pi / 100.0));
        }
        return t;
    }();
    return table;
}

const std::array<SinCos, 64>& noiseRotationTable()
{
    static const std::array<SinCos, 64> table = [] {
        std::array<SinCos, 64> t{};
        for (int n = 0; n < 64; ++n) {
            double angle = n * std::numbers::pi / 32.0;
            t[static_cast<std::size_t>(n)] = {static_cast<float>(std::sin(angle)), static_cast<float>(std::cos(angle))};
        }
        return t;
    }();
    return table;
}

} // namespace tessarine
