// The toolkit's controls driven by injected events in a frame: what each
// gesture does to the value, what is reported to the listener, and the
// limits every value is held to.

#include "support/ControlTestSupport.h"

#include "gui/FilmStripKnob.h"
#include "gui/Frame.h"
#include "gui/HorizontalSlider.h"
#include "gui/KickButton.h"
#include "gui/ListSelector.h"
#include "gui/GlyphFont.h"
#include "gui/MenuPresenter.h"
#include "gui/OptionMenu.h"
#include "gui/Selector.h"
#include "gui/Switch.h"
#include "gui/TextEdit.h"
#include "gui/ValueDisplay.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

using namespace tessarine::gui;
using namespace tessarine::gui::test;

namespace {

// A frame holding the control under test, with a listener and a headless pop-up.
struct Bench {
    explicit Bench(int width = 400, int height = 300) : frame(width, height) { frame.setMenuPresenter(&popup); }
    ~Bench() { frame.setMenuPresenter(nullptr); }
    template <typename C, typename... Args> C* add(Args&&... args)
    {
        return frame.add(std::make_unique<C>(std::forward<Args>(args)...));
    }
    void send(EventKind kind, double x, double y, std::int64_t ms = 0) { frame.dispatch(mouse(kind, x, y, ms)); }
    void type(std::initializer_list<int> keys)
    {
        for (int k : keys) {
            frame.dispatch(key(k));
        }
    }
    Frame frame;
    HeadlessMenuPresenter popup;
    RecordingListener listener;
};

} // namespace

TEST(KickButton, ReportsOneWhilePressedThenZeroOnRelease)
{
    Bench b(100, 100);
    auto* kick = b.add<KickButton>(Rect{10, 10, 30, 15}, 217, &b.listener, "Load");
    b.send(EventKind::MouseDown, 20, 15);
    EXPECT_EQ(kick->value(), 1.0f);
    b.send(EventKind::MouseMove, 90, 90); // leaving the button changes nothing
    b.send(EventKind::MouseUp, 90, 90);
    EXPECT_EQ(b.listener.values, (std::vector{1.0f, 0.0f}));
    EXPECT_EQ(b.listener.tags, (std::vector{217, 217}));
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
        Bench b(800, 200);
        auto* selector = b.add<Selector>(Point{10, 10}, c.positions, c.orientation, c.step, 20, 16, 181, &b.listener);
        selector->setValue(0.3f);
        click(b.frame, c.click.x, c.click.y);
        if (c.expected < 0) {
            EXPECT_TRUE(b.listener.values.empty());
            continue;
        }
        ASSERT_EQ(b.listener.values.size(), 1u);
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
    Bench b(100, 100);
    auto* sw = b.add<Switch>(Rect{10, 10, 30, 20}, 3, 136, &b.listener);
    for (int i = 0; i < 4; ++i) {
        click(b.frame, 20, 20);
    }
    EXPECT_EQ(b.listener.values, (std::vector{0.5f, 1.0f, 0.0f, 0.5f}));
    EXPECT_EQ(sw->state(), 1);
}

TEST(HorizontalSlider, PressJumpsDragFollowsWheelSteps)
{
    Bench b(300, 100);
    // 109 wide: 100 pixels of travel for the handle's centre, from x 14.5.
    auto* slider = b.add<HorizontalSlider>(Rect{10, 10, 109, 10}, 95, &b.listener);
    b.send(EventKind::MouseDown, 64.5, 15);
    EXPECT_NEAR(slider->value(), 0.5f, 1e-6);
    b.send(EventKind::MouseMove, 84.5, 15);
    EXPECT_NEAR(slider->value(), 0.7f, 1e-6);
    b.send(EventKind::MouseMove, 400, 15);
    EXPECT_EQ(slider->value(), 1.0f);
    b.send(EventKind::MouseUp, 400, 15);
    b.send(EventKind::MouseMove, 20, 15); // the pointer passing over moves nothing
    EXPECT_EQ(slider->value(), 1.0f);
    b.frame.dispatch(wheel(50, 15, -5));
    EXPECT_NEAR(slider->value(), 0.95f, 1e-6);
    EXPECT_EQ(b.listener.values.size(), 4u);
}

