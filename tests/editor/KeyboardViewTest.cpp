// The on-screen keyboard: which key a point hits, the messages a glide sends,
// and notes reaching the engine and showing as held.

#include "editor/KeyboardView.h"
#include "editor/ViewTestContext.h"
#include "engine/EngineTestVoice.h"
#include "engine/SignalMeasure.h"

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

TEST(KeyboardView, MousePlayedNoteSoundsAndHostNotesShowAsHeld)
{
    ViewTestContext context;
    context.forwardMidi = true;
    SynthEngine& engine = context.engine();
    engine.setSampleRate(44100.0f);
    ASSERT_TRUE(engine.loadVoice(0, test::steadyVoiceFile().c_str()));
    KeyboardView keys(kBounds, 254, nullptr, context);
    std::vector<float> left(4096), right(4096);
    auto renderBlocks = [&](int blocks) {
        for (int i = 0; i < blocks; ++i) {
            engine.render(left.data(), right.data(), 512);
        }
    };

    ASSERT_TRUE(test::send(keys, gui::EventKind::MouseDown, 5, 35)); // note 36
    renderBlocks(8);
    EXPECT_GT(test::rms(left, 0, 512), 1e-4f) << "the mouse's note is heard";
    EXPECT_TRUE(engine.keyHeld(36));
    test::send(keys, gui::EventKind::MouseUp, 5, 35);
    renderBlocks(1);
    EXPECT_FALSE(engine.keyHeld(36));

    const std::uint8_t hostOn[3] = {0x91, 64, 100};
    engine.midiIn(hostOn, 10);
    renderBlocks(1);
    EXPECT_TRUE(engine.keyHeld(64)) << "a host note on any channel";
    const std::uint8_t allNotesOff[3] = {0xB1, 123, 0};
    engine.midiIn(allNotesOff, 0);
    renderBlocks(1);
    EXPECT_FALSE(engine.keyHeld(64));
}

} // namespace
} // namespace tessarine
