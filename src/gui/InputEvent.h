#pragma once
// The one event type of the toolkit: mouse presses, moves, releases and wheel
// turns, and keys. Both back-ends (the X11 window and tests injecting events)
// produce it, so a view behaves the same with or without a display.

#include "gui/Geometry.h"

#include <cstdint>

namespace tessarine::gui {

enum class EventKind { MouseDown, MouseMove, MouseUp, Wheel, KeyDown, KeyUp };

enum class MouseButton { None, Left, Middle, Right };

enum Modifier : unsigned {
    kShift = 1u << 0,
    kControl = 1u << 1,
    kAlt = 1u << 2,
};

struct InputEvent {
    EventKind kind = EventKind::MouseMove;
    // Frame coordinates.
    Point position;
    MouseButton button = MouseButton::None;
    unsigned modifiers = 0;
    // Wheel steps: positive away from the user.
    float wheel = 0;
    // Unicode character of a key event, or one of the KeySym-like codes below.
    int key = 0;
    // Monotonic milliseconds when the event happened (views start timers from it).
    std::int64_t timeMs = 0;

    bool has(Modifier m) const { return (modifiers & m) != 0; }
};

// Keys that carry no character.
enum Key : int {
    kKeyReturn = 0x0d,
    kKeyEscape = 0x1b,
    kKeyBackspace = 0x08,
    kKeyDelete = 0x7f,
    kKeyLeft = 0x10001,
    kKeyRight,
    kKeyUp,
    kKeyDown,
    kKeyHome,
    kKeyEnd,
};

} // namespace tessarine::gui
