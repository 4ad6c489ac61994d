#include "support/ControlTestSupport.h"

#include "gui/Frame.h"
#include "gui/HorizontalSlider.h"
#include "gui/KickButton.h"
#include "gui/Selector.h"
#include "gui/Switch.h"

#include <gtest/gtest.h>

#include <memory>

using namespace tessarine::gui;
using namespace tessarine::gui::test;

TEST(KickButton, ReportsOneWhilePressedThenZeroOnRelease)
{
    Frame frame(100, 100);
    RecordingListener listener;
    auto* kick = frame.add(std::make_unique<KickButton>(Rect{10, 10, 30, 15}, 217, &listener, "Load"));
    frame.dispatch(mouse(EventKind::MouseDown, 20, 15));
    EXPECT_EQ(kick->value(), 1.0f);
    frame.dispatch(mouse(EventKind::MouseMove, 90, 90)); // leaving the button changes nothing
    frame.dispatch(mouse(EventKind::MouseUp, 90, 90));
    EXPECT_EQ(listener.values, (std::vector{1.0f, 0.0f}));
    EXPECT_EQ(listener.tags, (std::vector{217, 217}));
}

TEST(Selector, ClickOnPositionSetsItsFractionOfTheRange)
{
    struct Case {
        const char* name;
        int positions;
        Orientation orientation;
        int step;
        Point click;
        float expected; // -1: the click misses every position
    };
    // Cells are 20 × 16 from (10, 10). The window suites click the middle of
    // every position of every selector; these are the cells' edges.
    const Case cases[] = {
        {"page selector, last", 8, Orientation::Row, 96, {10 + 7 * 96 + 19, 25}, 1.0f},
        {"page selector, gap", 8, Orientation::Row, 96, {10 + 50, 15}, -1},
        {"shape column, last", 3, Orientation::Column, 22, {29, 10 + 44 + 15}, 1.0f},
        {"morph modes, second", 4, Orientation::Column, 22, {15, 10 + 22}, 1.0f / 3},
        {"one position", 1, Orientation::Row, 10, {15, 15}, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Frame frame(800, 200);
        RecordingListener listener;
        auto* selector = frame.add(
            std::make_unique<Selector>(Point{10, 10}, c.positions, c.orientation, c.step, 20, 16, 181, &listener));
        selector->setValue(0.3f);
        click(frame, c.click.x, c.click.y);
        if (c.expected < 0) {
            EXPECT_TRUE(listener.values.empty());
            continue;
        }
        ASSERT_EQ(listener.values.size(), 1u);
        EXPECT_FLOAT_EQ(selector->value(), c.expected);
        EXPECT_EQ(selector->position(), Selector::positionOf(c.expected, c.positions));
    }
    // The shown position rounds to the nearest.
    EXPECT_EQ(Selector::positionOf(0.49f, 3), 1);
    EXPECT_EQ(Selector::positionOf(0.24f, 3), 0);
    EXPECT_EQ(Selector::positionOf(0.72f, 8), 5);
}

TEST(Switch, ClickAdvancesThroughStatesAndWrapsAround)
{
    Frame frame(100, 100);
    RecordingListener listener;
    auto* sw = frame.add(std::make_unique<Switch>(Rect{10, 10, 30, 20}, 3, 136, &listener));
    for (int i = 0; i < 4; ++i) {
        click(frame, 20, 20);
    }
    EXPECT_EQ(listener.values, (std::vector{0.5f, 1.0f, 0.0f, 0.5f}));
    EXPECT_EQ(sw->state(), 1);
}

TEST(HorizontalSlider, PressJumpsDragFollowsWheelSteps)
{
    Frame frame(300, 100);
    RecordingListener listener;
    // 109 wide: 100 pixels of travel for the handle's centre, from x 14.5.
    auto* slider = frame.add(std::make_unique<HorizontalSlider>(Rect{10, 10, 109, 10}, 95, &listener));
    frame.dispatch(mouse(EventKind::MouseDown, 64.5, 15));
    EXPECT_NEAR(slider->value(), 0.5f, 1e-6);
    frame.dispatch(mouse(EventKind::MouseMove, 84.5, 15));
    EXPECT_NEAR(slider->value(), 0.7f, 1e-6);
    frame.dispatch(mouse(EventKind::MouseMove, 400, 15));
    EXPECT_EQ(slider->value(), 1.0f);
    frame.dispatch(mouse(EventKind::MouseUp, 400, 15));
    frame.dispatch(mouse(EventKind::MouseMove, 20, 15)); // the pointer passing over moves nothing
    EXPECT_EQ(slider->value(), 1.0f);
    frame.dispatch(wheel(50, 15, -5));
    EXPECT_NEAR(slider->value(), 0.95f, 1e-6);
    EXPECT_EQ(listener.values.size(), 4u);
}
