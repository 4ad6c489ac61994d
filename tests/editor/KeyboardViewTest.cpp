// The on-screen keyboard: which key a point hits and the messages a glide sends.

#include "editor/views/KeyboardView.h"
#include "editor/ViewTestContext.h"

#include <gtest/gtest.h>

namespace tessarine {
namespace {

using test::ViewTestContext;
using Message = std::array<std::uint8_t, 3>;

// 36 white keys of 14 pixels; black keys 9 wide and 25 high.
constexpr gui::Rect kBounds{0, 0, 504, 40};

TEST(KeyboardView, BlackKeysWinOverTheWhiteKeysBeneath)
{
    ViewTestContext context;
    KeyboardView keys(kBounds, 254, nullptr, context);
    ASSERT_EQ(keys.whiteWidth(), 14);
    const struct {
        double x, y;
        int note;
    } rows[] = {
        {12, 5, 37},   // upper part of C#: the black key
        {12, 35, 36},  // below the black key: C
        {14, 35, 38},  // the shared edge of C and D goes to the later key
        {25, 5, 39},   // D#
        {50, 30, 41},  // F, under nothing
        {109, 5, 49},  // C# of the second octave
        {489, 35, 95}, // the B below the top C
        {497, 5, 96},  // the top C has no black key beside it
        {503, 35, 96},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(keys.noteAt(row.x, row.y), row.note) << row.x << ", " << row.y;
    }
}

TEST(KeyboardView, GlidePlaysEachKeyOnceWithTheNoteOffFirst)
{
    ViewTestContext context;
    KeyboardView keys(kBounds, 254, nullptr, context);
    test::drag(keys, {{5, 35}, {7, 35}, {20, 35}, {24, 35}, {33, 35}});
    const std::vector<Message> expected = {{0x90, 36, 127}, {0x80, 36, 0}, {0x90, 38, 127},
                                           {0x80, 38, 0},   {0x90, 40, 127}, {0x80, 40, 0}};
    EXPECT_EQ(context.midi, expected);
    for (int note = KeyboardView::kLowestNote; note <= KeyboardView::kHighestPressable; ++note) {
        EXPECT_FALSE(keys.pressed(note)) << note;
    }
}

TEST(KeyboardView, LeavingTheKeysOrReleasingEndsTheNote)
{
    ViewTestContext context;
    KeyboardView keys(kBounds, 254, nullptr, context);
    ASSERT_TRUE(test::send(keys, gui::EventKind::MouseDown, 5, 35));
    EXPECT_TRUE(keys.pressed(36));
    test::send(keys, gui::EventKind::MouseMove, 5, -20); // off the top of the view
    EXPECT_FALSE(keys.pressed(36));
    test::send(keys, gui::EventKind::MouseMove, 20, 35); // back in: the gesture is over
    test::send(keys, gui::EventKind::MouseUp, 20, 35);
    const std::vector<Message> expected = {{0x90, 36, 127}, {0x80, 36, 0}};
    EXPECT_EQ(context.midi, expected);

    EXPECT_FALSE(test::send(keys, gui::EventKind::MouseDown, 5, 35, gui::MouseButton::Right));
    EXPECT_EQ(context.midi.size(), 2u) << "only the left button plays";
}

} // namespace
} // namespace tessarine
