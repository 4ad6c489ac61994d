#include "editor/views/KeyboardView.h"

#include "editor/views/ViewDrawing.h"
#include "engine/SynthEngine.h"

#include <algorithm>
#include <cstdio>

namespace tessarine {

namespace {

constexpr bool kBlack[12] = {false, true, false, true, false, false, true, false, true, false, true, false};

} // namespace

KeyboardView::KeyboardView(gui::Rect bounds, int tag, gui::ControlListener* listener, ViewContext& context)
    : Control(bounds, tag, listener), context_(context)
{
    whiteWidth_ = std::max(2, bounds.width / (7 * kOctaves + 1));
    blackWidth_ = std::max(2, whiteWidth_ * 2 / 3);
}

int KeyboardView::keyOffset(int semitone) const
{
    const int w = whiteWidth_;
    const int half = blackWidth_ / 2;
    const int offsets[12] = {0, w - half, w, 2 * w - half, 2 * w, 3 * w, 4 * w - half, 4 * w, 5 * w - half,
                             5 * w, 6 * w - half, 6 * w};
    return offsets[semitone];
}

int KeyboardView::noteAt(double x, double y) const
{
    if (x < 0 || y < 0) {
        return -1;
    }
    const int xi = static_cast<int>(x);
    const int octaveWidth = 7 * whiteWidth_;
    const int octave = xi / octaveWidth;
    const int xo = xi % octaveWidth;
    int semitone = -1;
    for (int s = 0; s < 12; ++s) {
        const int offset = keyOffset(s);
        if (!kBlack[s] && xo >= offset && xo <= offset + whiteWidth_ && y <= whiteHeight()) {
            semitone = s;
        }
    }
    for (int s = 0; s < 12; ++s) {
        const int offset = keyOffset(s);
        if (kBlack[s] && xo >= offset && xo <= offset + blackWidth_ && y <= blackHeight()) {
            semitone = s;
        }
    }
    const int note = semitone + 12 * octave + kLowestNote;
    return semitone < 0 || note > kHighestPressable ? -1 : note;
}

bool KeyboardView::pressed(int note) const
{
    return note >= kLowestNote && note <= kHighestPressable && pressed_[static_cast<std::size_t>(note - kLowestNote)] != 0;
}

void KeyboardView::setPressed(int note, bool down)
{
    if (note >= kLowestNote && note <= kHighestPressable) {
        pressed_[static_cast<std::size_t>(note - kLowestNote)] = down ? 1 : 0;
    }
}

void KeyboardView::send(std::uint8_t status, int note, std::uint8_t velocity)
{
    const std::uint8_t bytes[3] = {status, static_cast<std::uint8_t>(note), velocity};
    context_.sendMidi(bytes);
}

void KeyboardView::endNote()
{
    if (lastNote_ >= 0 && lastNote_ <= 127) {
        send(0x80, lastNote_, 0);
        setPressed(lastNote_, false);
    }
    lastNote_ = -1;
    playing_ = false;
    invalidate();
}

bool KeyboardView::onEvent(const gui::InputEvent& event)
{
    const double x = event.position.x - bounds().x;
    const double y = event.position.y - bounds().y;
    switch (event.kind) {
    case gui::EventKind::MouseDown:
        if (event.button != gui::MouseButton::Left) {
            return false;
        }
        playing_ = true;
        lastNote_ = -1;
        [[fallthrough]];
    case gui::EventKind::MouseMove: {
        if (!playing_) {
            return false;
        }
        if (!bounds().contains(event.position)) {
            // Leaving the keys ends the gesture, as letting go does.
            endNote();
            return true;
        }
        const int note = noteAt(x, y);
        if (note != lastNote_) {
            if (lastNote_ >= 1 && lastNote_ <= 127) {
                send(0x80, lastNote_, 0);
                setPressed(lastNote_, false);
            }
            if (note >= 0 && note <= 127) {
                send(0x90, note, 127);
                setPressed(note, true);
            }
            lastNote_ = note;
            invalidate();
        }
        return true;
    }
    case gui::EventKind::MouseUp:
        if (playing_) {
            endNote();
        }
        return true;
    default:
        return false;
    }
}

void KeyboardView::pollHeldKeys()
{
    bool changed = false;
    for (int note = 0; note < 128; ++note) {
        const bool held = context_.engine().keyHeld(note);
        if (held != hostHeld_[static_cast<std::size_t>(note)]) {
            hostHeld_[static_cast<std::size_t>(note)] = held;
            changed = true;
        }
    }
    if (changed) {
        invalidate();
    }
}

bool KeyboardView::shownPressed(int note) const
{
    return pressed(note) || (note >= 0 && note < 128 && hostHeld_[static_cast<std::size_t>(note)]);
}

void KeyboardView::draw(cairo_t* cr)
{
    const gui::Rect& b = bounds();
    const int octaveWidth = 7 * whiteWidth_;
    fillRect(cr, gui::Rect{b.x, b.y, kOctaves * octaveWidth + whiteWidth_ + 1, b.height}, Colour{0.05, 0.05, 0.06});
    cairo_set_line_width(cr, 1.0);
    for (int pass = 0; pass < 2; ++pass) {
        const bool black = pass == 1;
        for (int octave = 0; octave <= kOctaves; ++octave) {
            for (int s = 0; s < 12; ++s) {
                if (kBlack[s] != black) {
                    continue;
                }
                const int note = kLowestNote + 12 * octave + s;
                if (note > kHighestPressable) {
                    continue;
                }
                const int x = b.x + octave * octaveWidth + keyOffset(s);
                const gui::Rect key{x, b.y, black ? blackWidth_ : whiteWidth_, black ? blackHeight() : whiteHeight()};
                const bool down = shownPressed(note);
                Colour face = black ? Colour{0.10, 0.10, 0.11} : Colour{0.93, 0.92, 0.88};
                if (down) {
                    face = black ? Colour{0.85, 0.50, 0.15} : Colour{1.00, 0.72, 0.35};
                }
                fillRect(cr, key, face);
                strokeRect(cr, key, Colour{0.15, 0.15, 0.15});
                if (!black && s == 0) {
                    char label[16];
                    std::snprintf(label, sizeof label, "C%d", note / 12 - 1);
                    drawText(cr, x + 3, b.y + whiteHeight() - 4, label, 9, Colour{0.35, 0.35, 0.38});
                }
            }
        }
    }
}

} // namespace tessarine
