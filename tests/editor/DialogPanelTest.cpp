// The toolkit's message box, driven by injected events: which gestures answer
// and which cancel.

#include "editor/dialogs/DialogPanel.h"
#include "support/ControlTestSupport.h"

#include <gtest/gtest.h>

namespace {

using tessarine::DialogPanel;
using Outcome = DialogPanel::Outcome;
namespace gui = tessarine::gui;
using gui::test::key;

// The OK button sits in the bottom right corner.
constexpr double kButtonY = DialogPanel::kHeight - 20;
constexpr double kOkX = DialogPanel::kWidth - 50;

TEST(DialogPanel, AMessageIsAnsweredByReturnOrOkAndCancelledByEscape)
{
    struct Case {
        const char* name;
        int key; // 0: none
        double clickX; // 0: no click
        Outcome outcome;
    };
    const Case cases[] = {
        {"Return", gui::kKeyReturn, 0, Outcome::Accepted},
        {"Escape", gui::kKeyEscape, 0, Outcome::Cancelled},
        {"OK", 0, kOkX, Outcome::Accepted},
        {"another key", 'x', 0, Outcome::Pending},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto panel = DialogPanel::message("Unsupported file format.\n");
        if (c.key != 0) {
            panel->handle(key(c.key));
        }
        if (c.clickX > 0) {
            gui::test::click(*panel, c.clickX, kButtonY);
        }
        EXPECT_EQ(panel->outcome(), c.outcome);
    }
}

} // namespace