TEST(ListSelector, ShownEntryRuleAndEntriesCutTo255Characters)
{
    const struct { float value; int entries; int shown; } cases[] = {
        {0.0f, 8, 0},   {0.125f, 8, 1}, {0.1245f, 8, 0}, {0.12493f, 8, 1}, // within 0.001 of the next
        {0.999f, 8, 7}, {1.0f, 8, 7},   {3 / 400.0f, 400, 3}, {1.0f, 128, 127},
        {0.5f, 0, 0},   {NAN, 8, 0},    {-1.0f, 8, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ListSelector::entryOf(c.value, c.entries), c.shown) << c.value << " of " << c.entries;
    }
    ListSelector list(Rect{100, 50, 60, 13}, 182, nullptr, 2, GlyphFont::make());
    list.setEntry(1, std::string(300, 'x'));
    list.setEntry(2, "outside the list");
    list.setEntry(-1, "outside the list");
    EXPECT_EQ(list.entryText(1).size(), 255u);
    EXPECT_EQ(list.entryText(2), "");
}

// A list of 8 entries at (100, 50), 60 × 13: text area x 100 … 148, arrows x 149 … 159.
TEST(ListSelector, DragMovesFourPixelsPerEntryAndArrowHalvesStepAndRepeatEvery167MsWhileHeld)
{
    Bench b;
    auto* list = b.add<ListSelector>(Rect{100, 50, 60, 13}, 182, &b.listener, 8, GlyphFont::make());
    list->setValue(ListSelector::valueOf(4, 8));
    b.send(EventKind::MouseDown, 120, 55);
    b.send(EventKind::MouseMove, 120, 51); // 4 px up: next entry
    EXPECT_EQ(list->shownEntry(), 5);
    b.send(EventKind::MouseMove, 120, 53); // halfway back
    EXPECT_NEAR(list->value(), 4.5f / 8, 1e-6);
    b.send(EventKind::MouseMove, 180, 63); // 8 px below the press, outside the control
    EXPECT_EQ(list->shownEntry(), 2);
    b.send(EventKind::MouseMove, 180, 63); // no change, no report
    b.send(EventKind::MouseMove, 180, 500);
    EXPECT_EQ(list->value(), 0.0f);
    b.send(EventKind::MouseUp, 180, 500);
    EXPECT_EQ(b.listener.values.size(), 4u);
    EXPECT_EQ(b.listener.values.back(), 0.0f);

    // The arrows' upper half: next entry at once, then one more per 167 ms while held, stopping at the last.
    b.listener.values.clear();
    list->setValue(ListSelector::valueOf(5, 8));
    b.send(EventKind::MouseDown, 154, 52, 1000);
    EXPECT_EQ(list->shownEntry(), 6);
    b.frame.runTimers(1166);
    EXPECT_EQ(list->shownEntry(), 6);
    b.frame.runTimers(1167);
    EXPECT_EQ(list->shownEntry(), 7);
    b.frame.runTimers(1334);
    b.frame.runTimers(1501);
    EXPECT_EQ(list->shownEntry(), 7);
    b.send(EventKind::MouseUp, 154, 52, 1510);
    EXPECT_EQ(b.listener.values, (std::vector{6 / 8.0f, 7 / 8.0f}));

    // Lower half: previous entry; released, the repeat stops; at the first entry, nothing.
    b.send(EventKind::MouseDown, 154, 60, 2000);
    EXPECT_EQ(list->shownEntry(), 6);
    b.send(EventKind::MouseUp, 154, 60, 2050);
    b.frame.runTimers(3000);
    EXPECT_EQ(list->shownEntry(), 6);
    list->setValue(0);
    b.send(EventKind::MouseDown, 154, 60, 4000);
    b.send(EventKind::MouseUp, 154, 60, 4010);
    EXPECT_EQ(list->value(), 0.0f);
    EXPECT_EQ(b.listener.values.size(), 3u);
}

