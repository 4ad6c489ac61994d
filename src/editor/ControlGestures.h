#pragma once
// The gestures every value control shares, as musicians expect them of an
// instrument: a double click (or Return on the control last pressed) opens a
// line to type the value in the display's units, read by the same parser as
// the hosts' typed values; Ctrl-click puts the start value back; a right click
// opens the control's menu (type value, reset, MIDI learn, forget learn, the
// list of learned controllers; on the Learn button, every learned controller
// to forget); a resting pointer shows the control's name,
// value and what it does. Each change leaves through the editor's listener,
// exactly as a drag's does.
//
// MIDI learn is shown here too: while learn is armed the control pressed last
// becomes the target, outlined until a controller binds it, and every bound
// control carries its controller's number ("CC 74").
//
// User-interface thread only. The engine's learn fields are atomics; the
// audio thread binds, and the next idle redraws the marks.

#include "gui/Control.h"
#include "gui/GestureListener.h"
#include "gui/Geometry.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tessarine {

namespace gui {
class Frame;
class OptionMenu;
class TextEdit;
} // namespace gui

class EditorPages;
class SynthEngine;

class ControlGestures final : public gui::GestureListener, public gui::ControlListener {
public:
    using MessageBox = std::function<void(const char* text, const char* caption)>;

    // editor: the listener of every control, which takes their changes to the host.
    ControlGestures(gui::Frame& frame, const EditorPages& pages, gui::ControlListener& editor, SynthEngine& engine,
                    MessageBox messageBox);
    ~ControlGestures() override;

    ControlGestures(const ControlGestures&) = delete;
    ControlGestures& operator=(const ControlGestures&) = delete;

    bool controlPressed(gui::Control& control, const gui::InputEvent& event) override;
    void controlDoubleClicked(gui::Control& control) override;
    bool controlKey(gui::Control& control, const gui::InputEvent& event) override;
    std::string tooltip(gui::View& view) override;
    void paintOver(cairo_t* cr) override;
    // The control menu's choices and the value line's text.
    void valueChanged(gui::Control& control) override;

    // Removes a value line that is done and redraws the learn marks after a binding.
    void idle();

    // The line typing a value, while one is open.
    gui::TextEdit* valueLine() const { return line_; }

    // What the value line says after a text no value shows.
    const std::string& refusal() const { return refusal_; }

private:
    enum class Action { TypeValue, Reset, Learn, Forget, ForgetAll, Bindings };
    struct MenuItem {
        Action action;
        int tag;  // the value it acts on
    };

    void openValueLine(gui::Control& control);
    void openMenu(gui::Control& control, gui::Point at);
    // The Learn button's menu: every learned controller to forget, and the list.
    void openLearnMenu(gui::Control& button, gui::Point at);
    void present(std::vector<std::pair<std::string, MenuItem>> items, gui::Control& control, gui::Point at);
    void apply(gui::Control& control, float value);
    void learn(gui::Control& control);
    void showBindings();
    void refuse(std::string text, gui::Rect near);
    std::uint64_t learnState() const;
    gui::Control* shownControl(int tag) const;

    gui::Frame& frame_;
    const EditorPages& pages_;
    gui::ControlListener& editor_;
    SynthEngine& engine_;
    MessageBox messageBox_;

    gui::TextEdit* line_ = nullptr;  // a child of the frame while open
    gui::Control* lineFor_ = nullptr;
    std::unique_ptr<gui::OptionMenu> menu_;
    gui::Control* menuFor_ = nullptr;
    std::vector<MenuItem> menuItems_;
    std::string refusal_;
    gui::Rect refusalArea_;
    std::uint64_t shownLearn_ = 0;
};

} // namespace tessarine
