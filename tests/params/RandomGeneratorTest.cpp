#include "params/RandomGenerator.h"

#include <gtest/gtest.h>

#include <set>

namespace tessarine {
namespace {

// A project that opens creates its instances within a millisecond; each must
// draw its own noise and its own random instruments.
TEST(RandomGenerator, SeedsHandedOutAtOnceAllDiffer)
{
    std::set<std::uint32_t> seeds;
    for (int i = 0; i < 1000; ++i) {
        seeds.insert(timeSeed());
    }
    EXPECT_EQ(seeds.size(), 1000u);

    RandomGenerator first(timeSeed());
    RandomGenerator second(timeSeed());
    int same = 0;
    for (int i = 0; i < 64; ++i) {
        same += first.next() == second.next() ? 1 : 0;
    }
    EXPECT_LT(same, 4);
}

} // namespace
} // namespace tessarine
