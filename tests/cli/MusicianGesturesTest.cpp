// The gestures every value control shares, played with the mouse and the keys
// in the real plug-in's window and read back through the host: typed values
// in the display's units, the resets, and MIDI learn from a touch that moves
// nothing.

#include "editor/EditorTags.h"
#include "params/ParameterTable.h"

#include <gtest/gtest.h>
// After gtest: Xlib's macro None would break its headers.
#include "MusicianSession.h"

#include <string_view>

namespace {

using tessarine::test::at;
using tessarine::test::MusicianSession;

void type(MusicianSession& s, std::string_view text)
{
    for (char c : text) {
        s.key(c == ' ' ? XK_space : c == '.' ? XK_period : c == '/' ? XK_slash : static_cast<KeySym>(c));
    }
    s.key(XK_Return);
    s.idle(4);
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

TEST(MusicianGestures, TypedValuesReachTheHostInTheDisplaysUnits)
{
    START_SESSION(s);
    enum class Open { DoubleClick, Return };
    struct Case {
        int page;
        int tag;
        Open open;
        const char* typed;
        const char* shown; // the host's text afterwards; null: refused, nothing changes
    };
    const Case cases[] = {
        {tessarine::kEffectsPage, tessarine::kFilterCutoff, Open::DoubleClick, "440 hz", "440"},
        {tessarine::kEffectsPage, tessarine::kChorusDelay, Open::Return, "2.5 ms", "2.5"},
        {tessarine::kEffectsPage, tessarine::kDelaySyncL, Open::DoubleClick, "1/4", "1/4"},
        {tessarine::kEffectsPage, tessarine::kFilterRes, Open::DoubleClick, "loud", nullptr},
        {tessarine::kEffectsPage, tessarine::kFilterRes, Open::Return, "250", nullptr},
        {tessarine::kModulationPage, tessarine::kModMax1, Open::DoubleClick, "25", "25"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "tag " << c.tag << " typed " << c.typed);
        s.showPage(c.page);
        const tessarine::gui::Point p = at(c.page, c.tag);
        s.click(p);
        if (c.open == Open::DoubleClick) {
            s.click(p);
        } else {
            s.key(XK_Return);
        }
        s.idle(2);
        const float before = s.host().getParameter(c.tag);
        const std::size_t mark = s.mark();
        type(s, c.typed);
        const std::vector<float> heard = s.automated(mark, c.tag);
        if (c.shown == nullptr) {
            EXPECT_EQ(s.host().getParameter(c.tag), before);
            EXPECT_TRUE(heard.empty());
            continue;
        }
        EXPECT_EQ(s.host().parameterDisplay(c.tag), c.shown);
        ASSERT_EQ(heard.size(), 1u) << "one change, as a drag's";
        EXPECT_EQ(heard.back(), s.host().getParameter(c.tag));
    }
}

TEST(MusicianGestures, CtrlClickAndTheMenusResetPutTheStartValueBack)
{
    START_SESSION(s);
    s.showPage(tessarine::kEffectsPage);
    struct Case {
        int tag;
        bool fromMenu; // else Ctrl-click
    };
    for (const Case c : {Case{tessarine::kFilterRes, true}, Case{tessarine::kReverbSize, false},
                         Case{tessarine::kChorusDelay, true}}) {
        SCOPED_TRACE(testing::Message() << "tag " << c.tag);
        s.host().setParameter(c.tag, 0.9f);
        s.idle(2);
        const std::size_t mark = s.mark();
        const tessarine::gui::Point p = at(tessarine::kEffectsPage, c.tag);
        if (c.fromMenu) {
            chooseFromControlMenu(s, p, 1); // "Type value…", "Reset to …"
        } else {
            s.holding(XK_Control_L, [&] { s.click(p); });
        }
        const float start = tessarine::parameterTable()[static_cast<std::size_t>(c.tag)].start;
        EXPECT_EQ(s.host().getParameter(c.tag), start);
        EXPECT_EQ(s.automated(mark, c.tag), std::vector<float>{start});
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