TEST(FilmStripKnob, ValueChoosesFrameAndFrameLiesInColumnsOfSixteen)
{
    const struct { float value; int frame; Rect rect; } cases[] = {
        {0.0f, 0, {0, 0, 35, 35}},        {0.5f, 49, {105, 35, 35, 35}},  {0.1616f, 15, {0, 525, 35, 35}},
        {0.1617f, 16, {35, 0, 35, 35}},   {0.999f, 98, {210, 70, 35, 35}}, {1.0f, 99, {210, 105, 35, 35}},
        {-0.5f, 0, {0, 0, 35, 35}},       {2.0f, 99, {210, 105, 35, 35}},  {NAN, 0, {0, 0, 35, 35}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FilmStripKnob::frameIndex(c.value), c.frame) << c.value;
        EXPECT_EQ(FilmStripKnob::frameRect(c.frame, 35), c.rect) << c.value;
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
        Bench b(100, 100);
        b.frame.setKnobMode(c.mode);
        auto* knob = b.add<FilmStripKnob>(Point{10, 10}, 34, &b.listener, nullptr);
        knob->setValue(c.start);
        // The pointer passing over the knob, then a press that has not moved yet: nothing changes.
        b.frame.dispatch(mouse(EventKind::MouseMove, c.press.x + 5, c.press.y + 30, 0, c.modifiers));
        ASSERT_TRUE(b.frame.dispatch(mouse(EventKind::MouseDown, c.press.x, c.press.y, 0, c.modifiers)));
        b.frame.dispatch(mouse(EventKind::MouseMove, c.press.x, c.press.y, 0, c.modifiers));
        EXPECT_EQ(knob->value(), c.start);
        EXPECT_TRUE(b.listener.values.empty());
        b.frame.dispatch(mouse(EventKind::MouseMove, c.move.x, c.move.y, 0, c.modifiers));
        b.send(EventKind::MouseUp, c.move.x, c.move.y);
        EXPECT_NEAR(knob->value(), c.expected, 1e-4);
        if (c.expected == c.start) {
            EXPECT_TRUE(b.listener.values.empty());
            continue;
        }
        ASSERT_FALSE(b.listener.values.empty());
        EXPECT_FLOAT_EQ(b.listener.values.back(), knob->value());
        EXPECT_EQ(b.listener.tags.back(), 34);
    }
}

TEST(FilmStripKnob, WheelStepsAndDisplayFollows)
{
    Bench b(100, 100);
    auto* knob = b.add<FilmStripKnob>(Point{10, 10}, 5, &b.listener, nullptr);
    auto* display = b.add<ValueDisplay>(ValueDisplay::placeUnder({10, 10}), [](float v) {
        return std::to_string(static_cast<int>(std::lround(v * 100)));
    });
    EXPECT_EQ(display->bounds(), (Rect{8, 72, 37, 11}));
    knob->setDisplay(display);
    b.frame.dispatch(wheel(20, 20, 3));
    EXPECT_NEAR(knob->value(), 0.03f, 1e-6);
    b.frame.dispatch(wheel(20, 20, -10));
    EXPECT_EQ(knob->value(), 0.0f);
    EXPECT_EQ(b.listener.values.size(), 2u);
    knob->setValue(0.42f); // from outside: the display follows, nothing reported
    EXPECT_EQ(display->text(), "42");
    EXPECT_EQ(b.listener.values.size(), 2u);
}

TEST(TextEdit, ReturnOrFocusLossReportsAChangedNameEscapeRestores)
{
    Bench b;
    auto* edit = b.add<TextEdit>(Rect{10, 10, 120, 16}, 190, &b.listener);
    edit->setText("Cello");
    b.type({'x'}); // no focus yet: keys go nowhere
    EXPECT_EQ(edit->text(), "Cello");
    click(b.frame, 20, 15);
    EXPECT_TRUE(edit->isEditing());
    b.type({kKeyBackspace, kKeyBackspace, 'l', 'o', ' ', '2', kKeyLeft, kKeyLeft, kKeyDelete, kKeyReturn});
    EXPECT_EQ(edit->text(), "Cello2");
    EXPECT_FALSE(edit->isEditing());
    EXPECT_EQ(b.listener.tags, std::vector{190});

    // Focus moves elsewhere: the edit ends and reports.
    b.send(EventKind::MouseDown, 20, 15);
    b.type({kKeyEnd, '!'});
    b.send(EventKind::MouseDown, 200, 80);
    EXPECT_EQ(edit->text(), "Cello2!");
    EXPECT_EQ(b.listener.tags.size(), 2u);

    // Escape puts the text back; an unchanged text is not reported.
    b.send(EventKind::MouseDown, 20, 15);
    b.type({kKeyHome, 'Z', kKeyEscape});
    EXPECT_EQ(edit->text(), "Cello2!");
    b.send(EventKind::MouseDown, 20, 15);
    b.type({kKeyReturn});
    EXPECT_EQ(b.listener.tags.size(), 2u);
}

