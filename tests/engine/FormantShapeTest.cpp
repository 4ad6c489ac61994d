// The formant shape as it weighs a note: where the drawn peak lands for each
// formant value, silence from a flat-zero shape, the switch off at note-on,
// and finite weights from damaged shapes and wild values.

#include "engine/FormantShape.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tessarine {
namespace {

// A peak of 1 at the middle of the axis (11,025 Hz), 0 a quarter either side.
void peakAtMiddle(BreakpointCurve& shape)
{
    const float times[] = {0.25f, 0.5f, 0.75f};
    const float values[] = {0.0f, 1.0f, 0.0f};
    shape.assignPoints(times, values, 3);
}

TEST(FormantShape, FormantValueMovesThePeakByUpToAnEighthOfTheAxis)
{
    BreakpointCurve shape;
    peakAtMiddle(shape);
    struct Case {
        float atNoteOn;
        float smoothed; // -1: no update after note-on
        float peak;     // where the peak lands, 0..1 of the axis
    };
    const Case cases[] = {
        {0.5f, -1.0f, 0.5f},   {1.0f, -1.0f, 0.625f}, {0.0f, -1.0f, 0.375f},
        {0.5f, 1.0f, 0.625f},  {0.5f, 0.75f, 0.5625f}, {0.5f, 9.0f, 0.625f}, // past the knob: its end
    };
    for (const Case& c : cases) {
        FormantShape formant;
        formant.setup(shape, true, c.atNoteOn);
        if (c.smoothed >= 0.0f) {
            formant.update(c.smoothed);
        }
        EXPECT_NEAR(formant.gain(c.peak * 22050.0f), 1.0f, 1e-5f) << c.atNoteOn << " " << c.smoothed;
        EXPECT_FLOAT_EQ(formant.table()[static_cast<std::size_t>(c.peak * 256.0f)], 1.0f);
        // An eighth of the axis from the peak the triangle has halved.
        EXPECT_NEAR(formant.gain((c.peak + 0.125f) * 22050.0f), 0.5f, 1e-5f);
    }
}

TEST(FormantShape, FlatZeroShapeSilencesPartialsAndNoise)
{
    BreakpointCurve shape;
    shape.insertPoint(0.0f, 0.0f);
    shape.insertPoint(1.0f, 0.0f);
    for (float formant : {0.0f, 0.5f, 1.0f}) {
        FormantShape shapeOfNote;
        shapeOfNote.setup(shape, true, formant);
        for (float hz : {0.0f, 100.0f, 5000.0f, 22050.0f}) {
            EXPECT_EQ(shapeOfNote.gain(hz), 0.0f) << formant << " " << hz;
        }
        for (float band : shapeOfNote.table()) {
            ASSERT_EQ(band, 0.0f) << formant;
        }
    }
}

TEST(FormantShape, SwitchedOffAtNoteOnLeavesNoiseAloneUntilItsFirstUpdate)
{
    BreakpointCurve shape;
    peakAtMiddle(shape);
    FormantShape formant;
    formant.setup(shape, false, 0.5f);
    EXPECT_EQ(formant.lastValue(), -1.0f);
    for (float band : formant.table()) {
        ASSERT_EQ(band, 1.0f);
    }
    // Partials are shaped even if no update ever comes (a held formant value).
    EXPECT_FLOAT_EQ(formant.gain(11025.0f), 1.0f);
    formant.update(0.5f);
    EXPECT_EQ(formant.table()[0], 0.0f);
    EXPECT_EQ(formant.table()[128], 1.0f);
}

TEST(FormantShape, FiniteWeightsForDamagedShapesAndAnyValue)
{
    const float inf = INFINITY, nan = std::nanf("");
    const float times[] = {0.0f, 0.3f, 0.6f, 1.0f};
    const float values[] = {nan, inf, -inf, 1e30f};
    BreakpointCurve shape;
    shape.assignPoints(times, values, 4);
    BreakpointCurve empty;
    for (const BreakpointCurve* s : {&shape, &empty}) {
        for (float v : {0.0f, 1.0f, nan, -3.0f, 7.5f, inf}) {
            FormantShape formant;
            formant.setup(*s, v > 0.5f, v);
            formant.update(v);
            formant.update(0.37f);
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
