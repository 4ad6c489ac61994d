// The toolkit's own dialog, driven by injected events: what the user typed, and
// which gestures answer and which cancel.

#include "editor/dialogs/DialogPanel.h"
#include "support/ControlTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using tessarine::DialogPanel;
using Outcome = DialogPanel::Outcome;
namespace gui = tessarine::gui;
using gui::test::key;
using gui::test::mouse;

// The buttons sit at the bottom right: OK in the corner, Cancel to its left.
constexpr double kButtonY = DialogPanel::kHeight - 20;
constexpr double kOkX = DialogPanel::kWidth - 50;
constexpr double kCancelX = DialogPanel::kWidth - 140;

void click(DialogPanel& panel, double x, double y)
{
    panel.handle(mouse(gui::EventKind::MouseDown, x, y));
    panel.handle(mouse(gui::EventKind::MouseUp, x, y));
}

TEST(DialogPanel, PathEntryAndMessageAnswerWithWhatWasTyped)
{
    struct Case {
        const char* name;
        bool message; // a message box, else a path entry
        std::vector<int> keys;
        double clickX; // 0: no click
        Outcome outcome;
        const char* text;
    };
    const Case cases[] = {
        {"Return accepts", false, {'/', 'a', '.', 't', '9', 'v', gui::kKeyReturn}, 0, Outcome::Accepted, "/a.t9v"},
        {"Escape cancels", false, {'/', 'a', gui::kKeyEscape}, 0, Outcome::Cancelled, nullptr},
        {"OK accepts", false, {'x'}, kOkX, Outcome::Accepted, "x"},
        {"Cancel cancels", false, {'x'}, kCancelX, Outcome::Cancelled, nullptr},
        {"editing", false, {'a', 'b', gui::kKeyBackspace, 'c', gui::kKeyReturn}, 0, Outcome::Accepted, "ac"},
        {"typing alone answers nothing", false, {'a', 'b'}, 0, Outcome::Pending, "ab"},
        {"message: Return", true, {gui::kKeyReturn}, 0, Outcome::Accepted, nullptr},
        {"message: Escape", true, {gui::kKeyEscape}, 0, Outcome::Cancelled, nullptr},
        {"message: OK", true, {}, kOkX, Outcome::Accepted, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto panel = c.message ? DialogPanel::message("Unsupported file format.\n")
                               : DialogPanel::pathEntry("Open (*.t9v), full path:");
        for (int k : c.keys) {
            panel->handle(key(k));
        }
        if (c.clickX > 0) {
            click(*panel, c.clickX, kButtonY);
        }
        EXPECT_EQ(panel->outcome(), c.outcome);
        if (c.text != nullptr) {
            EXPECT_EQ(panel->text(), c.text);
        }
    }
}

} // namespace
