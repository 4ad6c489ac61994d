#include "editor/HistoryButtons.h"

#include "gui/Frame.h"
#include "gui/KickButton.h"
#include "gui/OnOffButton.h"

#include <memory>

namespace tessarine {

namespace {

// Right of the instrument menu, in the top bar's free corner.
constexpr gui::Rect kPlaces[HistoryButtons::kActionCount] = {
    {652, 15, 28, 19},
    {684, 15, 28, 19},
    {652, 35, 64, 18},
    {720, 35, 64, 18},
    {720, 15, 64, 19},
    // Left of the instrument menus, above the size menu, clear of "Category".
    {152, 15, 44, 19},
    {200, 15, 42, 19},
};
constexpr const char* kCaptions[HistoryButtons::kActionCount] = {"<", ">", "Undo", "Redo", "Ask", "Browse", "A/B"};
constexpr const char* kHelp[HistoryButtons::kActionCount] = {
    "Previous instrument\nThe one before in the category, or in the browser's search",
    "Next instrument\nThe one after in the category, or in the browser's search",
    "Undo\nTakes back the last edit (Ctrl+Z)",
    "Redo\nBrings back what was undone (Ctrl+Shift+Z or Ctrl+Y)",
    "Ask before discarding\nWhen on, a load asks first while the instrument has unsaved changes",
    "Browse the library\nSearch instruments, voices and presets; star favourites",
    "Compare\nPlays the instrument as last loaded or saved; click again for the edited one",
};

} // namespace

HistoryButtons::HistoryButtons(gui::Frame& frame, std::function<void(Action)> act) : act_(std::move(act))
{
    for (int a = 0; a < kActionCount; ++a) {
        const bool onOff = a == kAsk || a == kCompare;
        buttons_[static_cast<std::size_t>(a)] = onOff
            ? static_cast<gui::Control*>(frame.add(std::make_unique<gui::OnOffButton>(kPlaces[a], -1, this, kCaptions[a])))
            : frame.add(std::make_unique<gui::KickButton>(kPlaces[a], -1, this, kCaptions[a]));
        buttons_[static_cast<std::size_t>(a)]->setHelp(kHelp[a]);
    }
}

void HistoryButtons::valueChanged(gui::Control& control)
{
    if (control.value() != 0.0f && &control != buttons_[kAsk] && &control != buttons_[kCompare]) {
        return;
    }
    for (int a = 0; a < kActionCount; ++a) {
        if (buttons_[static_cast<std::size_t>(a)] == &control) {
            act_(static_cast<Action>(a));
        }
    }
}

} // namespace tessarine
