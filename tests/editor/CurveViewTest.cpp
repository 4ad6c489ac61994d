// The curve views' gestures on the data they edit: adding, deleting and
// dragging points, the zoom strip, and the edits special to each view.

#include "editor/views/EnvelopeCurveView.h"
#include "editor/views/FrequencyCurveView.h"
#include "editor/views/HarmonicEnvelopeView.h"
#include "editor/views/MorphPathView.h"
#include "editor/views/NoiseFrameView.h"
#include "editor/ViewTestContext.h"
#include "support/TestVoices.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace tessarine {
namespace {

using test::ViewTestContext;

// Plot 400 × 100 from (3, 3): 100 pixels a second at the first view length of 4 s.
constexpr gui::Rect kBounds{0, 0, 406, 113};
constexpr double kBottom = 103;

double xAt(float seconds) { return 3 + 100 * seconds; }

class CurveViews : public testing::Test {
protected:
    void SetUp() override
    {
        HarmonicData& harmonic = context.harmonic();
        test::addHarmonicFrame(harmonic, 0.0f, 0.0f);
        test::addHarmonicFrame(harmonic, 0.5f, 0.5f);
        test::addHarmonicFrame(harmonic, 1.0f, 0.4f);
        test::addHarmonicFrame(harmonic, 2.0f, 0.0f);
        NoiseData& noise = context.noise();
        for (float t : {0.0f, 0.5f, 1.0f}) {
            noise.insertFrame(t);
        }
        for (int f = 0; f < noise.frameCount(); ++f) {
            BreakpointCurve& spectrum = noise.frame(f).spectrum;
            spectrum.clear();
            for (int k = 0; k <= 64; ++k) {
                const float position = k / 64.0f;
                spectrum.insertPoint(position, f == 0 ? 0.0f : 0.1f + 0.5f * position);
            }
        }
        Instrument& instrument = context.engine().editInstrument();
        instrument.modEnvelopeCurve.clear();
        for (auto [t, v] : {std::pair{0.5f, 0.0f}, {1.0f, 1.0f}, {2.0f, 0.0f}}) {
            instrument.modEnvelopeCurve.insertPoint(t, v);
        }
        instrument.morphPathCurves[0].clear();
        instrument.morphPathCurves[0].insertPoint(0.0f, 0.5f);
        instrument.morphPathCurves[0].insertPoint(2.0f, 0.5f);
        BreakpointCurve& shape = instrument.spectralShapeCurve;
        shape.clear();
        shape.insertPoint(0.0f, 0.0f);
        shape.insertPoint(0.5f, 0.5f);
        shape.insertPoint(1.0f, 0.0f);
        context.prepareVoiceOf(context.savedPlace(0));
    }