TEST(TextEdit, LengthIsHeldInBytesWithoutSplittingCharacters)
{
    Bench b;
    auto* edit = b.add<TextEdit>(Rect{10, 10, 120, 16}, 190, &b.listener, 7);
    edit->setText("Cello");
    b.send(EventKind::MouseDown, 20, 15);
    b.type({0xe9, 0xe9, 0x1, 0x7f, 'a'}); // é is two bytes; controls are ignored
    EXPECT_EQ(edit->text(), "Cello\xc3\xa9");
    b.type({kKeyBackspace});
    EXPECT_EQ(edit->text(), "Cello");
    edit->setText("Violoncello");
    EXPECT_EQ(edit->text(), "Violonc");
    edit->setText("Celloé\xc3\xa9");
    EXPECT_EQ(edit->text(), "Cello\xc3\xa9");
}

TEST(OptionMenu, ChoiceInThePopUpReportsTheEntryNumber)
{
    Bench b;
    auto* menu = b.add<OptionMenu>(Rect{330, 15, 147, 19}, 238, &b.listener);
    for (const char* name : {"Basses", "Brass-Winds", "Pianos", "Strings"}) {
        menu->addEntry(name);
    }
    click(b.frame, 340, 20);
    EXPECT_EQ(b.popup.activeMenu(), menu);
    EXPECT_TRUE(menu->isPoppedUp());
    EXPECT_TRUE(b.popup.choose(3));
    EXPECT_EQ(b.popup.activeMenu(), nullptr);
    EXPECT_EQ(b.listener.values, std::vector{3.0f});
    EXPECT_EQ(menu->currentEntry(), 3);
    EXPECT_EQ(menu->shownText(), "Strings");

    // Entry numbers are the value: written back from outside they are held to the list.
    menu->setValue(2);
    EXPECT_EQ(menu->shownText(), "Pianos");
    menu->setValue(40);
    EXPECT_EQ(menu->currentEntry(), 3);
    menu->setValue(1.7f);
    EXPECT_EQ(menu->currentEntry(), 1);
    EXPECT_EQ(b.listener.values.size(), 1u);

    EXPECT_FALSE(menu->choose(4));
    EXPECT_FALSE(menu->choose(1, 0)); // a plain entry has no submenu
    menu->clear();
    EXPECT_EQ(menu->currentEntry(), -1);
    EXPECT_EQ(menu->shownText(), "");
    b.send(EventKind::MouseDown, 340, 20); // an empty menu does not pop up
    EXPECT_EQ(b.popup.presentCount(), 1);
}

TEST(OptionMenu, LibraryMenuChoosesWithinSubmenusUnderItsTitle)
{
    Bench b;
    auto* menu = b.add<OptionMenu>(Rect{10, 10, 120, 18}, 240, &b.listener);
    menu->addSubmenu("Basses", {"Finger", "Slap"});
    menu->addSubmenu("Empty", {});
    menu->addSubmenu("Strings", {"Cello", "Viola", "Violin"});
    menu->setTitle(" ");
    EXPECT_EQ(menu->shownText(), " ");
    const struct {
        int entry;
        int subEntry;
        bool taken;
    } cases[] = {{2, 1, true}, {0, 0, true}, {2, 3, false}, {1, 0, false}, {0, -1, false}};
    for (const auto& c : cases) {
        click(b.frame, 20, 15);
        EXPECT_EQ(b.popup.choose(c.entry, c.subEntry), c.taken) << c.entry << "/" << c.subEntry;
    }
    // Every choice is reported, the same entry twice included.
    EXPECT_EQ(b.listener.values, (std::vector{2.0f, 0.0f}));
    EXPECT_EQ(menu->lastChoice(), (MenuChoice{0, 0}));
    EXPECT_EQ(menu->lastChoiceText(), "Finger");
    EXPECT_EQ(menu->submenu(2).size(), 3u);
}

TEST(OptionMenu, PopUpClosesWhenItsMenuLeavesTheFrame)
{
    Bench b;
    auto* page = b.add<Container>(Rect{0, 0, 400, 300});
    auto* menu = page->add(std::make_unique<OptionMenu>(Rect{10, 10, 120, 18}, 75, nullptr));
    menu->addEntry("Off");
    b.send(EventKind::MouseDown, 20, 15);
    ASSERT_EQ(b.popup.activeMenu(), menu);
    std::unique_ptr<View> detached = b.frame.release(page);
    EXPECT_EQ(b.popup.activeMenu(), nullptr);
    EXPECT_FALSE(b.popup.choose(0));
}
