// The morph pad: which points a drag moves, the pad's edges, and the paths
// taking over from the points.

#include "editor/views/MorphPadView.h"
#include "editor/ViewTestContext.h"
#include "support/ControlTestSupport.h"

#include <gtest/gtest.h>

namespace tessarine {
namespace {

using test::ViewTestContext;

// The pad is 200 × 200 from (4, 16), between the strips of the corner names.
constexpr gui::Rect kBounds{0, 0, 208, 232};
constexpr int kPointValues[] = {kMorphHarmX, kMorphHarmY, kMorphNoiseX, kMorphNoiseY, kMorphAmpX, kMorphAmpY};

TEST(MorphPadView, DragMovesTheChosenPointsAndPinsThemAtTheEdges)
{
    const struct {
        int mode;
        bool moves[6];
    } rows[] = {
        // The window suite moves each single point by the exact distance dragged.
        {MorphPadView::kAllPoints, {true, true, true, true, true, true}},
        {MorphPadView::kNoisePoint, {false, false, true, true, false, false}},
    };
    for (const auto& row : rows) {
        ViewTestContext context;
        for (int index : kPointValues) {
            context.engine().setParameter(index, 0.5f, true);
        }
        gui::test::RecordingListener listener;
        MorphPadView pad(kBounds, 198, &listener, context);
        pad.setTargetMode(row.mode);
        test::drag(pad, {{54, 154}, {-50, 500}});
        for (int i = 0; i < 6; ++i) {
            const float pinned = i % 2 == 0 ? 0.0f : 1.0f; // beyond the left and bottom edges
            EXPECT_EQ(context.engine().getParameter(kPointValues[i], true), row.moves[i] ? pinned : 0.5f)
                << "mode " << row.mode << " value " << kPointValues[i];
        }
        EXPECT_EQ(listener.values.size(), 2u) << "told after every move";
    }
}

TEST(MorphPadView, PathsShownLeaveTheirPointsAloneAndControlClickRestoresThem)
{
    ViewTestContext context;
    MorphPadView pad(kBounds, 198, nullptr, context);
    pad.setPathShown(true);
    test::drag(pad, {{54, 54}, {150, 150}});
    // No path moves the amplitude: that point stays in the pad's hand.
    for (const auto& applied : context.applied) {
        EXPECT_TRUE(applied.first == kMorphAmpX || applied.first == kMorphAmpY) << applied.first;
    }
    EXPECT_FALSE(context.applied.empty());
    context.applied.clear();

    pad.setPathShown(false);
    pad.setTargetMode(MorphPadView::kNoisePoint);
    test::drag(pad, {{54, 54}, {150, 150}});
    ASSERT_FALSE(context.applied.empty());
    test::send(pad, gui::EventKind::MouseDown, 80, 80, gui::MouseButton::Left, gui::kControl);
    const auto& table = parameterTable();
    EXPECT_EQ(context.engine().getParameter(kMorphNoiseX, true), table[kMorphNoiseX].start);
    EXPECT_EQ(context.engine().getParameter(kMorphNoiseY, true), table[kMorphNoiseY].start);
}

} // namespace
} // namespace tessarine