    ViewTestContext context;
};

TEST_F(CurveViews, RightClickOnEmptySpaceChangesNothingAndLeftClickAddsOnePoint)
{
    using Make = std::function<std::unique_ptr<CurveView>()>;
    const struct {
        const char* name;
        Make make;
        double emptyX;
        bool editsVoice;
    } rows[] = {
        {"envelope", [&] { return std::make_unique<EnvelopeCurveView>(kBounds, 253, nullptr, context); }, xAt(3.5f),
         false},
        {"morph path", [&] { return std::make_unique<MorphPathView>(kBounds, 179, nullptr, context); }, xAt(3.5f),
         false},
        {"harmonic frames", [&] { return std::make_unique<HarmonicEnvelopeView>(kBounds, 175, nullptr, context, 0); },
         xAt(3.5f), true},
        {"noise frames", [&] { return std::make_unique<NoiseFrameView>(kBounds, 177, nullptr, context, 0); }, xAt(3.5f),
         true},
        {"spectral shape",
         [&] {
             return std::make_unique<FrequencyCurveView>(kBounds, 178, nullptr, context,
                                                         FrequencyCurveView::Source::SpectralShape);
         },
         150.0, false},
    };
    for (const auto& row : rows) {
        std::unique_ptr<CurveView> view = row.make();
        const int before = view->pointCount();
        context.voice().outlineCurve.clear();
        test::click(*view, row.emptyX, 40, gui::MouseButton::Right);
        EXPECT_EQ(view->pointCount(), before) << row.name;
        EXPECT_EQ(view->value(), 0.0f) << row.name << ": nothing reported";
        test::click(*view, row.emptyX, 40);
        EXPECT_EQ(view->pointCount(), before + 1) << row.name;
        EXPECT_EQ(view->selected(), view->findPoint(row.emptyX, 40).index) << row.name;
        EXPECT_NEAR(view->value(), 0.1f, 1e-6f) << row.name << ": the counter tells the listener";
        EXPECT_EQ(context.voice().outlineCurve.pointCount() > 0, row.editsVoice)
            << row.name << ": a voice edit prepares the voice again";
        test::click(*view, view->pointPosition(view->selected()).x, view->pointPosition(view->selected()).y,
                    gui::MouseButton::Right);
        EXPECT_EQ(view->pointCount(), before) << row.name << ": a right click on the point deletes it";
    }
}

TEST_F(CurveViews, EnvelopePointStaysBetweenItsNeighbours)
{
    EnvelopeCurveView view(kBounds, 253, nullptr, context);
    const BreakpointCurve& curve = context.engine().instrument().modEnvelopeCurve;
    // Grab the peak a pixel off its centre: the offset is kept, so it does not jump.
    test::drag(view, {{xAt(1.0f) + 1, 4}, {xAt(3.0f) + 1, 4}});
    EXPECT_EQ(curve.timeAt(1), 1.0f) << "past the next point";
    test::drag(view, {{xAt(1.0f) + 1, 4}, {xAt(1.5f) + 1, 53}});
    EXPECT_NEAR(curve.timeAt(1), 1.5f, 1e-5f);
    EXPECT_NEAR(curve.value(1), 0.51f, 1e-5f);
    EXPECT_STREQ(view.readout(), "1.5s 51 ");
    test::drag(view, {{xAt(1.5f), 53}, {xAt(0.25f), 53}});
    EXPECT_NEAR(curve.timeAt(1), 1.5f, 1e-5f) << "before the previous point";
}

TEST_F(CurveViews, ZoomStopsAtHalfAndTenSecondsAndScrollAtZero)
{
    HarmonicEnvelopeView view(kBounds, 175, nullptr, context, 0);
    const double strip = kBottom + 6;
    test::drag(view, {{200, strip}, {200, strip + 3}, {200, strip + 2000}});
    EXPECT_EQ(view.viewLength(), CurveView::kLongestView);
    test::drag(view, {{200, strip}, {200, strip - 3}, {210, strip - 2000}});
    EXPECT_EQ(view.viewLength(), CurveView::kShortestView) << "locked to the direction that moved first";
    test::drag(view, {{200, strip}, {300, strip}});
    EXPECT_EQ(view.viewStart(), 0.0f);
    test::drag(view, {{300, strip}, {100, strip}, {100, strip + 500}});
    EXPECT_NEAR(view.viewStart(), 200 * 0.5f / 400, 1e-5f);
    EXPECT_EQ(view.viewLength(), CurveView::kShortestView);
    EXPECT_EQ(view.value(), 0.0f) << "zooming edits nothing";
}

TEST_F(CurveViews, HarmonicFrameDraggedScalesItsHarmonicsToTheHeightDrawn)
{
    HarmonicEnvelopeView view(kBounds, 175, nullptr, context, 0);
    HarmonicData& data = context.harmonic();
    // A quarter of the plot's height; then far below it, where a hundredth is kept.
    for (const auto& [y, height] : {std::pair{kBottom - 25, 0.25f}, {kBottom + 500, 0.01f}}) {
        std::array<float, kHarmonicCount> before{};
        float sum = 0;
        for (int h = 0; h < kHarmonicCount; ++h) {
            before[static_cast<std::size_t>(h)] = data.amplitude(h).value(2);
            sum += before[static_cast<std::size_t>(h)];
        }
        const gui::Point p = view.pointPosition(2);
        test::drag(view, {p, {p.x, y}});
        const float factor = height / (0.5f * sum);
        for (int h = 0; h < kHarmonicCount; ++h) {
            EXPECT_NEAR(data.amplitude(h).value(2), before[static_cast<std::size_t>(h)] * factor, 1e-7f) << h;
            EXPECT_GT(data.amplitude(h).value(2), 0.0f) << h;
        }
        EXPECT_EQ(data.amplitude(0).timeAt(2), 1.0f);
    }
}

TEST_F(CurveViews, NoiseRescaleTouchesExactlyTheSpectrumBetweenTheNeighbours)
{
    FrequencyCurveView view(kBounds, 176, nullptr, context, FrequencyCurveView::Source::NoiseSpectrum, 0);
    view.refresh();
    ASSERT_EQ(view.pointCount(), FrequencyCurveView::kNoiseHandles);
    const int handle = 8;
    const float from = view.shownCurve().timeAt(handle - 1);
    const float to = view.shownCurve().timeAt(handle + 1);
    const float oldValue = view.shownCurve().value(handle);
    ASSERT_LT(oldValue, 0.4f);
    std::vector<float> before;
    NoiseData& noise = context.noise();
    for (int f = 0; f < noise.frameCount(); ++f) {
        for (int j = 0; j < noise.frame(f).spectrum.pointCount(); ++j) {
            before.push_back(noise.frame(f).spectrum.value(j));
        }
    }
    const gui::Point p = view.pointPosition(handle);
    test::drag(view, {p, {p.x, p.y - 10}, {p.x, p.y - 20}});
    const float ratio = (oldValue + 0.2f) / oldValue;
    std::size_t i = 0;
    int touched = 0;
    for (int f = 0; f < noise.frameCount(); ++f) {
        const BreakpointCurve& spectrum = noise.frame(f).spectrum;
        for (int j = 0; j < spectrum.pointCount(); ++j, ++i) {
            const bool inside = spectrum.timeAt(j) > from && spectrum.timeAt(j) <= to;
            touched += inside && before[i] != 0.0f ? 1 : 0;
            EXPECT_NEAR(spectrum.value(j), inside ? before[i] * ratio : before[i], 1e-5f) << f << ", " << j;
        }
    }
    EXPECT_GT(touched, 0);
    EXPECT_GT(noise.frame(1).bands[20], 0.0f) << "bands follow the spectrum";
}

TEST_F(CurveViews, MorphPathSnapsToSixteenthsOfATwoSecondBarWhenSynced)
{
    MorphPathView view(kBounds, 179, nullptr, context);
    const struct {
        float sync, time, snapped;
    } rows[] = {{1, 1.03f, 1.0f}, {1, 1.04f, 1.0625f}, {1, 0.01f, 0.0f}, {0, 1.03f, 1.03f}};
    for (const auto& row : rows) {
        context.engine().setParameter(kGlobalSyncOn, row.sync, true);
        EXPECT_NEAR(view.snapped(row.time), row.snapped, 1e-5f) << row.time;
    }
    context.engine().setParameter(kGlobalSyncOn, 1.0f, true);
    test::click(view, xAt(1.04f), 50);
    EXPECT_NEAR(context.engine().instrument().morphPathCurves[0].timeAt(1), 1.0625f, 1e-5f);

    // The loop's end marker drags in whole snapped steps and never before its start.
    context.engine().setParameter(kGlobalLoopOn, 1.0f, true);
    context.engine().setParameter(kGlobalLoopStartTime, 1.0f / 60, true);
    context.engine().setParameter(kGlobalLoopEndTime, 2.0f / 60, true);
    test::drag(view, {{xAt(2.0f) + 2, 8}, {xAt(3.01f), 8}});
    EXPECT_NEAR(context.engine().getParameter(kGlobalLoopEndTime, true) * 60, 3.0f, 1e-4f);
    test::drag(view, {{xAt(3.0f) + 2, 8}, {xAt(0.5f), 8}});
    EXPECT_NEAR(context.engine().getParameter(kGlobalLoopEndTime, true) * 60, 3.0f, 1e-4f);
}

} // namespace
} // namespace tessarine
