// Curve editing and lookup: the operations every editor view and the engine's
// audio-rate reads depend on.

#include "sound/model/BreakpointCurve.h"
#include "sound/model/NoiseData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <utility>
#include <vector>

namespace {

using tessarine::BreakpointCurve;

void fill(BreakpointCurve& curve, std::initializer_list<std::pair<float, float>> points)
{
    curve.clear();
    for (auto [t, v] : points) {
        ASSERT_TRUE(curve.insertPoint(t, v));
    }
}

std::vector<float> timesOf(const BreakpointCurve& curve) { return {curve.timeData(), curve.timeData() + curve.pointCount()}; }

TEST(BreakpointCurve, LookupBeforeAtBetweenAndAfterThePoints)
{
    BreakpointCurve curve;
    EXPECT_EQ(curve.valueAt(0.5f), 0.0f) << "empty curve";
    fill(curve, {{1.0f, 2.0f}, {2.0f, 4.0f}, {4.0f, 0.0f}});
    const std::pair<float, float> cases[] = {
        {0.0f, 0.0f}, {0.999f, 0.0f}, {1.0f, 2.0f}, {1.5f, 3.0f}, {2.0f, 4.0f},
        {3.0f, 2.0f}, {4.0f, 0.0f},   {9.0f, 0.0f}, {3.0f, 2.0f}, {1.25f, 2.5f},
    };
    // Asked in this order, forwards and backwards, so the cache is exercised both ways.
    for (auto [time, expected] : cases) {
        EXPECT_FLOAT_EQ(curve.valueAt(time), expected) << "at " << time;
    }
    BreakpointCurve single;
    fill(single, {{2.0f, 7.0f}});
    EXPECT_EQ(single.valueAt(1.0f), 0.0f);
    EXPECT_EQ(single.valueAt(2.0f), 7.0f);
    EXPECT_EQ(single.valueAt(3.0f), 7.0f);
}

TEST(BreakpointCurve, EditsInvalidateTheCachedAnswer)
{
    BreakpointCurve curve;
    fill(curve, {{0.0f, 0.0f}, {1.0f, 1.0f}});
    ASSERT_FLOAT_EQ(curve.valueAt(0.5f), 0.5f);

    curve.insertPoint(0.5f, 3.0f);
    EXPECT_FLOAT_EQ(curve.valueAt(0.5f), 3.0f) << "insertPoint";
    curve.scaleValues(2.0f);
    EXPECT_FLOAT_EQ(curve.valueAt(0.5f), 6.0f) << "scaleValues";
    curve.setValue(1, 1.0f);
    EXPECT_FLOAT_EQ(curve.valueAt(0.5f), 1.0f) << "setValue";
    curve.removePoint(1);
    EXPECT_FLOAT_EQ(curve.valueAt(0.5f), 1.0f) << "removePoint: 2 × 0.5";
    curve.movePoint(1, 2.0f, BreakpointCurve::kMoveSingle);
    EXPECT_FLOAT_EQ(curve.valueAt(0.5f), 0.5f) << "movePoint";
    curve.truncateAfter(0.1f);
    EXPECT_FLOAT_EQ(curve.valueAt(0.5f), 0.0f) << "truncateAfter";
    curve.clear();
    EXPECT_FLOAT_EQ(curve.valueAt(0.5f), 0.0f) << "clear";
    EXPECT_TRUE(curve.empty());
}

TEST(BreakpointCurve, InsertionKeepsTimesOrderedAndPutsEqualTimesFirst)
{
    BreakpointCurve curve;
    fill(curve, {{1.0f, 10.0f}, {3.0f, 30.0f}, {2.0f, 20.0f}, {0.0f, 0.0f}});
    EXPECT_EQ(timesOf(curve), (std::vector<float>{0.0f, 1.0f, 2.0f, 3.0f}));

    // Equal times: the new point goes before the old one, at either end and inside.
    for (float time : {0.0f, 2.0f, 3.0f}) {
        curve.valueAt(2.5f); // leave a segment in the cache to search from
        ASSERT_TRUE(curve.insertPoint(time, -1.0f));
        const float* first = std::find(curve.timeData(), curve.timeData() + curve.pointCount(), time);
        EXPECT_EQ(curve.value(static_cast<int>(first - curve.timeData())), -1.0f) << "at " << time;
    }
    EXPECT_FALSE(curve.insertPoint(NAN, 1.0f));

    BreakpointCurve full;
    for (int i = 0; i < BreakpointCurve::kCapacity; ++i) {
        ASSERT_TRUE(full.insertPoint(static_cast<float>(i), 1.0f));
    }
    EXPECT_FALSE(full.insertPoint(0.5f, 9.0f));
    EXPECT_EQ(full.pointCount(), BreakpointCurve::kCapacity);
    EXPECT_EQ(full.timeAt(1), 1.0f);
}

TEST(BreakpointCurve, MoveModes)
{
    struct Case { const char* what; int index; float newTime; int mode; std::vector<float> expected; };
    const Case cases[] = {
        {"single within neighbours", 1, 1.5f, BreakpointCurve::kMoveSingle, {0.0f, 1.5f, 2.0f, 4.0f}},
        {"single past the next point", 1, 2.5f, BreakpointCurve::kMoveSingle, {0.0f, 1.0f, 2.0f, 4.0f}},
        {"single last point far out", 3, 100.0f, BreakpointCurve::kMoveSingle, {0.0f, 1.0f, 2.0f, 100.0f}},
        {"negative becomes 0", 0, -3.0f, BreakpointCurve::kMoveSingle, {0.0f, 1.0f, 2.0f, 4.0f}},
        {"shift later points", 1, 1.5f, BreakpointCurve::kMoveShift, {0.0f, 1.5f, 2.5f, 4.5f}},
        {"shift before the previous", 2, 0.5f, BreakpointCurve::kMoveShift, {0.0f, 1.0f, 2.0f, 4.0f}},
        {"stretch: last stays", 1, 2.0f, BreakpointCurve::kMoveStretch, {0.0f, 2.0f, 2.0f + 2.0f / 3.0f, 4.0f}},
        {"stretch the last point", 3, 8.0f, BreakpointCurve::kMoveStretch, {0.0f, 2.0f, 4.0f, 8.0f}},
        {"stretch past the last", 1, 5.0f, BreakpointCurve::kMoveStretch, {0.0f, 1.0f, 2.0f, 4.0f}},
        {"index out of range", 4, 1.0f, BreakpointCurve::kMoveShift, {0.0f, 1.0f, 2.0f, 4.0f}},
    };
    for (const Case& c : cases) {
        BreakpointCurve curve;
        fill(curve, {{0.0f, 0.0f}, {1.0f, 1.0f}, {2.0f, 2.0f}, {4.0f, 3.0f}});
        curve.movePoint(c.index, c.newTime, c.mode);
        std::vector<float> times = timesOf(curve);
        ASSERT_EQ(times.size(), c.expected.size()) << c.what;
        for (std::size_t i = 0; i < times.size(); ++i) {
            EXPECT_NEAR(times[i], c.expected[i], 1e-5) << c.what << " point " << i;
        }
    }
}

TEST(BreakpointCurve, SharingCurveFollowsItsOwnerAndRefusesUnknownTimes)
{
    BreakpointCurve owner;
    BreakpointCurve sharer;
    sharer.shareTimesOf(owner);
    fill(owner, {{0.0f, 1.0f}, {1.0f, 1.0f}, {2.0f, 1.0f}});
    ASSERT_TRUE(sharer.insertPoint(0.0f, 5.0f));
    ASSERT_TRUE(sharer.insertPoint(1.0f, 6.0f));
    ASSERT_TRUE(sharer.insertPoint(2.0f, 7.0f));
    EXPECT_FALSE(sharer.insertPoint(1.5f, 9.0f)) << "a time the owner does not hold";
    EXPECT_FALSE(sharer.insertPoint(3.0f, 9.0f)) << "beyond the owner's times";
    EXPECT_EQ(sharer.pointCount(), 3);
    EXPECT_FLOAT_EQ(sharer.valueAt(0.5f), 5.5f);

    sharer.movePoint(1, 1.5f, BreakpointCurve::kMoveSingle); // shared times do not move
    owner.movePoint(1, 1.5f, BreakpointCurve::kMoveSingle);
    EXPECT_EQ(sharer.timeAt(1), 1.5f);
    EXPECT_FLOAT_EQ(sharer.valueAt(0.75f), 5.5f);
}

TEST(BreakpointCurve, NormaliseEndsPinsBothEndsToZero)
{
    struct Case { std::initializer_list<std::pair<float, float>> points; std::vector<std::pair<float, float>> expected; };
    const Case cases[] = {
        {{{0.0f, 0.0f}, {1.0f, 1.0f}}, {{0.0f, 0.0f}, {1.0f, 0.0f}}},
        {{{0.0f, 0.5f}, {0.5f, 1.0f}}, {{0.0f, 0.0f}, {0.0025f, 0.5f}, {0.5f, 1.0f}, {1.0f, 0.0f}}},
        {{{0.2f, 0.5f}, {0.995f, 1.0f}}, {{0.0f, 0.0f}, {0.2f, 0.5f}, {1.0f, 0.0f}}},
    };
    for (const Case& c : cases) {
        BreakpointCurve curve;
        fill(curve, c.points);
        curve.normaliseEnds();
        ASSERT_EQ(curve.pointCount(), static_cast<int>(c.expected.size()));
        for (int i = 0; i < curve.pointCount(); ++i) {
            EXPECT_FLOAT_EQ(curve.timeAt(i), c.expected[static_cast<std::size_t>(i)].first);
            EXPECT_FLOAT_EQ(curve.value(i), c.expected[static_cast<std::size_t>(i)].second);
        }
    }
}

TEST(NoiseData, FrameInsertionNearestAndMoves)
{
    tessarine::NoiseData noise;
    EXPECT_EQ(noise.nearestFrame(1.0f), -1);
    EXPECT_EQ(noise.frameAt(0), nullptr);
    ASSERT_TRUE(noise.insertFrame(1.0f));
    noise.frame(0).spectrum.insertPoint(0.5f, 0.25f);
    ASSERT_TRUE(noise.insertFrame(0.0f)); // at index 0: a copy of the frame that follows
    ASSERT_TRUE(noise.insertFrame(3.0f)); // at the end: a copy of the frame before
    EXPECT_EQ(noise.frame(0).spectrum.pointCount(), 1);
    EXPECT_EQ(noise.frame(2).spectrum.pointCount(), 1);

    const std::pair<float, int> nearest[] = {{-1.0f, 0}, {0.0f, 0}, {0.5f, 0}, {0.6f, 1}, {2.0f, 1}, {2.1f, 2}, {9.0f, 2}};
    for (auto [time, expected] : nearest) {
        EXPECT_EQ(noise.nearestFrame(time), expected) << "at " << time;
    }
    noise.moveFrame(1, 5.0f, BreakpointCurve::kMoveSingle); // past the next frame: refused
    EXPECT_EQ(noise.frameTime(1), 1.0f);
    noise.removeFrame(0);
    EXPECT_EQ(noise.frameCount(), 2);
    EXPECT_EQ(noise.frameTime(0), 1.0f);

    for (int i = noise.frameCount(); i < tessarine::kMaxNoiseFrames; ++i) {
        ASSERT_TRUE(noise.insertFrame(10.0f + static_cast<float>(i)));
    }
    EXPECT_FALSE(noise.insertFrame(0.5f));
}

} // namespace
