// Every control of the eight pages and the top bar, played with the mouse in
// the real plug-in's window: a press that does not move changes nothing, a
// drag up or right raises and down or left lowers, the wheel steps, and the
// host hears of each change exactly once (audioMasterAutomate). The gestures
// every value control shares, read back through the host: typed values in the
// display's units, the resets, and MIDI learn from a touch that moves nothing.

#include "editor/EditorTags.h"
#include "gui/HorizontalSlider.h"
#include "gui/ListSelector.h"
#include "gui/ValueDisplay.h"
#include "params/ParameterTable.h"
#include "params/ParameterText.h"

#include <cairo.h>

#include <gtest/gtest.h>
// After gtest: Xlib's macro None would break its headers.
#include "MusicianSession.h"

#include <X11/Xutil.h>

#include <algorithm>
#include <cmath>

namespace {

using tessarine::ControlKind;
using tessarine::ControlRow;
using tessarine::test::at;
using tessarine::test::MusicianSession;

// The knob's value display as the window shows it equals one drawn with the
// host's text (effGetParamDisplay and its unit from effGetParamLabel): the
// inside of the well, pixel for pixel.
bool displayShowsHostText(MusicianSession& s, const ControlRow& row, int page)
{
    const std::string unit = s.host().parameterLabel(row.tag);
    const std::string hostText = s.host().parameterDisplay(row.tag) + (unit.empty() ? "" : " " + unit);
    ControlRow display = row;
    display.rect = tessarine::valueDisplayRect(row);
    const tessarine::gui::Rect r = tessarine::test::windowRect(display, page);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, r.x + r.width, r.y + r.height);
    cairo_t* cr = cairo_create(surface);
    tessarine::gui::ValueDisplay expected(r, [&](float) { return hostText; });
    expected.draw(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    XImage* shown = XGetImage(s.window().display(), s.window().windowId(), r.x, r.y, r.width, r.height, AllPlanes,
                              ZPixmap);
    bool same = shown != nullptr;
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 2; same && y < r.height - 2; ++y) {
        for (int x = 2; same && x < r.width - 2; ++x) {
            const auto want = *reinterpret_cast<const std::uint32_t*>(data + (r.y + y) * stride + 4 * (r.x + x));
            same = (XGetPixel(shown, x, y) & 0xffffff) == (want & 0xffffff);
        }
    }
    if (shown != nullptr) {
        XDestroyImage(shown);
    }
    cairo_surface_destroy(surface);
    return same;
}

// No value repeats: each automation record is a change.
bool eachIsAChange(const std::vector<float>& values)
{
    return std::adjacent_find(values.begin(), values.end()) == values.end();
}

// The rows of a page (-1 the top bar) of the given kinds.
std::vector<ControlRow> rowsOf(int page, std::initializer_list<ControlKind> kinds)
{
    std::vector<ControlRow> rows;
    for (const ControlRow& row : page < 0 ? tessarine::topBarControls() : tessarine::pageControls(page)) {
        if (std::find(kinds.begin(), kinds.end(), row.kind) != kinds.end()) {
            rows.push_back(row);
        }
    }
    return rows;
}

