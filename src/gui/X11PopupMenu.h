#pragma once
// The X11 presenter of option menus: an override-redirect window under the
// menu, with a second one beside it for a submenu, holding the pointer grab
// while open. A press outside the pop-ups closes them without a choice; a
// release on an entry chooses it; the keyboard works them as any menu's.
// Long lists run on in columns; when even the screen's width cannot hold
// them, the wheel scrolls the columns. The wheel never chooses. Used by
// X11Window; its events arrive through the window's idle on the same display
// connection.

#include "gui/Geometry.h"
#include "gui/MenuPresenter.h"
#include "gui/OptionMenu.h"

// Xlib defines None, Bool and the like as macros: it comes after our headers.
#include <X11/Xlib.h>

#include <cairo.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tessarine::gui {

class X11ImageCopy;

class X11PopupMenu : public MenuPresenter {
public:
    // owner: the window holding the frame, whose coordinates the menus' bounds use.
    X11PopupMenu(Display* display, Window owner);
    ~X11PopupMenu() override;

    X11PopupMenu(const X11PopupMenu&) = delete;
    X11PopupMenu& operator=(const X11PopupMenu&) = delete;

    void present(OptionMenu& menu) override;
    void dismiss() override;
    OptionMenu* activeMenu() const override { return menu_; }

    // True when the event belonged to a pop-up (or the grab) and was handled.
    bool handleEvent(const XEvent& event);

    // The main pop-up as shown: where on the screen, its rows per column and
    // the first column in sight (0 unless it was scrolled).
    Rect popupArea() const { return main_.area; }
    int rowsPerColumn() const { return main_.rowsPerColumn; }
    int firstShownColumn() const { return main_.firstColumn; }

private:
    struct Item {
        std::string text;
        bool hasSubmenu = false;
        bool current = false;
    };

    struct Popup {
        Window window = 0;
        cairo_surface_t* image = nullptr;  // drawn here, then copied to the window
        std::unique_ptr<X11ImageCopy> toWindow;
        Rect area;  // root coordinates
        std::vector<Item> items;
        int rowsPerColumn = 1;
        int columnWidth = 0;
        int columns = 1;         // all the list needs
        int shownColumns = 1;    // what the screen holds
        int firstColumn = 0;     // scrolled by the wheel
        int hover = -1;
        int ownerEntry = -1;  // for a submenu: the entry of the main pop-up holding it
    };

    // The menu's entry an item of the main pop-up (item) or of its submenu
    // (subItem >= 0) stands for, when the menu is grouped; -1 for none.
    int groupedEntry(int item, int subItem) const;

    bool openPopup(Popup& popup, std::vector<Item> items, int x, int y, int minWidth);
    void closePopup(Popup& popup);
    void paint(Popup& popup);
    int itemAt(const Popup& popup, int rootX, int rootY) const;
    Rect itemRect(const Popup& popup, int index) const;  // popup coordinates
    void hover(int rootX, int rootY);
    void release(int rootX, int rootY);
    void key(XKeyEvent keyEvent);
    void openSubmenu(int entry);
    void scroll(int rootX, int rootY, int columns);

    Display* display_;
    Window owner_;
    OptionMenu* menu_ = nullptr;
    Popup main_;
    Popup sub_;
    bool grabbed_ = false;
    bool keysGrabbed_ = false;
    bool movedSinceOpen_ = false;
};

} // namespace tessarine::gui
