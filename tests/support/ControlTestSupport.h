#pragma once
// Injected input and a listener that records what controls report, shared by
// the control tests.

#include "gui/Control.h"
#include "gui/InputEvent.h"

#include <cstdint>
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

inline InputEvent mouse(EventKind kind, double x, double y, std::int64_t timeMs = 0, unsigned modifiers = 0)
{
    InputEvent e;
    e.kind = kind;
    e.position = {x, y};
    e.button = MouseButton::Left;
    e.timeMs = timeMs;
    e.modifiers = modifiers;
    return e;
}

inline InputEvent wheel(double x, double y, float steps)
{
    InputEvent e;
    e.kind = EventKind::Wheel;
    e.position = {x, y};
    e.wheel = steps;
    return e;
}

// A press and release at one point, on anything that takes the toolkit's
// events: a frame (dispatch) or a dialog's panel (handle).
template <typename Target>
void click(Target& target, double x, double y, std::int64_t timeMs = 0, unsigned modifiers = 0)
{
    for (EventKind kind : {EventKind::MouseDown, EventKind::MouseUp}) {
        if constexpr (requires { target.dispatch(mouse(kind, x, y)); }) {
            target.dispatch(mouse(kind, x, y, timeMs, modifiers));
        } else {
            target.handle(mouse(kind, x, y, timeMs, modifiers));
        }
    }
}

inline InputEvent key(int code)
{
    InputEvent e;
    e.kind = EventKind::KeyDown;
    e.key = code;
    return e;
}

} // namespace tessarine::gui::test