TEST(MusicianControls, KnobsAndSlidersFollowTheMouseFromTheShownValue)
{
    START_SESSION(s);
    auto& host = s.host();
    int tried = 0;
    for (int page = -1; page < tessarine::kPageCount; ++page) {
        if (page >= 0) {
            s.showPage(page);
            // A switched-off section dims its displays: the pixels are compared lit.
            for (const tessarine::Section& section : tessarine::pageSections(page)) {
                if (section.switchTag >= 0) {
                    host.setParameter(section.switchTag, 1.0f);
                }
            }
        }
        for (const ControlRow& row : rowsOf(page, {ControlKind::Knob, ControlKind::HorizontalSlider})) {
            SCOPED_TRACE(testing::Message() << "page " << page << " tag " << row.tag);
            ++tried;
            const bool knob = row.kind == ControlKind::Knob;
            const float start = host.getParameter(row.tag);
            host.setParameter(row.tag, 0.5f);
            s.idle();
            // A slider's handle at a value: its travel is the width less the handle's.
            const tessarine::gui::Rect r = tessarine::test::windowRect(row, page);
            const double handleWidth = tessarine::gui::HorizontalSlider::kHandleWidth;
            const auto handleAt = [&](float value) { return r.x + value * (r.width - handleWidth) + handleWidth / 2.0; };
            tessarine::gui::Point at = tessarine::test::at(row, page);
            at.x = knob ? at.x : handleAt(0.5f);

            // The pointer passes over, presses, lets go: nothing changes, the host hears nothing.
            std::size_t mark = s.mark();
            s.moveTo(at.x + 6, at.y + 9);
            s.click(at.x, at.y);
            EXPECT_EQ(host.getParameter(row.tag), 0.5f) << "a press without movement";
            EXPECT_TRUE(s.automated(mark, row.tag).empty());

            // Up (right) 30 pixels raises by 30 / 200 of the range (a knob) or 30 / travel (a slider).
            const double ux = knob ? 0 : 1, uy = knob ? -1 : 0;
            mark = s.mark();
            s.drag(at.x, at.y, 30 * ux, 30 * uy);
            const float raised = host.getParameter(row.tag);
            if (static_cast<int>(row.display) != 0) { // a format (Xlib spells None as a macro)
                s.idle(4);
                EXPECT_TRUE(displayShowsHostText(s, row, page)) << "\"" << host.parameterDisplay(row.tag) << '"';
            }
            if (knob) {
                EXPECT_NEAR(raised, 0.65f, 0.011f) << "the drag starts from the shown value";
            } else {
                EXPECT_GT(raised, 0.55f);
            }
            auto heard = s.automated(mark, row.tag);
            ASSERT_FALSE(heard.empty());
            EXPECT_TRUE(eachIsAChange(heard));
            EXPECT_EQ(heard.back(), raised);

            // Down (left) twice as far lowers below the start.
            s.drag(knob ? at.x : handleAt(raised), at.y, -60 * ux, -60 * uy);
            const float lowered = host.getParameter(row.tag);
            EXPECT_LT(lowered, 0.45f);

            // One wheel notch up: one step, one automation.
            mark = s.mark();
            s.wheel(at.x, at.y, 1);
            heard = s.automated(mark, row.tag);
            EXPECT_GT(host.getParameter(row.tag), lowered);
            EXPECT_EQ(heard.size(), 1u);
            host.setParameter(row.tag, start);
        }
    }
    EXPECT_GE(tried, 43 + 16);
}

