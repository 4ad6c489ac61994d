// Drawing on the harmonic bars: which harmonics a family moves and by how much,
// and the limits every edit keeps.

#include "editor/views/HarmonicBarView.h"
#include "editor/pages/ControlMap.h"
#include "editor/ViewTestContext.h"
#include "support/TestVoices.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace tessarine {
namespace {

using test::ViewTestContext;

// Plot 512 × 100 from (3, 3): 8 pixels per harmonic, 100 pixels of height.
constexpr gui::Rect kBounds{0, 0, 518, 113};

class HarmonicBars : public testing::Test {
protected:
    void SetUp() override
    {
        HarmonicData& data = context.harmonic();
        test::addHarmonicFrame(data, 0.0f, 0.0f);
        test::addHarmonicFrame(data, 0.5f, 0.5f);
        test::addHarmonicFrame(data, 1.0f, 0.5f);
        test::addHarmonicFrame(data, 2.0f, 0.0f);
        for (int h = 0; h < kHarmonicCount; ++h) {
            data.amplitude(h).setValue(1, 0.25f);
        }
        bars.setFrame(1);
    }
    float amplitude(int h, int frame = 1) { return context.harmonic().amplitude(h - 1).value(frame); }
    float frequency(int h, int frame = 1) { return context.harmonic().frequency(h - 1).value(frame); }

    ViewTestContext context;
    HarmonicBarView bars{kBounds, 174, nullptr, context, 0};
};

TEST_F(HarmonicBars, FamiliesMoveTheirHarmonicsByTheirWeights)
{
    // Each family by its label in the family list: entry k of the list is family k.
    auto familyLabelled = [](const std::string& label) {
        char text[16];
        for (int k = 0; k < HarmonicBarView::kFamilyCount; ++k) {
            listEntryText(EntryText::HarmonicFamily, k, text, sizeof text);
            if (label == text) {
                return k;
            }
        }
        return -1;
    };
    const struct {
        const char* label;
        std::function<float(int)> weight;
    } rows[] = {
        {"All", [](int) { return 1.0f; }},
        {"Octaves", [](int h) { return (h & (h - 1)) == 0 ? 1.0f : 0.0f; }},
        {"Bright", [](int h) { return h / 64.0f; }},
        {"Dark", [](int h) { return 1.0f - h / 64.0f; }},
        {"Odd", [](int h) { return h % 2 == 1 ? 1.0f : 0.0f; }},
        {"Even", [](int h) { return h % 2 == 0 ? 1.0f : 0.0f; }},
        {"Fifths", [](int h) { return h % 5 == 0 ? 1.0f : 0.0f; }},
    };
    for (const auto& row : rows) {
        for (int h = 0; h < kHarmonicCount; ++h) {
            context.harmonic().amplitude(h).setValue(1, 0.25f);
        }
        const int family = familyLabelled(row.label);
        ASSERT_GE(family, 0) << row.label;
        bars.setFamily(family);
        test::drag(bars, {{100, 60}, {100, 50}, {100, 40}}); // 20 pixels up: +0.2 at full weight
        for (int h = 1; h <= kHarmonicCount; ++h) {
            EXPECT_NEAR(amplitude(h) - 0.25f, 0.2f * row.weight(h), 1e-5f) << row.label << " h " << h;
        }
    }
}

TEST_F(HarmonicBars, EditsStayWithinTheirLimits)
{
    // Harmonic 1 drawn to the floor keeps a trace; the others may fall silent.
    bars.setFamily(HarmonicBarView::kOne);
    test::drag(bars, {{4, 60}, {4, 300}});
    test::drag(bars, {{12, 60}, {12, 300}});
    EXPECT_FLOAT_EQ(amplitude(1), 0.00003f);
    EXPECT_FLOAT_EQ(amplitude(2), 0.0f);
    test::drag(bars, {{12, 60}, {12, 53}});
    EXPECT_STREQ(bars.readout(), "H 2 V 50");

    // Deviations never leave one harmonic either way.
    bars.setFrequencyMode(true);
    bars.setFamily(HarmonicBarView::kAll);
    test::drag(bars, {{100, 60}, {100, -2000}});
    for (int h = 1; h <= kHarmonicCount; ++h) {
        EXPECT_FLOAT_EQ(frequency(h), h + 1.0f) << h;
    }
    bars.setAllFrames(true);
    test::drag(bars, {{100, 60}, {100, 4000}});
    for (int h = 1; h <= kHarmonicCount; ++h) {
        for (int frame = 0; frame < 4; ++frame) {
            EXPECT_GE(frequency(h, frame), h - 1.0f) << h;
            EXPECT_LE(frequency(h, frame), h + 1.0f) << h;
        }
    }
}

TEST_F(HarmonicBars, AnEmptyHarmonicJoinsTheFramesOfHarmonicOne)
{
    context.harmonic().amplitude(9).clear();
    context.harmonic().frequency(9).clear();
    bars.setFamily(HarmonicBarView::kOne);
    test::drag(bars, {{3 + 9 * 8 + 4, 60}}); // a click on harmonic 10 at 43 % height
    const BreakpointCurve& amplitude = context.harmonic().amplitude(9);
    ASSERT_EQ(amplitude.pointCount(), 4);
    EXPECT_NEAR(amplitude.value(1), 0.43f, 1e-5f);
    EXPECT_EQ(amplitude.value(2), 0.0f);
    ASSERT_EQ(context.harmonic().frequency(9).pointCount(), 4);
    EXPECT_EQ(context.harmonic().frequency(9).value(3), 10.0f);
}

TEST_F(HarmonicBars, AllFramesEditOfASilentLayerRaisesItsInnerFrames)
{
    for (int h = 0; h < kHarmonicCount; ++h) {
        context.harmonic().amplitude(h).scaleValues(0.0f);
    }
    bars.setAllFrames(true);
    bars.setFamily(HarmonicBarView::kAll);
    test::drag(bars, {{100, 60}, {100, 40}});
    for (int h = 1; h <= kHarmonicCount; ++h) {
        EXPECT_EQ(amplitude(h, 0), 0.0f) << "the note still starts from silence";
        EXPECT_NEAR(amplitude(h, 1), 0.2f, 1e-5f);
        EXPECT_NEAR(amplitude(h, 2), 0.2f, 1e-5f);
    }
    // With a shape to keep, the largest frame becomes the new level.
    test::drag(bars, {{100, 60}, {100, 50}});
    EXPECT_NEAR(amplitude(1, 1), 0.3f, 1e-5f);
}

} // namespace
} // namespace tessarine
