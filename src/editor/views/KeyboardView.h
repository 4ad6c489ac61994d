#pragma once
// The five-octave keyboard at the bottom of the editor (tag 254), with the
// top C that completes it (notes 36 to 96): the mouse
// plays the instrument through the same MIDI intake as the host, a glide
// across the keys ends each note before the next begins, and keys held by the
// mouse or by the host are drawn pressed.

#include "editor/views/ViewContext.h"
#include "gui/Control.h"

#include <array>
#include <cstdint>

namespace tessarine {

class KeyboardView : public gui::Control {
public:
    static constexpr int kLowestNote = 36; // a C
    static constexpr int kOctaves = 5;
    static constexpr int kHighestPressable = 96;

    KeyboardView(gui::Rect bounds, int tag, gui::ControlListener* listener, ViewContext& context);

    // Key widths and heights follow the view: 36 white keys across its width.
    int whiteWidth() const { return whiteWidth_; }
    int blackWidth() const { return blackWidth_; }
    int whiteHeight() const { return bounds().height; }
    int blackHeight() const { return bounds().height * 5 / 8; }

    // The note under a point relative to the view's top-left corner; black keys
    // win over the white keys beneath them. -1 where no key is (right of the top C).
    int noteAt(double x, double y) const;
    bool pressed(int note) const;
    // Offset of a semitone's key within its octave.
    int keyOffset(int semitone) const;

    // At the editor's idle: redraws when the host's held notes changed.
    void pollHeldKeys();

    bool onEvent(const gui::InputEvent& event) override;
    void draw(cairo_t* cr) override;

private:
    void send(std::uint8_t status, int note, std::uint8_t velocity);
    void endNote();
    void setPressed(int note, bool down);
    bool shownPressed(int note) const;

    ViewContext& context_;
    int whiteWidth_;
    int blackWidth_;
    std::array<std::uint8_t, kHighestPressable - kLowestNote + 1> pressed_{};
    std::array<bool, 128> hostHeld_{};
    bool playing_ = false;
    int lastNote_ = -1;
};

} // namespace tessarine
