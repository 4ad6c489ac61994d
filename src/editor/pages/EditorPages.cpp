#include "editor/pages/EditorPages.h"

#include "editor/pages/ControlFactory.h"
#include "editor/pages/SectionShade.h"

namespace tessarine {

namespace {

// A page covers the whole frame, so that page positions can reach into the
// top bar's free corners, but only its controls take the mouse: a click that
// hits none falls through to the top bar.
class PageContainer final : public gui::Container {
public:
    PageContainer() : Container(gui::Rect{0, 0, kEditorWidth, kEditorHeight}) {}

    gui::View* hitTest(gui::Point p) override
    {
        gui::View* hit = Container::hitTest(p);
        return hit == this ? nullptr : hit;
    }
};

} // namespace

EditorPages::EditorPages(gui::Frame& frame, gui::ControlListener& listener, const CustomViewContext& context)
    : frame_(frame), resources_(std::make_unique<ControlResources>())
{
    for (const ControlRow& row : topBarControls()) {
        place(kTopBar, row, frame_, gui::Point{0, 0}, listener, context);
    }
    for (int p = 0; p < kPageCount; ++p) {
        auto page = std::make_unique<PageContainer>();
        for (const ControlRow& row : pageControls(p)) {
            place(p, row, *page, kPageOrigin, listener, context);
        }
        // Over the section's controls, so that they are drawn first.
        for (const Section& section : pageSections(p)) {
            const gui::Control* sectionSwitch = control(p, section.switchTag);
            if (sectionSwitch == nullptr) {
                continue;
            }
            const gui::Rect area{section.area.x + static_cast<int>(kPageOrigin.x),
                                 section.area.y + static_cast<int>(kPageOrigin.y), section.area.width,
                                 section.area.height};
            shades_.push_back(page->add(std::make_unique<SectionShade>(area, *sectionSwitch)));
        }
        pages_[static_cast<std::size_t>(p)] = page.get();
        detached_[static_cast<std::size_t>(p)] = std::move(page);
    }
}

EditorPages::~EditorPages() = default;

void EditorPages::place(int page, const ControlRow& row, gui::Container& into, gui::Point origin,
                        gui::ControlListener& listener, const CustomViewContext& context)
{
    gui::Control* control = placeControl(row, origin, slotOfPage(page), into, listener, *resources_, context);
    if (control != nullptr && row.tag >= 0 && row.tag < kValueCount) {
        controls_[static_cast<std::size_t>(page)][static_cast<std::size_t>(row.tag)] = control;
    }
}

void EditorPages::showPage(int page)
{
    if (page < 0 || page >= kPageCount || page == shown_) {
        return;
    }
    if (shown_ >= 0) {
        auto& slot = detached_[static_cast<std::size_t>(shown_)];
        slot = frame_.release(pages_[static_cast<std::size_t>(shown_)]);
    }
    frame_.add(std::move(detached_[static_cast<std::size_t>(page)]));
    shown_ = page;
    frame_.invalidateRect(frame_.bounds());
}

gui::Control* EditorPages::control(int page, int tag) const
{
    if (page < 0 || page > kTopBar || tag < 0 || tag >= kValueCount) {
        return nullptr;
    }
    return controls_[static_cast<std::size_t>(page)][static_cast<std::size_t>(tag)];
}

gui::Control* EditorPages::visibleControl(int tag) const
{
    if (gui::Control* c = control(kTopBar, tag)) {
        return c;
    }
    return shown_ >= 0 ? control(shown_, tag) : nullptr;
}

void EditorPages::redrawSwitchedSections(int tag) const
{
    for (SectionShade* shade : shades_) {
        if (shade->switchTag() == tag) {
            shade->invalidate();
        }
    }
}

gui::Container* EditorPages::page(int page) const
{
    return page >= 0 && page < kPageCount ? pages_[static_cast<std::size_t>(page)] : nullptr;
}

} // namespace tessarine
