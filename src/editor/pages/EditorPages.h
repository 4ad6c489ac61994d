#pragma once
// The built editor: the top bar placed in the frame, the eight page
// containers (only the shown one attached; the others wait detached), and the
// controls of every tag on each, so that a value reaches every control that
// shows it. Built at open, destroyed at close.

#include "editor/pages/ControlMap.h"
#include "editor/views/CustomViews.h"
#include "gui/Container.h"
#include "gui/Control.h"
#include "gui/Frame.h"

#include <array>
#include <memory>
#include <vector>

namespace tessarine {

class ControlResources;
class SectionShade;

class EditorPages {
public:
    static constexpr int kTopBar = kPageCount; // the controls shown on every page

    // Places the top bar into frame and builds the pages; shows none yet.
    EditorPages(gui::Frame& frame, gui::ControlListener& listener, const CustomViewContext& context);
    ~EditorPages();

    EditorPages(const EditorPages&) = delete;
    EditorPages& operator=(const EditorPages&) = delete;

    // Detaches the shown page and attaches page (0..7); -1 before the first.
    void showPage(int page);
    int shownPage() const { return shown_; }

    // The control of tag on page (or kTopBar); null when that page has none.
    gui::Control* control(int page, int tag) const;
    // The control of tag where the user can see it: the top bar or the shown page.
    gui::Control* visibleControl(int tag) const;

    // Calls fn for every control of tag, on every page, shown or not.
    template <typename Fn>
    void forEachControl(int tag, Fn&& fn) const
    {
        if (tag < 0 || tag >= kValueCount) {
            return;
        }
        for (const auto& page : controls_) {
            if (gui::Control* c = page[static_cast<std::size_t>(tag)]) {
                fn(*c);
            }
        }
    }

    // Every control of tag shows value.
    void moveControls(int tag, float value) const
    {
        forEachControl(tag, [value](gui::Control& c) { c.setValue(value); });
    }

    gui::Container* page(int page) const;

    // The sections that tag switches (an effect's On button) redraw, dimmed while it is off.
    void redrawSwitchedSections(int tag) const;

private:
    void place(int page, const ControlRow& row, gui::Container& into, gui::Point origin,
               gui::ControlListener& listener, const CustomViewContext& context);

    gui::Frame& frame_;
    std::unique_ptr<ControlResources> resources_;
    std::array<gui::Container*, kPageCount> pages_{};
    std::array<std::unique_ptr<gui::View>, kPageCount> detached_;
    std::array<std::array<gui::Control*, kValueCount>, kPageCount + 1> controls_{};
    std::vector<SectionShade*> shades_;
    int shown_ = -1;
};

} // namespace tessarine