TEST(MusicianControls, ButtonsSelectorsSwitchesAndListsStepOncePerClick)
{
    START_SESSION(s);
    auto& host = s.host();
    for (int page = -1; page < tessarine::kPageCount; ++page) {
        if (page >= 0) {
            s.showPage(page);
        }
        for (const ControlRow& row : rowsOf(page, {ControlKind::OnOffButton, ControlKind::Selector,
                                                   ControlKind::Switch, ControlKind::ListSelector})) {
            if (row.tag == tessarine::kTagPageSelector) {
                continue; // page switching has a test of its own
            }
            SCOPED_TRACE(testing::Message() << "page " << page << " tag " << row.tag);
            const float start = host.getParameter(row.tag);
            const tessarine::gui::Point at = tessarine::test::at(row, page);
            std::size_t mark = s.mark();
            switch (row.kind) {
            case ControlKind::OnOffButton:
                // Each click toggles and is heard once; two bring it back.
                s.click(at.x, at.y);
                EXPECT_EQ(host.getParameter(row.tag) > 0.5f, !(start > 0.5f));
                EXPECT_EQ(s.automated(mark, row.tag).size(), 1u);
                s.click(at.x, at.y);
                EXPECT_EQ(host.getParameter(row.tag) > 0.5f, start > 0.5f);
                EXPECT_EQ(s.automated(mark, row.tag).size(), 2u);
                break;
            case ControlKind::Selector: {
                // A click on each other position sets its fraction of the range.
                const tessarine::gui::Rect r = tessarine::test::windowRect(row, page);
                const int cellW = row.vertical ? row.rect.width : row.rect.width - row.step * (row.count - 1);
                const int cellH = row.vertical ? row.rect.height - row.step * (row.count - 1) : row.rect.height;
                for (int k = row.count - 1; k >= 0; --k) {
                    const double x = r.x + (row.vertical ? 0 : k * row.step) + cellW / 2.0;
                    const double y = r.y + (row.vertical ? k * row.step : 0) + cellH / 2.0;
                    const float before = host.getParameter(row.tag);
                    const std::size_t m = s.mark();
                    s.click(x, y);
                    const float expected = static_cast<float>(k) / static_cast<float>(row.count - 1);
                    // The filter's middle position stands for the band-pass at one third.
                    const float got = host.getParameter(row.tag);
                    if (row.tag != tessarine::kFilterMode) {
                        EXPECT_NEAR(got, expected, 1e-6f) << "position " << k;
                    }
                    EXPECT_EQ(s.automated(m, row.tag).size(), got != before ? 1u : 0u) << "position " << k;
                }
                break;
            }
            case ControlKind::Switch:
                s.click(at.x, at.y);
                EXPECT_NE(host.getParameter(row.tag), start);
                EXPECT_EQ(s.automated(mark, row.tag).size(), 1u);
                break;
            case ControlKind::ListSelector: {
                // From the first entry: a press on the text changes nothing, the
                // up arrow and the wheel step one entry, a drag up 8 pixels two.
                host.setParameter(row.tag, 0.0f);
                s.idle();
                const double textX = at.x - tessarine::gui::ListSelector::kArrowWidth;
                mark = s.mark();
                s.moveTo(textX + 3, at.y + 4);
                s.click(textX, at.y);
                EXPECT_EQ(host.getParameter(row.tag), 0.0f);
                EXPECT_TRUE(s.automated(mark, row.tag).empty());
                // Held past its repeat delay the arrow steps again: the press and release arrive together.
                const double arrowX = at.x + row.rect.width / 2.0 - tessarine::gui::ListSelector::kArrowWidth / 2.0;
                s.tap(arrowX, at.y - row.rect.height / 4.0);
                const float one = host.getParameter(row.tag);
                EXPECT_GT(one, 0.0f);
                s.wheel(textX, at.y, 1);
                const float two = host.getParameter(row.tag);
                EXPECT_GT(two, one);
                EXPECT_EQ(s.automated(mark, row.tag).size(), 2u);
                s.drag(textX, at.y, 0, -8, 4);
                EXPECT_GT(host.getParameter(row.tag), two);
                s.wheel(textX, at.y, -1);
                EXPECT_TRUE(eachIsAChange(s.automated(mark, row.tag)));
                break;
            }
            default:
                break;
            }
            host.setParameter(row.tag, start);
            s.idle();
        }
    }
}

TEST(MusicianControls, OptionMenusChooseTheEntryClickedInTheirPopUp)
{
    START_SESSION(s);
    auto& host = s.host();
    s.showPage(tessarine::kModulationPage);
    // Entry k of the pop-up under the menu: 18-pixel rows inside a 2-pixel border.
    // A group's submenu opens beside it level with the group: its item is taken subX right of the menu.
    const auto choose = [&](const ControlRow& row, int entry, double subX, int item) {
        const tessarine::gui::Rect menu = tessarine::test::windowRect(row, tessarine::kModulationPage);
        s.click(menu.x + 20, menu.y + menu.height / 2.0);
        s.idle(4);
        s.moveTo(menu.x + 20, menu.bottom() + 2 + 18 * entry + 9);
        s.moveTo(menu.x + subX, menu.bottom() + 2 + 18 * (entry + item) + 9);
        s.click(menu.x + subX, menu.bottom() + 2 + 18 * (entry + item) + 9);
        s.idle(4);
        return host.getParameter(row.tag);
    };
    int tried = 0;
    for (const ControlRow& row : rowsOf(tessarine::kModulationPage, {ControlKind::OptionMenu})) {
        SCOPED_TRACE(testing::Message() << "tag " << row.tag);
        ++tried;
        // Targets come in groups: entry k opens group k, whose first target is taken.
        const double subX = row.tag >= tessarine::kModTarget1 ? 200 : 20;
        const float start = host.getParameter(row.tag);
        const std::size_t mark = s.mark();
        const float second = choose(row, 2, subX, 0);
        const float first = choose(row, 1, subX, 0);
        EXPECT_NE(first, second);
        const auto heard = s.automated(mark, row.tag);
        EXPECT_EQ(heard.size(), start == second ? 1u : 2u);
        EXPECT_TRUE(eachIsAChange(heard));
        // A press outside an open pop-up closes it without a choice.
        s.click(tessarine::test::at(row, tessarine::kModulationPage));
        s.idle(4);
        s.click(790, 540);
        s.idle(4);
        EXPECT_EQ(host.getParameter(row.tag), first);
        host.setParameter(row.tag, start);
    }
    EXPECT_EQ(tried, 16);

    // The groups have readable names. Sources: None, Velocity, Aftertouch, Key position, LFOs and envelope,
    // Common MIDI controllers, …, of which the eleventh is CC 74, source 8 + 74.
    EXPECT_EQ(choose(tessarine::test::rowOf(tessarine::kModulationPage, tessarine::kModSource1), 5, 230, 10), 82.0f);
    // Targets: None, Morph, Tone, Note, Note LFO, LFO 1 and 2, Filter (cutoff first): target 24.
    EXPECT_EQ(choose(tessarine::test::rowOf(tessarine::kModulationPage, tessarine::kModTarget1), 6, 200, 0), 24.0f);
    EXPECT_EQ(host.parameterDisplay(tessarine::kModTarget1), "FilterCutoff") << "the host's names stay";
}

