// The toolkit's own dialog, driven by injected events: what the user typed, and
// which gestures answer and which cancel.

#include "editor/DialogPanel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using tessarine::DialogPanel;
using Outcome = DialogPanel::Outcome;
namespace gui = tessarine::gui;

gui::InputEvent key(int code)
{
    gui::InputEvent e;
    e.kind = gui::EventKind::KeyDown;
    e.key = code;
    return e;
}

gui::InputEvent mouse(gui::EventKind kind, double x, double y)
{
    gui::InputEvent e;
    e.kind = kind;
    e.button = gui::MouseButton::Left;
    e.position = {x, y};
    return e;
}

// The buttons sit at the bottom right: OK in the corner, Cancel to its left.
constexpr double kButtonY = DialogPanel::kHeight - 20;
constexpr double kOkX = DialogPanel::kWidth - 50;
constexpr double kCancelX = DialogPanel::kWidth - 140;

void click(DialogPanel& panel, double x, double y)
{
    panel.handle(mouse(gui::EventKind::MouseDown, x, y));
    panel.handle(mouse(gui::EventKind::MouseUp, x, y));
}

TEST(DialogPanel, PathEntryAnswersWithWhatWasTyped)
{
    struct Case {
        const char* name;
        std::vector<int> keys;
        bool clickOk;
        bool clickCancel;
        Outcome outcome;
        const char* text;
    };
    const Case cases[] = {
        {"Return accepts", {'/', 'a', '.', 't', '9', 'v', gui::kKeyReturn}, false, false, Outcome::Accepted, "/a.t9v"},
        {"Escape cancels", {'/', 'a', gui::kKeyEscape}, false, false, Outcome::Cancelled, nullptr},
        {"OK accepts", {'x'}, true, false, Outcome::Accepted, "x"},
        {"Cancel cancels", {'x'}, false, true, Outcome::Cancelled, nullptr},
        {"editing", {'a', 'b', gui::kKeyBackspace, 'c', gui::kKeyReturn}, false, false, Outcome::Accepted, "ac"},
        {"typing alone answers nothing", {'a', 'b'}, false, false, Outcome::Pending, "ab"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto panel = DialogPanel::pathEntry("Open (*.t9v), full path:");
        for (int k : c.keys) {
            panel->handle(key(k));
        }
        if (c.clickOk) {
            click(*panel, kOkX, kButtonY);
        }
        if (c.clickCancel) {
            click(*panel, kCancelX, kButtonY);
        }
        EXPECT_EQ(panel->outcome(), c.outcome);
        if (c.text != nullptr) {
            EXPECT_EQ(panel->text(), c.text);
        }
    }
}

TEST(DialogPanel, MessageBoxAnswersToOkReturnAndEscape)
{
    auto byReturn = DialogPanel::message("Unsupported file format.\n");
    byReturn->handle(key(gui::kKeyReturn));
    EXPECT_EQ(byReturn->outcome(), Outcome::Accepted);
    auto byEscape = DialogPanel::message("Unsupported file format.\n");
    byEscape->handle(key(gui::kKeyEscape));
    EXPECT_EQ(byEscape->outcome(), Outcome::Cancelled);
    auto byClick = DialogPanel::message("Unsupported file format.\n");
    click(*byClick, kOkX, kButtonY);
    EXPECT_EQ(byClick->outcome(), Outcome::Accepted);
    EXPECT_EQ(byClick->text(), "");
}

} // namespace
