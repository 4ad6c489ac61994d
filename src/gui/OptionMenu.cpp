#include "gui/OptionMenu.h"

#include "gui/Frame.h"
#include "gui/MenuPresenter.h"
#include "gui/Theme.h"

#include <cmath>

namespace tessarine::gui {

namespace {

const std::string kNoText;
const std::vector<std::string> kNoItems;

} // namespace

bool HeadlessMenuPresenter::choose(int entry, int subEntry)
{
    OptionMenu* menu = active_;
    active_ = nullptr;
    return menu != nullptr && menu->choose(entry, subEntry);
}

OptionMenu::OptionMenu(Rect bounds, int tag, ControlListener* listener) : Control(bounds, tag, listener) {}

OptionMenu::~OptionMenu() = default;

void OptionMenu::clear()
{
    entries_.clear();
    groups_.clear();
    lastChoice_ = {};
    setValue(0);
    invalidate();
}

int OptionMenu::addEntry(std::string text)
{
    if (entries_.size() >= kMaxEntries) {
        return -1;
    }
    entries_.push_back(Entry{std::move(text), {}, false});
    invalidate();
    return entryCount() - 1;
}

int OptionMenu::addSubmenu(std::string text, std::vector<std::string> items)
{
    if (entries_.size() >= kMaxEntries) {
        return -1;
    }
    if (items.size() > kMaxEntries) {
        items.resize(kMaxEntries);
    }
    entries_.push_back(Entry{std::move(text), std::move(items), true});
    invalidate();
    return entryCount() - 1;
}

const std::string& OptionMenu::entryText(int entry) const
{
    return entry >= 0 && entry < entryCount() ? entries_[static_cast<std::size_t>(entry)].text : kNoText;
}

bool OptionMenu::hasSubmenu(int entry) const
{
    return entry >= 0 && entry < entryCount() && entries_[static_cast<std::size_t>(entry)].hasSubmenu;
}

const std::vector<std::string>& OptionMenu::submenu(int entry) const
{
    return hasSubmenu(entry) ? entries_[static_cast<std::size_t>(entry)].items : kNoItems;
}

int OptionMenu::currentEntry() const
{
    return entries_.empty() ? -1 : static_cast<int>(value());
}

std::string OptionMenu::lastChoiceText() const
{
    if (lastChoice_.subEntry >= 0) {
        const auto& items = submenu(lastChoice_.entry);
        return static_cast<std::size_t>(lastChoice_.subEntry) < items.size()
            ? items[static_cast<std::size_t>(lastChoice_.subEntry)]
            : std::string();
    }
    return entryText(lastChoice_.entry);
}

void OptionMenu::setTitle(std::string title)
{
    title_ = std::move(title);
    hasTitle_ = true;
    invalidate();
}

std::string OptionMenu::shownText() const
{
    return hasTitle_ ? title_ : entryText(currentEntry());
}

bool OptionMenu::choose(int entry, int subEntry)
{
    if (entry < 0 || entry >= entryCount()) {
        return false;
    }
    if (hasSubmenu(entry)) {
        if (subEntry < 0 || static_cast<std::size_t>(subEntry) >= submenu(entry).size()) {
            return false;
        }
    } else if (subEntry != -1) {
        return false;
    }
    lastChoice_ = MenuChoice{entry, subEntry};
    setValue(static_cast<float>(entry));
    invalidate();
    report();
    return true;
}

bool OptionMenu::isPoppedUp() const
{
    Frame* f = frame();
    return f != nullptr && f->menuPresenter() != nullptr && f->menuPresenter()->activeMenu() == this;
}

float OptionMenu::constrain(float value) const
{
    if (!std::isfinite(value) || value < 0 || entries_.empty()) {
        return 0;
    }
    float last = static_cast<float>(entries_.size() - 1);
    return std::floor(value > last ? last : value);
}

bool OptionMenu::onEvent(const InputEvent& event)
{
    if (event.kind != EventKind::MouseDown || event.button != MouseButton::Left) {
        return event.kind == EventKind::MouseUp || event.kind == EventKind::MouseMove;
    }
    Frame* f = frame();
    if (f != nullptr && f->menuPresenter() != nullptr && !entries_.empty()) {
        f->menuPresenter()->present(*this);
    }
    return true;
}

void OptionMenu::draw(cairo_t* cr)
{
    const Rect& b = bounds();
    drawButtonFace(cr, b, false, isPoppedUp());
    // A small down-pointing triangle marks the pop-up.
    double ax = b.right() - 10.5;
    double ay = b.y + b.height / 2.0;
    cairo_save(cr);
    cairo_move_to(cr, ax - 3.5, ay - 2);
    cairo_line_to(cr, ax + 3.5, ay - 2);
    cairo_line_to(cr, ax, ay + 2.5);
    cairo_close_path(cr);
    setColour(cr, palette::kAccent);
    cairo_fill(cr);
    cairo_restore(cr);
    drawText(cr, shownText(), Rect{b.x + 6, b.y, b.width - 22, b.height}, textsize::kLabel, Align::Left,
             palette::kText);
}

} // namespace tessarine::gui