// The host's ways into the volume knob: in each of its knob modes a press off
// centre changes nothing and a turn or drag clockwise raises from there; the
// wheel it forwards as effVendorSpecific 'stCA'/'Whee' steps the control under
// the pointer as the window's wheel does, and is answered 1 only then.
TEST(MusicianControls, HostKnobModesNeverJumpOnAPressAndTheHostsWheelStepsTheControlUnderThePointer)
{
    START_SESSION(s);
    auto& host = s.host();
    s.showPage(tessarine::kSoundPage);
    const tessarine::gui::Point c = tessarine::test::at(tessarine::kSoundPage, tessarine::kVolume);
    const struct {
        int mode;
        double pressDx, pressDy, moveDx, moveDy;
    } modes[] = {{0, 0, -12, 12, -12}, {1, 0, -12, 12, -12}, {2, 0, 0, 0, -20}};
    for (const auto& m : modes) {
        SCOPED_TRACE(testing::Message() << "knob mode " << m.mode);
        host.dispatch(vst::effSetEditKnobMode, 0, m.mode);
        host.setParameter(tessarine::kVolume, 0.3f);
        s.idle();
        s.moveTo(c.x + m.pressDx, c.y + m.pressDy);
        s.button(1, true);
        EXPECT_EQ(host.getParameter(tessarine::kVolume), 0.3f);
        s.moveTo(c.x + m.moveDx, c.y + m.moveDy);
        s.button(1, false);
        EXPECT_GT(host.getParameter(tessarine::kVolume), 0.3f);
        EXPECT_LT(host.getParameter(tessarine::kVolume), 0.5f);
    }

    const auto wheel = [&](float distance) {
        return host.dispatch(vst::effVendorSpecific, 0x73744341, 0x57686565, nullptr, distance);
    };
    host.setParameter(tessarine::kVolume, 0.5f);
    s.moveTo(c.x, c.y);
    const std::size_t mark = s.mark();
    EXPECT_EQ(wheel(1.0f), 1);
    EXPECT_NEAR(host.getParameter(tessarine::kVolume), 0.51f, 1e-6f);
    EXPECT_EQ(wheel(-2.0f), 1);
    EXPECT_NEAR(host.getParameter(tessarine::kVolume), 0.49f, 1e-6f);
    EXPECT_EQ(s.automated(mark, tessarine::kVolume).size(), 2u);
    // Over the empty background nothing takes it.
    s.moveTo(790, 540);
    EXPECT_EQ(wheel(1.0f), 0);
    EXPECT_NEAR(host.getParameter(tessarine::kVolume), 0.49f, 1e-6f);
}

