#pragma once
// Injected input and a listener that records what controls report, shared by
// the control tests.

#include "gui/Control.h"
#include "gui/InputEvent.h"

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace tessarine::gui::test {

struct RecordingListener : ControlListener {
    void valueChanged(Control& control) override
    {
        values.push_back(control.value());
        tags.push_back(control.tag());
    }
    std::vector<float> values;
    std::vector<int> tags;
};

inline InputEvent mouse(EventKind kind, double x, double y, std::int64_t timeMs = 0, unsigned modifiers = 0,
                        MouseButton button = MouseButton::Left)
{
    return {.kind = kind, .position = {x, y}, .button = button, .modifiers = modifiers, .timeMs = timeMs};
}

inline InputEvent wheel(double x, double y, float steps)
{
    return {.kind = EventKind::Wheel, .position = {x, y}, .wheel = steps};
}

// One event to anything that takes the toolkit's events: a frame (dispatch),
// a dialog's panel (handle) or a view alone (onEvent: whether it took it).
template <typename Target>
bool send(Target& target, const InputEvent& event)
{
    if constexpr (requires { target.dispatch(event); }) {
        target.dispatch(event);
    } else if constexpr (requires { target.handle(event); }) {
        target.handle(event);
    } else {
        return target.onEvent(event);
    }
    return true;
}

// A press at the first point, moves through the others, a release at the
// last; a view that did not take the press gets nothing more.
template <typename Target>
void drag(Target& target, std::initializer_list<Point> path, MouseButton button = MouseButton::Left,
          std::int64_t timeMs = 0, unsigned modifiers = 0)
{
    const auto at = [&](EventKind kind, Point p) { return send(target, mouse(kind, p.x, p.y, timeMs, modifiers, button)); };
    if (at(EventKind::MouseDown, *path.begin())) {
        for (const Point* p = path.begin() + 1; p != path.end(); ++p) {
            at(EventKind::MouseMove, *p);
        }
        at(EventKind::MouseUp, *(path.end() - 1));
    }
}

template <typename Target>
void click(Target& target, double x, double y, std::int64_t timeMs = 0, unsigned modifiers = 0)
{
    drag(target, {{x, y}}, MouseButton::Left, timeMs, modifiers);
}

inline InputEvent key(int code)
{
    return {.kind = EventKind::KeyDown, .position = {}, .key = code};
}

} // namespace tessarine::gui::test
