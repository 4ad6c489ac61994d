#pragma once
// A text line to search with: every edit is passed on as it happens, so a
// list can filter while the person types, and the keys that steer what the
// search finds (Up, Down, Return, Escape) go to the owner before the line
// sees them; with the owner taking them the line keeps the keys. Chords with
// Ctrl are left to the window (undo works while the line has the keys).

#include "gui/TextEdit.h"

#include <functional>

namespace tessarine::gui {

class SearchLine final : public TextEdit {
public:
    explicit SearchLine(Rect bounds) : TextEdit(bounds, -1, nullptr) {}

    // True when the owner took the key.
    std::function<bool(const InputEvent& key)> onSteer;
    std::function<void()> onEdited;

    bool onEvent(const InputEvent& event) override;
};

} // namespace tessarine::gui