// The Size menu draws the whole editor at 200 %: the window doubles, the
// controls answer at their doubled places with the same travel, and the size
// holds for every instance the same person opens, whatever a host asks for.
TEST(MusicianControls, AtTwiceTheSizeControlsAnswerAtTwiceTheirPlaces)
{
    START_SESSION(s, "1664x1152x24"); // room for the editor at 200 %
    auto& host = s.host();
    // The menu left of Learn (152, 35, 80 × 18); 200 % is its fourth entry.
    const double entry = 53 + 2 + 18 * 3 + 9;
    s.click(192, 44);
    s.idle(4);
    s.moveTo(192, entry);
    s.click(192, entry);
    ASSERT_TRUE(s.idleUntil([&] { return s.window().width() == 1600 && s.window().height() == 1100; }));
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    XWindowAttributes editor{};
    ASSERT_TRUE(s.idleUntil([&] {
        XQueryTree(s.window().display(), s.window().windowId(), &root, &parent, &children, &count);
        const bool found = count > 0 && XGetWindowAttributes(s.window().display(), children[0], &editor) != 0;
        XFree(children);
        return found && editor.width == 1600 && editor.height == 1100;
    })) << "the editor's window is " << editor.width << " x " << editor.height;

    const auto button = tessarine::test::at(tessarine::kMorphPage, tessarine::kEnvelopeMorphOn);
    const float before = host.getParameter(tessarine::kEnvelopeMorphOn);
    s.click(2 * button.x, 2 * button.y);
    EXPECT_TRUE(s.idleUntil([&] { return host.getParameter(tessarine::kEnvelopeMorphOn) != before; }));
    const auto knob = tessarine::test::at(-1, tessarine::kMasterDetune);
    const float detune = host.getParameter(tessarine::kMasterDetune);
    s.drag(2 * knob.x, 2 * knob.y, 0, -40);  // 20 logical pixels of the knob's 200
    EXPECT_NEAR(host.getParameter(tessarine::kMasterDetune), detune + 0.1f, 0.02f);

    // The person's size wins over a host's request, here and in a new instance.
    EXPECT_EQ(host.dispatch(vst::effVendorSpecific, vst::fourCC('P', 'r', 'e', 'S'), vst::fourCC('A', 'e', 'C', 's'),
                            nullptr, 1.5f),
              1);
    std::string error;
    auto again = tessarine::host::PluginHost::load(TESSARINE_PLUGIN_PATH, error);
    ASSERT_TRUE(again) << error;
    for (auto* instance : {&host, again.get()}) {
        vst::EditorRect* rect = nullptr;
        ASSERT_EQ(instance->dispatch(vst::effEditGetRect, 0, 0, &rect), 1);
        EXPECT_EQ(std::pair(rect->right - rect->left, rect->bottom - rect->top), std::pair(1600, 1100));
    }
}

// The control's menu opens under the pointer: entry k's middle is 1 + 2 + 18 k + 9 pixels below the press.
void chooseFromControlMenu(MusicianSession& s, tessarine::gui::Point p, int entry)
{
    s.moveTo(p.x, p.y);
    s.button(3, true);
    s.button(3, false);
    s.click(p.x + 30, p.y + 12 + 18 * entry);
    s.idle(2);
}

// A value typed in the display's units, or the start value put back from the control's menu or by Ctrl-click,
// reaches the host as one change, as a drag's does; a typed value the control refuses changes nothing.
TEST(MusicianGestures, TypedValuesAndResetsReachTheHostAsOneChange)
{
    START_SESSION(s);
    enum class Gesture { DoubleClick, Return, MenuReset, CtrlClick };
    struct Case {
        int page;
        int tag;
        Gesture gesture;
        const char* typed;
        const char* shown; // the host's text afterwards; null: refused, nothing changes
    };
    const Case cases[] = {
        // A slip taken back: the key's last character goes.
        {tessarine::kEffectsPage, tessarine::kFilterCutoff, Gesture::DoubleClick, "4409\b hz", "440"},
        {tessarine::kEffectsPage, tessarine::kChorusDelay, Gesture::Return, "2.5 ms", "2.5"},
        {tessarine::kEffectsPage, tessarine::kDelaySyncL, Gesture::DoubleClick, "1/4", "1/4"},
        {tessarine::kEffectsPage, tessarine::kFilterRes, Gesture::DoubleClick, "loud", nullptr},
        {tessarine::kEffectsPage, tessarine::kFilterRes, Gesture::Return, "250", nullptr},
        {tessarine::kModulationPage, tessarine::kModMax1, Gesture::DoubleClick, "25", "25"},
        // From the value 0.9; the menu's entries: "Type value…", "Reset to …".
        {tessarine::kEffectsPage, tessarine::kFilterRes, Gesture::MenuReset, "", ""},
        {tessarine::kEffectsPage, tessarine::kReverbSize, Gesture::CtrlClick, "", ""},
        {tessarine::kEffectsPage, tessarine::kChorusDelay, Gesture::MenuReset, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "tag " << c.tag << " typed " << c.typed);
        s.showPage(c.page);
        const tessarine::gui::Point p = at(c.page, c.tag);
        const bool reset = c.gesture == Gesture::MenuReset || c.gesture == Gesture::CtrlClick;
        if (reset) {
            s.host().setParameter(c.tag, 0.9f);
        } else {
            s.click(p);
            c.gesture == Gesture::DoubleClick ? s.click(p) : s.key(XK_Return);
        }
        s.idle(2);
        const float before = s.host().getParameter(c.tag);
        const std::size_t mark = s.mark();
        if (c.gesture == Gesture::MenuReset) {
            chooseFromControlMenu(s, p, 1);
        } else if (c.gesture == Gesture::CtrlClick) {
            s.holding(XK_Control_L, [&] { s.click(p); });
        } else {
            s.type(c.typed);
            s.key(XK_Return);
            s.idle(4);
        }
        const float now = s.host().getParameter(c.tag);
        const std::vector<float> heard = s.automated(mark, c.tag);
        if (c.shown == nullptr) {
            EXPECT_EQ(now, before);
            EXPECT_TRUE(heard.empty());
            continue;
        }
        if (reset) {
            EXPECT_EQ(now, tessarine::parameterTable()[static_cast<std::size_t>(c.tag)].start);
        } else {
            EXPECT_EQ(s.host().parameterDisplay(c.tag), c.shown);
        }
        ASSERT_EQ(heard.size(), 1u) << "one change, as a drag's";
        EXPECT_EQ(heard.back(), now);
    }
}

