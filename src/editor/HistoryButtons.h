#pragma once
// The top bar's buttons that are no engine value: the arrows beside the
// instrument name (previous and next of its category), Undo and Redo under
// them, Ask, which makes loads ask before they discard changes, Browse, which
// opens the library browser, and A/B, lit while the instrument as last loaded
// or saved plays in place of the edited one. The kick buttons act on release,
// as the file buttons do; Ask and A/B on each click.

#include "gui/Control.h"

#include <array>
#include <functional>

namespace tessarine {

namespace gui {
class Frame;
} // namespace gui

class HistoryButtons final : public gui::ControlListener {
public:
    enum Action { kPrevious, kNext, kUndo, kRedo, kAsk, kBrowse, kCompare, kActionCount };

    // Adds the buttons to frame, which owns them; act runs on each release.
    HistoryButtons(gui::Frame& frame, std::function<void(Action)> act);

    // The button of an action, for tests to find where to click.
    gui::Control* button(Action action) const { return buttons_[action]; }

    void valueChanged(gui::Control& control) override;

private:
    std::function<void(Action)> act_;
    std::array<gui::Control*, kActionCount> buttons_{};
};

} // namespace tessarine
