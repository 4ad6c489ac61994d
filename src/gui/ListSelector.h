#pragma once
// A fixed list of texts, one shown at a time, with up and down arrows at the
// right edge. The value is entry number / entries; the shown entry is
// trunc(value × entries + 0.001), at most the last.
// - Dragging vertically in the text area moves the value continuously by
//   (press y − pointer y) / entries × 0.25, so 4 pixels step one entry.
// - Pressing the upper half of the arrows selects the next entry, the lower
//   half the previous one; held, the step repeats every 167 ms.
// - The wheel steps one entry per notch.
// Every change is reported. The text is drawn with the glyph font; characters
// that do not fit are left out.

#include "gui/Control.h"
#include "gui/GlyphFont.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tessarine::gui {

class ListSelector : public Control {
public:
    static constexpr int kArrowWidth = 11;
    static constexpr int kRepeatMs = 167;
    static constexpr std::size_t kMaxTextLength = 255;
    static constexpr double kDragPerEntry = 0.25;

    ListSelector(Rect bounds, int tag, ControlListener* listener, int entries,
                 std::shared_ptr<const GlyphFont> font);
    ~ListSelector() override;

    int entryCount() const { return static_cast<int>(texts_.size()); }
    // Texts longer than 255 characters are cut; numbers outside the list are ignored.
    void setEntry(int entry, std::string_view text);
    const std::string& entryText(int entry) const;

    // The entry a value shows among the given number of entries.
    static int entryOf(float value, int entries);
    static float valueOf(int entry, int entries);
    int shownEntry() const { return entryOf(value(), entryCount()); }

    Rect textArea() const;
    Rect arrowArea() const;

    bool onEvent(const InputEvent& event) override;
    void onTimer(int timerId) override;
    void draw(cairo_t* cr) override;

private:
    void step(int direction);
    void moveTo(float value);
    void stopRepeat();

    std::vector<std::string> texts_;
    std::shared_ptr<const GlyphFont> font_;
    enum class Gesture { None, Drag, Arrow } gesture_ = Gesture::None;
    float valueAtPress_ = 0;
    double yAtPress_ = 0;
    int direction_ = 0;
    int timerId_ = 0;
};

} // namespace tessarine::gui
