// The formant shape as it weighs a note: where the drawn peak lands for each
// formant value, what the bands get when the shape is flat zero or the switch
// was off at note-on, and finite weights from damaged shapes and wild values.

#include "engine/voice/FormantShape.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tessarine {
namespace {

TEST(FormantShape, FormantValueMovesThePeakByUpToAnEighthOfTheAxis)
{
    // A peak of 1 at the middle of the axis (11,025 Hz), 0 a quarter either side.
    BreakpointCurve shape;
    const float times[] = {0.25f, 0.5f, 0.75f}, values[] = {0.0f, 1.0f, 0.0f};
    shape.assignPoints(times, values, 3);
    const struct {
        float atNoteOn, smoothed, peak; // smoothed -1: no update after note-on
    } cases[] = {{0.5f, -1.0f, 0.5f}, {1.0f, -1.0f, 0.625f}, {0.0f, -1.0f, 0.375f},
                 {0.5f, 1.0f, 0.625f}, {0.5f, 0.75f, 0.5625f}, {0.5f, 9.0f, 0.625f}};
    for (const auto& c : cases) {
        FormantShape formant;
        formant.setup(shape, true, c.atNoteOn);
        if (c.smoothed >= 0.0f) {
            formant.update(c.smoothed);
        }
        EXPECT_NEAR(formant.gain(c.peak * 22050.0f), 1.0f, 1e-5f) << c.atNoteOn << " " << c.smoothed;
        EXPECT_NEAR(formant.gain((c.peak + 0.125f) * 22050.0f), 0.5f, 1e-5f);
        EXPECT_EQ(formant.table()[static_cast<std::size_t>(c.peak * 256.0f)], 1.0f);
    }
}

TEST(FormantShape, FlatZeroShapeSilencesEverythingUnlessSwitchedOff)
{
    BreakpointCurve shape;
    shape.insertPoint(0.0f, 0.0f);
    shape.insertPoint(1.0f, 0.0f);
    for (bool on : {true, false}) {
        FormantShape formant;
        formant.setup(shape, on, 1.0f);
        EXPECT_EQ(formant.lastValue(), on ? 1.0f : -1.0f);
        for (float hz : {0.0f, 100.0f, 5000.0f, 22050.0f}) {
            EXPECT_EQ(formant.gain(hz), 0.0f) << hz;
        }
        for (float band : formant.table()) {
            ASSERT_EQ(band, on ? 0.0f : 1.0f) << on;
        }
    }
}

TEST(FormantShape, FiniteWeightsForDamagedShapesAndAnyValue)
{
    const float inf = INFINITY, nan = std::nanf("");
    const float times[] = {0.0f, 0.3f, 0.6f, 1.0f}, values[] = {nan, inf, -inf, 1e30f};
    BreakpointCurve damaged, empty;
    damaged.assignPoints(times, values, 4);
    for (const BreakpointCurve* shape : {&damaged, &empty}) {
        for (float v : {0.0f, 1.0f, nan, -3.0f, 7.5f, inf}) {
            FormantShape formant;
            formant.setup(*shape, v > 0.5f, v);
            formant.update(v);
            for (float band : formant.table()) {
                ASSERT_TRUE(std::isfinite(band)) << v;
            }
            for (float hz : {0.0f, -5.0f, 1e9f, nan, inf}) {
                EXPECT_TRUE(std::isfinite(formant.gain(hz))) << v << " " << hz;
            }
        }
    }
}

} // namespace
} // namespace tessarine