TEST(MusicianGestures, LearnBindsTheControlTouchedWithoutMovingItAndTheMenuForgetsIt)
{
    START_SESSION(s);
    auto& host = s.host();
    s.showPage(tessarine::kEffectsPage);
    const tessarine::gui::Point learn = at(-1, tessarine::kTagMidiLearn);
    s.click(learn);
    ASSERT_EQ(host.getParameter(tessarine::kTagMidiLearn), 1.0f);
    // A touch that does not move the knob.
    const float before = host.getParameter(tessarine::kFilterCutoff);
    const tessarine::gui::Point cutoff = at(tessarine::kEffectsPage, tessarine::kFilterCutoff);
    s.click(cutoff);
    ASSERT_EQ(host.getParameter(tessarine::kFilterCutoff), before);

    // Controller values and what the cutoff takes: the top of the controller is the top of the range.
    struct Step {
        unsigned char cc;
        unsigned char value;
        float expected;
    };
    for (const Step& step : {Step{74, 127, 1.0f}, Step{74, 0, 0.0f}, Step{75, 127, 0.0f}, Step{74, 127, 1.0f}}) {
        s.controller(step.cc, step.value);
        EXPECT_EQ(host.getParameter(tessarine::kFilterCutoff), step.expected)
            << "CC " << int(step.cc) << " = " << int(step.value);
    }
    EXPECT_EQ(host.getParameter(tessarine::kTagMidiLearn), 0.0f) << "the learn light goes out once bound";

    // Forgotten from the control's menu ("Type value…", "Reset", "MIDI learn", "Forget learn (CC 74)"):
    // the controller moves it no more.
    chooseFromControlMenu(s, cutoff, 3);
    s.controller(74, 0);
    EXPECT_EQ(host.getParameter(tessarine::kFilterCutoff), 1.0f);

    // Learn from the menu binds a button the same way.
    const tessarine::gui::Point reverbOn = at(tessarine::kEffectsPage, tessarine::kReverbOn);
    chooseFromControlMenu(s, reverbOn, 1); // "Reset to …", "MIDI learn"
    EXPECT_EQ(host.getParameter(tessarine::kTagMidiLearn), 1.0f);
    s.controller(20, 127);
    s.controller(20, 0);
    EXPECT_EQ(host.getParameter(tessarine::kReverbOn), 0.0f);
    s.controller(20, 127);
    EXPECT_EQ(host.getParameter(tessarine::kReverbOn), 1.0f);

    // The Learn button's menu lists what is learned ("Forget CC 20: Reverb on", the list).
    chooseFromControlMenu(s, learn, 0);
    s.controller(20, 0);
    EXPECT_EQ(host.getParameter(tessarine::kReverbOn), 1.0f);
}

} // namespace
