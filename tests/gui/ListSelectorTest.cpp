#include "support/ControlTestSupport.h"

#include "gui/Frame.h"
#include "gui/GlyphFont.h"
#include "gui/ListSelector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

using namespace tessarine::gui;
using namespace tessarine::gui::test;

namespace {

// A list of 8 entries at (100, 50), 60 × 13: text area x 100 … 148, arrows x 149 … 159.
struct ListFixture {
    ListFixture(int entries = 8)
    {
        list = frame.add(std::make_unique<ListSelector>(Rect{100, 50, 60, 13}, 182, &listener, entries,
                                                        GlyphFont::make()));
    }
    Frame frame{300, 200};
    RecordingListener listener;
    ListSelector* list;
};

} // namespace

TEST(ListSelector, ShownEntryRule)
{
    struct Case {
        float value;
        int entries;
        int shown;
    };
    const Case cases[] = {
        {0.0f, 8, 0},          {0.125f, 8, 1},       {0.1245f, 8, 0}, {0.12493f, 8, 1}, // within 0.001 of the next
        {0.999f, 8, 7},        {1.0f, 8, 7},         {3 / 400.0f, 400, 3}, {1.0f, 128, 127},
        {0.5f, 0, 0},          {NAN, 8, 0},          {-1.0f, 8, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " of " << c.entries);
        EXPECT_EQ(ListSelector::entryOf(c.value, c.entries), c.shown);
    }
}

TEST(ListSelector, DragMovesFourPixelsPerEntryAndReportsEachChange)
{
    ListFixture f;
    f.list->setValue(ListSelector::valueOf(4, 8));
    f.frame.dispatch(mouse(EventKind::MouseDown, 120, 55));
    f.frame.dispatch(mouse(EventKind::MouseMove, 120, 51)); // 4 px up: next entry
    EXPECT_EQ(f.list->shownEntry(), 5);
    f.frame.dispatch(mouse(EventKind::MouseMove, 120, 53)); // halfway back
    EXPECT_NEAR(f.list->value(), 4.5f / 8, 1e-6);
    f.frame.dispatch(mouse(EventKind::MouseMove, 180, 63)); // 8 px below the press, outside the control
    EXPECT_EQ(f.list->shownEntry(), 2);
    f.frame.dispatch(mouse(EventKind::MouseMove, 180, 63)); // no change, no report
    f.frame.dispatch(mouse(EventKind::MouseMove, 180, 500));
    EXPECT_EQ(f.list->value(), 0.0f);
    f.frame.dispatch(mouse(EventKind::MouseUp, 180, 500));
    EXPECT_EQ(f.listener.values.size(), 4u);
    EXPECT_EQ(f.listener.values.back(), 0.0f);
}

TEST(ListSelector, ArrowHalvesStepAndRepeatEvery167MsWhileHeld)
{
    ListFixture f;
    f.list->setValue(ListSelector::valueOf(5, 8));
    // Upper half: next entry at once, then one more per 167 ms, stopping at the last.
    f.frame.dispatch(mouse(EventKind::MouseDown, 154, 52, 1000));
    EXPECT_EQ(f.list->shownEntry(), 6);
    f.frame.runTimers(1166);
    EXPECT_EQ(f.list->shownEntry(), 6);
    f.frame.runTimers(1167);
    EXPECT_EQ(f.list->shownEntry(), 7);
    f.frame.runTimers(1334);
    f.frame.runTimers(1501);
    EXPECT_EQ(f.list->shownEntry(), 7);
    f.frame.dispatch(mouse(EventKind::MouseUp, 154, 52, 1510));
    EXPECT_EQ(f.listener.values, (std::vector{6 / 8.0f, 7 / 8.0f}));

    // Lower half: previous entry; released, the repeat stops.
    f.frame.dispatch(mouse(EventKind::MouseDown, 154, 60, 2000));
    EXPECT_EQ(f.list->shownEntry(), 6);
    f.frame.dispatch(mouse(EventKind::MouseUp, 154, 60, 2050));
    f.frame.runTimers(3000);
    EXPECT_EQ(f.list->shownEntry(), 6);

    f.list->setValue(0);
    f.frame.dispatch(mouse(EventKind::MouseDown, 154, 60, 4000));
    f.frame.dispatch(mouse(EventKind::MouseUp, 154, 60, 4010));
    EXPECT_EQ(f.list->value(), 0.0f);
    EXPECT_EQ(f.listener.values.size(), 3u);
}

TEST(ListSelector, EntriesAreCutTo255Characters)
{
    ListFixture f(2);
    f.list->setEntry(1, std::string(300, 'x'));
    f.list->setEntry(2, "outside the list");
    f.list->setEntry(-1, "outside the list");
    EXPECT_EQ(f.list->entryText(1).size(), 255u);
    EXPECT_EQ(f.list->entryText(2), "");
}

TEST(GlyphFont, CharactersMapToTheirGlyphsAndOnlyWholeGlyphsThatFitAreDrawn)
{
    const std::pair<char, int> cases[] = {
        {'0', 0}, {'9', 9}, {'A', 10}, {'Z', 35}, {'a', 36}, {'z', 61}, {'-', 63},
        {'.', 64}, {'(', 65}, {')', 66}, {'#', 67}, {' ', 62}, {'+', 62}, {'\xe9', 62},
    };
    for (auto [c, glyph] : cases) {
        EXPECT_EQ(GlyphFont::glyphOf(c), glyph) << c;
    }

    auto font = GlyphFont::make(6, 11);
    ASSERT_EQ(font->strip()->width(), 68 * 6);
    EXPECT_EQ(font->fittingGlyphs("C#-1", 24), 4);
    EXPECT_EQ(font->fittingGlyphs("C#-1", 23), 3);
    EXPECT_EQ(font->fittingGlyphs("Bright", 0), 0);
    // Digits leave ink in their own cells; the blank glyph leaves none.
    auto inked = [&](int glyph) {
        for (int y = 0; y < 11; ++y) {
            for (int x = 0; x < 6; ++x) {
                if ((font->strip()->pixel(glyph * 6 + x, y) >> 24) != 0) {
                    return true;
                }
            }
        }
        return false;
    };
    EXPECT_TRUE(inked(8));
    EXPECT_TRUE(inked(67));
    EXPECT_FALSE(inked(62));
}
