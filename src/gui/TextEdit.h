#pragma once
// One editable line of text (a voice's name). A click takes the key focus;
// Return, or the focus moving elsewhere, ends the edit and reports it when the
// text changed; Escape puts the text back as it was. The value is untouched:
// the listener reads text().

#include "gui/Control.h"

#include <string>
#include <string_view>

namespace tessarine::gui {

class TextEdit : public Control {
public:
    static constexpr std::size_t kDefaultMaxLength = 255;

    TextEdit(Rect bounds, int tag, ControlListener* listener, std::size_t maxLength = kDefaultMaxLength);

    const std::string& text() const { return text_; }
    // Shows a text from outside without reporting (cut to the maximum length).
    void setText(std::string_view text);
    std::size_t maxLength() const { return maxLength_; }

    bool isEditing() const { return editing_; }

    // Each edit starts with the whole text chosen: the first character typed
    // replaces it, Backspace or Delete empties it, an arrow keeps it (a typed
    // value's line, which shows the value it replaces).
    void setWholeTextChosenOnEdit(bool chosen) { chooseWholeText_ = chosen; }

    bool onEvent(const InputEvent& event) override;
    void onFocusChanged(bool focused) override;
    void draw(cairo_t* cr) override;

private:
    void commit();
    void insert(int codePoint);

    std::string text_;
    std::string textBeforeEdit_;
    std::size_t maxLength_;
    std::size_t caret_ = 0;
    bool editing_ = false;
    bool chooseWholeText_ = false;
    bool wholeTextChosen_ = false;
};

} // namespace tessarine::gui
