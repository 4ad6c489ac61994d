#include "gui/X11PopupMenu.h"

#include "gui/OptionMenu.h"
#include "gui/Theme.h"
#include "gui/X11ImageCopy.h"

#include <X11/keysym.h>

#include <algorithm>

namespace tessarine::gui {

namespace {

constexpr int kRowHeight = 18;
constexpr int kBorder = 2;
constexpr int kPadding = 10;
constexpr int kArrowSpace = 14;

} // namespace

X11PopupMenu::X11PopupMenu(Display* display, Window owner) : display_(display), owner_(owner) {}

X11PopupMenu::~X11PopupMenu()
{
    dismiss();
}

void X11PopupMenu::present(OptionMenu& menu)
{
    dismiss();
    if (menu.entryCount() == 0) {
        return;
    }
    std::vector<Item> items;
    if (menu.groups().empty()) {
        items.reserve(static_cast<std::size_t>(menu.entryCount()));
        for (int i = 0; i < menu.entryCount(); ++i) {
            items.push_back(
                Item{menu.entryText(i), menu.hasSubmenu(i), !menu.hasTitle() && i == menu.currentEntry()});
        }
    } else {
        for (const EntryGroup& group : menu.groups()) {
            const bool plain = group.title.empty() && group.entries.size() == 1;
            const bool current = std::find(group.entries.begin(), group.entries.end(), menu.currentEntry())
                != group.entries.end();
            items.push_back(Item{plain ? menu.entryText(group.entries.front()) : group.title, !plain, current});
        }
    }
    const Rect& b = menu.bounds();
    int rootX = 0;
    int rootY = 0;
    Window child = 0;
    XTranslateCoordinates(display_, owner_, DefaultRootWindow(display_), b.x, b.bottom(), &rootX, &rootY, &child);
    if (!openPopup(main_, std::move(items), rootX, rootY, b.width)) {
        return;
    }
    menu_ = &menu;
    movedSinceOpen_ = false;
    grabbed_ = XGrabPointer(display_, main_.window, True, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                            GrabModeAsync, GrabModeAsync, None, None, CurrentTime)
        == GrabSuccess;
    // Keys go to the menu while it is open, wherever the host keeps the focus.
    keysGrabbed_ = XGrabKeyboard(display_, main_.window, True, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess;
    XFlush(display_);
    menu.invalidate();
}

void X11PopupMenu::dismiss()
{
    closePopup(sub_);
    closePopup(main_);
    if (grabbed_) {
        XUngrabPointer(display_, CurrentTime);
        grabbed_ = false;
    }
    if (keysGrabbed_) {
        XUngrabKeyboard(display_, CurrentTime);
        keysGrabbed_ = false;
    }
    XFlush(display_);
    if (menu_ != nullptr) {
        OptionMenu* menu = menu_;
        menu_ = nullptr;
        menu->invalidate();
    }
}

bool X11PopupMenu::openPopup(Popup& popup, std::vector<Item> items, int x, int y, int minWidth)
{
    closePopup(popup);
    int screen = DefaultScreen(display_);
    int screenWidth = DisplayWidth(display_, screen);
    int screenHeight = DisplayHeight(display_, screen);

    // Measure the texts once on a scratch surface.
    cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    cairo_t* cr = cairo_create(scratch);
    double widest = 0;
    bool anySubmenu = false;
    for (const Item& item : items) {
        widest = std::max(widest, textWidth(cr, item.text, textsize::kLabel));
        anySubmenu = anySubmenu || item.hasSubmenu;
    }
    cairo_destroy(cr);
    cairo_surface_destroy(scratch);

    // Long lists (a category of 128 instruments) run on in further columns
    // rather than off the screen.
    int count = static_cast<int>(items.size());
    popup.rowsPerColumn = std::clamp((screenHeight - 2 * kBorder - 8) / kRowHeight, 1, std::max(1, count));
    int columns = (count + popup.rowsPerColumn - 1) / popup.rowsPerColumn;
    // A few pixels spare: the window's font options may set text a little wider.
    popup.columnWidth = std::max(static_cast<int>(widest) + 6 + 2 * kPadding + (anySubmenu ? kArrowSpace : 0),
                                 columns == 1 ? minWidth : 0);
    popup.columnWidth = std::min(popup.columnWidth, std::max(1, screenWidth - 2 * kBorder));
    popup.columns = columns;
    popup.shownColumns = std::clamp((screenWidth - 2 * kBorder) / popup.columnWidth, 1, columns);
    popup.firstColumn = 0;
    int width = popup.shownColumns * popup.columnWidth + 2 * kBorder;
    int height = popup.rowsPerColumn * kRowHeight + 2 * kBorder;
    x = std::clamp(x, 0, std::max(0, screenWidth - width));
    y = std::clamp(y, 0, std::max(0, screenHeight - height));

    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.save_under = True;
    attributes.event_mask
        = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask | KeyReleaseMask;
    popup.window = XCreateWindow(display_, DefaultRootWindow(display_), x, y, static_cast<unsigned>(width),
                                 static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                                 CWOverrideRedirect | CWSaveUnder | CWEventMask, &attributes);
    if (popup.window == 0) {
        return false;
    }
    popup.image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    popup.toWindow = std::make_unique<X11ImageCopy>(display_, popup.window, width, height);
    popup.area = Rect{x, y, width, height};
    popup.items = std::move(items);
    popup.hover = -1;
    XMapRaised(display_, popup.window);
    return true;
}

void X11PopupMenu::closePopup(Popup& popup)
{
    popup.toWindow.reset();
    if (popup.image != nullptr) {
        cairo_surface_destroy(popup.image);
        popup.image = nullptr;
    }
    if (popup.window != 0) {
        XDestroyWindow(display_, popup.window);
        popup.window = 0;
    }
    popup.items.clear();
    popup.hover = -1;
    popup.ownerEntry = -1;
}

Rect X11PopupMenu::itemRect(const Popup& popup, int index) const
{
    int column = index / popup.rowsPerColumn - popup.firstColumn;
    int row = index % popup.rowsPerColumn;
    return Rect{kBorder + column * popup.columnWidth, kBorder + row * kRowHeight, popup.columnWidth, kRowHeight};
}

int X11PopupMenu::itemAt(const Popup& popup, int rootX, int rootY) const
{
    if (popup.window == 0 || !popup.area.contains(Point{double(rootX), double(rootY)})) {
        return -1;
    }
    int x = rootX - popup.area.x - kBorder;
    int y = rootY - popup.area.y - kBorder;
    if (x < 0 || y < 0 || popup.columnWidth <= 0) {
        return -1;
    }
    int column = x / popup.columnWidth;
    int row = y / kRowHeight;
    if (row >= popup.rowsPerColumn || column >= popup.shownColumns) {
        return -1;
    }
    int index = (column + popup.firstColumn) * popup.rowsPerColumn + row;
    return index < static_cast<int>(popup.items.size()) ? index : -1;
}

void X11PopupMenu::paint(Popup& popup)
{
    if (popup.image == nullptr || !popup.toWindow) {
        return;
    }
    cairo_t* cr = cairo_create(popup.image);
    setColour(cr, palette::kPanel);
    cairo_paint(cr);
    cairo_rectangle(cr, 0.5, 0.5, popup.area.width - 1, popup.area.height - 1);
    setColour(cr, palette::kPanelEdge);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    const int firstShown = popup.firstColumn * popup.rowsPerColumn;
    const int endShown = std::min(static_cast<int>(popup.items.size()),
                                  (popup.firstColumn + popup.shownColumns) * popup.rowsPerColumn);
    for (int i = firstShown; i < endShown; ++i) {
        const Item& item = popup.items[static_cast<std::size_t>(i)];
        Rect r = itemRect(popup, i);
        bool lit = i == popup.hover || (&popup == &main_ && i == sub_.ownerEntry && sub_.window != 0);
        if (lit) {
            cairo_rectangle(cr, r.x, r.y, r.width, r.height);
            setColour(cr, palette::kHighlight);
            cairo_fill(cr);
        }
        Rect textBox{r.x + kPadding, r.y, r.width - 2 * kPadding - (item.hasSubmenu ? kArrowSpace : 0), r.height};
        drawText(cr, item.text, textBox, textsize::kLabel, Align::Left,
                 item.current ? palette::kAccent : palette::kText, item.current);
        if (item.hasSubmenu) {
            double ax = r.right() - kPadding - 2;
            double ay = r.y + r.height / 2.0;
            cairo_move_to(cr, ax - 3, ay - 4);
            cairo_line_to(cr, ax + 1, ay);
            cairo_line_to(cr, ax - 3, ay + 4);
            cairo_close_path(cr);
            setColour(cr, palette::kTextDim);
            cairo_fill(cr);
        }
    }
    // Columns scrolled out of sight: a notch at the side that holds more.
    setColour(cr, palette::kAccent);
    if (popup.firstColumn > 0) {
        cairo_rectangle(cr, 0, 0, kBorder + 1, popup.area.height);
        cairo_fill(cr);
    }
    if (popup.firstColumn + popup.shownColumns < popup.columns) {
        cairo_rectangle(cr, popup.area.width - kBorder - 1, 0, kBorder + 1, popup.area.height);
        cairo_fill(cr);
    }
    cairo_destroy(cr);
    popup.toWindow->copy(popup.image, Rect{0, 0, popup.area.width, popup.area.height});
}

void X11PopupMenu::openSubmenu(int entry)
{
    if (menu_ == nullptr || (sub_.window != 0 && sub_.ownerEntry == entry)) {
        return;
    }
    std::vector<Item> items;
    if (menu_->groups().empty()) {
        for (const std::string& text : menu_->submenu(entry)) {
            items.push_back(Item{text, false, false});
        }
    } else if (entry >= 0 && entry < static_cast<int>(menu_->groups().size())) {
        for (int e : menu_->groups()[static_cast<std::size_t>(entry)].entries) {
            items.push_back(Item{menu_->entryText(e), false, e == menu_->currentEntry()});
        }
    }
    closePopup(sub_);
    if (items.empty()) {
        return;
    }
    Rect r = itemRect(main_, entry);
    if (openPopup(sub_, std::move(items), main_.area.x + r.right(), main_.area.y + r.y - kBorder, 0)) {
        sub_.ownerEntry = entry;
    }
}

void X11PopupMenu::hover(int rootX, int rootY)
{
    int subItem = itemAt(sub_, rootX, rootY);
    if (sub_.window != 0 && sub_.area.contains(Point{double(rootX), double(rootY)})) {
        if (subItem != sub_.hover) {
            sub_.hover = subItem;
            paint(sub_);
        }
        return;
    }
    int item = itemAt(main_, rootX, rootY);
    if (item < 0) {
        return;
    }
    if (item != main_.hover) {
        main_.hover = item;
        if (main_.items[static_cast<std::size_t>(item)].hasSubmenu) {
            openSubmenu(item);
        } else {
            closePopup(sub_);
        }
        paint(main_);
    }
}

void X11PopupMenu::release(int rootX, int rootY)
{
    if (menu_ == nullptr) {
        return;
    }
    int subItem = itemAt(sub_, rootX, rootY);
    int item = itemAt(main_, rootX, rootY);
    OptionMenu* menu = menu_;
    const bool grouped = !menu->groups().empty();
    if (subItem >= 0) {
        int entry = sub_.ownerEntry;
        const int flat = grouped ? groupedEntry(entry, subItem) : -1;
        dismiss();
        if (grouped) {
            menu->choose(flat);
        } else {
            menu->choose(entry, subItem);
        }
    } else if (item >= 0 && !main_.items[static_cast<std::size_t>(item)].hasSubmenu && movedSinceOpen_) {
        const int flat = grouped ? groupedEntry(item, -1) : item;
        dismiss();
        menu->choose(flat);
    }
}

int X11PopupMenu::groupedEntry(int item, int subItem) const
{
    const auto& groups = menu_->groups();
    if (item < 0 || item >= static_cast<int>(groups.size())) {
        return -1;
    }
    const auto& entries = groups[static_cast<std::size_t>(item)].entries;
    const int at = subItem < 0 ? 0 : subItem;
    return at < static_cast<int>(entries.size()) ? entries[static_cast<std::size_t>(at)] : -1;
}

void X11PopupMenu::scroll(int rootX, int rootY, int columns)
{
    const Point at{double(rootX), double(rootY)};
    Popup& popup = sub_.window != 0 && sub_.area.contains(at) ? sub_ : main_;
    const int first = std::clamp(popup.firstColumn + columns, 0, std::max(0, popup.columns - popup.shownColumns));
    if (first == popup.firstColumn) {
        return;
    }
    popup.firstColumn = first;
    if (&popup == &main_) {
        closePopup(sub_);
    }
    popup.hover = itemAt(popup, rootX, rootY);
    paint(popup);
}

bool X11PopupMenu::handleEvent(const XEvent& event)
{
    if (main_.window == 0) {
        return false;
    }
    Window w = event.xany.window;
    bool ours = w == main_.window || (sub_.window != 0 && w == sub_.window);
    switch (event.type) {
    case Expose:
        if (ours && event.xexpose.count == 0) {
            paint(w == main_.window ? main_ : sub_);
        }
        return ours;
    case MotionNotify:
        if (!ours) {
            return false;
        }
        movedSinceOpen_ = true;
        hover(event.xmotion.x_root, event.xmotion.y_root);
        return true;
    case ButtonPress: {
        if (event.xbutton.button >= Button4 && event.xbutton.button <= 7) {
            // Away from the user (up, left) shows earlier columns.
            const unsigned b = event.xbutton.button;
            scroll(event.xbutton.x_root, event.xbutton.y_root, b == Button4 || b == 6 ? -1 : 1);
            return true;
        }
        int x = event.xbutton.x_root;
        int y = event.xbutton.y_root;
        bool inside = main_.area.contains(Point{double(x), double(y)})
            || (sub_.window != 0 && sub_.area.contains(Point{double(x), double(y)}));
        if (!inside) {
            // A press anywhere else closes the pop-up, and goes no further.
            dismiss();
            return true;
        }
        movedSinceOpen_ = true;
        return true;
    }
    case ButtonRelease:
        if (event.xbutton.button >= Button4 && event.xbutton.button <= 7) {
            return true;
        }
        if (!ours) {
            return false;
        }
        release(event.xbutton.x_root, event.xbutton.y_root);
        return true;
    case KeyPress:
        key(event.xkey);
        return true;
    case KeyRelease:
        // The keyboard belongs to the open menu: nothing reaches the editor.
        return true;
    default:
        return ours;
    }
}

// As in every menu: Escape closes without a choice, the arrows move the
// highlight (Right into a submenu, Left back out), Return chooses.
void X11PopupMenu::key(XKeyEvent keyEvent)
{
    const KeySym sym = XLookupKeysym(&keyEvent, 0);
    const bool inSub = sub_.window != 0 && sub_.hover >= 0;
    Popup& popup = inSub ? sub_ : main_;
    const int count = static_cast<int>(popup.items.size());
    switch (sym) {
    case XK_Escape:
        dismiss();
        return;
    case XK_Up:
    case XK_Down:
        if (count > 0) {
            const int step = sym == XK_Up ? -1 : 1;
            popup.hover = popup.hover < 0 ? (step > 0 ? 0 : count - 1) : (popup.hover + step + count) % count;
            if (&popup == &main_) {
                if (main_.items[static_cast<std::size_t>(main_.hover)].hasSubmenu) {
                    openSubmenu(main_.hover);
                } else {
                    closePopup(sub_);
                }
            }
            paint(popup);
        }
        return;
    case XK_Right:
        if (!inSub && sub_.window != 0 && !sub_.items.empty()) {
            sub_.hover = 0;
            paint(sub_);
        }
        return;
    case XK_Left:
        if (inSub) {
            sub_.hover = -1;
            paint(sub_);
        }
        return;
    case XK_Return:
    case XK_KP_Enter:
        if (popup.hover >= 0) {
            const Rect r = itemRect(popup, popup.hover);
            movedSinceOpen_ = true;
            release(popup.area.x + static_cast<int>(r.x + r.width / 2), popup.area.y + static_cast<int>(r.y + r.height / 2));
        }
        return;
    default:
        return;
    }
}

} // namespace tessarine::gui
