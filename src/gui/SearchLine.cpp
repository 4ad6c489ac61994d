#include "gui/SearchLine.h"

namespace tessarine::gui {

bool SearchLine::onEvent(const InputEvent& event)
{
    if (event.kind == EventKind::KeyDown && isEditing()) {
        // A chord (Ctrl+Z) is no text: it goes on to whoever handles it.
        if (event.has(kControl)) {
            return false;
        }
        if (onSteer && onSteer(event)) {
            return true;
        }
    }
    const std::string before = text();
    const bool taken = TextEdit::onEvent(event);
    if (text() != before && onEdited) {
        onEdited();
    }
    return taken;
}

} // namespace tessarine::gui
