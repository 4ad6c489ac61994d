#include "support/ControlTestSupport.h"

#include "gui/ControlArt.h"
#include "gui/FilmStripKnob.h"
#include "gui/Frame.h"
#include "gui/ImageSurfaceBackend.h"
#include "gui/ValueDisplay.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace tessarine::gui;
using namespace tessarine::gui::test;

TEST(FilmStripKnob, ValueChoosesFrameAndFrameLiesInColumnsOfSixteen)
{
    struct Case {
        float value;
        int frame;
        Rect rect;
    };
    const Case cases[] = {
        {0.0f, 0, {0, 0, 35, 35}},        {0.5f, 49, {105, 35, 35, 35}},  {0.1616f, 15, {0, 525, 35, 35}},
        {0.1617f, 16, {35, 0, 35, 35}},   {0.999f, 98, {210, 70, 35, 35}}, {1.0f, 99, {210, 105, 35, 35}},
        {-0.5f, 0, {0, 0, 35, 35}},       {2.0f, 99, {210, 105, 35, 35}},  {NAN, 0, {0, 0, 35, 35}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(FilmStripKnob::frameIndex(c.value), c.frame);
        EXPECT_EQ(FilmStripKnob::frameRect(c.frame, 35), c.rect);
    }

    auto strip = makeKnobStrip();
    EXPECT_EQ(strip->width(), 245);
    EXPECT_EQ(strip->height(), 560);
    FilmStripKnob knob({100, 200}, 34, nullptr, strip);
    EXPECT_EQ(knob.bounds(), (Rect{100, 200, 35, 35}));
}

TEST(FilmStripKnob, DrawsTheChosenFrameOfTheStrip)
{
    auto strip = makeKnobStrip();
    Frame frame(60, 60);
    auto* knob = frame.add(std::make_unique<FilmStripKnob>(Point{10, 10}, 1, nullptr, strip));
    ImageSurfaceBackend image(frame);
    for (float value : {0.0f, 0.37f, 1.0f}) {
        knob->setValue(value);
        image.paintAll();
        Rect source = FilmStripKnob::frameRect(FilmStripKnob::frameIndex(value), 35);
        int differing = 0;
        for (int y = 0; y < 35; ++y) {
            for (int x = 0; x < 35; ++x) {
                std::uint32_t drawn = image.pixel(10 + x, 10 + y);
                std::uint32_t want = strip->pixel(source.x + x, source.y + y);
                differing += (want >> 24) == 255 && drawn != want;
            }
        }
        EXPECT_EQ(differing, 0) << value;
    }
}

TEST(FilmStripKnob, MouseFollowsTheKnobModeAndReportsEachChange)
{
    struct Case {
        const char* name;
        int mode;
        Point press;
        Point move;
        unsigned modifiers;
        float start;
        float expected;
    };
    // The knob's centre is (27.5, 27.5); its travel spans 270 degrees.
    const Case cases[] = {
        {"linear up 50 px", kLinearMode, {20, 20}, {20, -30}, 0, 0.5f, 0.75f},
        {"linear down 50 px", kLinearMode, {20, 20}, {90, 70}, 0, 0.5f, 0.25f},
        {"linear fine with shift", kLinearMode, {20, 20}, {20, -30}, kShift, 0.5f, 0.525f},
        {"linear clamps", kLinearMode, {20, 20}, {20, -500}, 0, 0.5f, 1.0f},
        {"circular stays up", kCircularMode, {27.5, 27.5 - 10}, {27.5, 0}, 0, 0.1f, 0.1f},
        {"circular quarter turn", kCircularMode, {27.5, 11}, {60, 27.5}, 0, 0.1f, 0.1f + 1.0f / 3.0f},
        {"relative circular quarter turn", kRelativeCircularMode, {27.5, 11}, {60, 27.5}, 0, 0.1f,
         0.1f + 1.0f / 3.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Frame frame(100, 100);
        frame.setKnobMode(c.mode);
        RecordingListener listener;
        auto* knob = frame.add(std::make_unique<FilmStripKnob>(Point{10, 10}, 34, &listener, nullptr));
        knob->setValue(c.start);
        // The pointer passing over the knob, then a press that has not moved yet: nothing changes.
        frame.dispatch(mouse(EventKind::MouseMove, c.press.x + 5, c.press.y + 30, 0, c.modifiers));
        ASSERT_TRUE(frame.dispatch(mouse(EventKind::MouseDown, c.press.x, c.press.y, 0, c.modifiers)));
        frame.dispatch(mouse(EventKind::MouseMove, c.press.x, c.press.y, 0, c.modifiers));
        EXPECT_EQ(knob->value(), c.start);
        EXPECT_TRUE(listener.values.empty());
        frame.dispatch(mouse(EventKind::MouseMove, c.move.x, c.move.y, 0, c.modifiers));
        frame.dispatch(mouse(EventKind::MouseUp, c.move.x, c.move.y));
        EXPECT_NEAR(knob->value(), c.expected, 1e-4);
        if (c.expected == c.start) {
            EXPECT_TRUE(listener.values.empty());
            continue;
        }
        ASSERT_FALSE(listener.values.empty());
        EXPECT_FLOAT_EQ(listener.values.back(), knob->value());
        EXPECT_EQ(listener.tags.back(), 34);
    }
}

TEST(FilmStripKnob, WheelStepsAndDisplayFollows)
{
    Frame frame(100, 100);
    RecordingListener listener;
    auto* knob = frame.add(std::make_unique<FilmStripKnob>(Point{10, 10}, 5, &listener, nullptr));
    auto* display = frame.add(std::make_unique<ValueDisplay>(ValueDisplay::placeUnder({10, 10}), [](float v) {
        return std::to_string(static_cast<int>(std::lround(v * 100)));
    }));
    EXPECT_EQ(display->bounds(), (Rect{8, 72, 37, 11}));
    knob->setDisplay(display);

    frame.dispatch(wheel(20, 20, 3));
    EXPECT_NEAR(knob->value(), 0.03f, 1e-6);
    frame.dispatch(wheel(20, 20, -10));
    EXPECT_EQ(knob->value(), 0.0f);
    EXPECT_EQ(listener.values.size(), 2u);

    knob->setValue(0.42f); // from outside: the display follows, nothing reported
    EXPECT_EQ(display->text(), "42");
    EXPECT_EQ(listener.values.size(), 2u);
}
