#pragma once
// A pop-up list of texts. Its value is the chosen entry's number (0, 1, 2, …),
// not a 0 … 1 fraction: the editor writes that number through the plug-in.
// An entry may carry a submenu (the library menus: one submenu per sub-folder);
// a choice inside a submenu sets the value to the entry holding the submenu,
// and lastChoice() tells which of its items was taken.
// The pop-up itself is shown by the frame's MenuPresenter (an X11 window, or a
// stand-in that tests drive); choose() takes a choice as the user's.

#include "gui/Control.h"

#include <string>
#include <string_view>
#include <vector>

namespace tessarine::gui {

// Entries shown together in one submenu of the pop-up, for long lists: the
// value stays the flat entry number. A group of one entry and no title shows
// as that entry itself.
struct EntryGroup {
    std::string title;
    std::vector<int> entries;
};

struct MenuChoice {
    int entry = -1;     // entry of the menu itself
    int subEntry = -1;  // item of that entry's submenu, or -1

    bool operator==(const MenuChoice&) const = default;
};

class OptionMenu : public Control {
public:
    static constexpr std::size_t kMaxEntries = 1024;

    OptionMenu(Rect bounds, int tag, ControlListener* listener);
    ~OptionMenu() override;

    // Removes every entry; the value becomes 0. A title set stays.
    void clear();
    // Add an entry (plain, or holding a submenu); return its number, or -1
    // when the menu is full.
    int addEntry(std::string text);
    int addSubmenu(std::string text, std::vector<std::string> items);

    int entryCount() const { return static_cast<int>(entries_.size()); }
    // Empty for a number outside the menu.
    const std::string& entryText(int entry) const;
    bool hasSubmenu(int entry) const;
    // Items of an entry's submenu; empty for a plain entry.
    const std::vector<std::string>& submenu(int entry) const;

    // The current entry (the value), -1 while the menu is empty.
    int currentEntry() const;
    // The last choice made by the user or choose(); {-1, -1} before any.
    MenuChoice lastChoice() const { return lastChoice_; }
    // The text of the last choice (the submenu item when there is one).
    std::string lastChoiceText() const;

    // How the pop-up groups the entries; entries in no group are not offered
    // but stay valid values. An empty list shows every entry in one list.
    void setGroups(std::vector<EntryGroup> groups) { groups_ = std::move(groups); }
    const std::vector<EntryGroup>& groups() const { return groups_; }

    // A custom title shown instead of the current entry (library menus).
    void setTitle(std::string title);
    bool hasTitle() const { return hasTitle_; }
    // What the closed menu shows: the title, else the current entry's text.
    std::string shownText() const;

    // Takes a choice as the user's: sets the value, remembers the choice and
    // reports it. False, with nothing changed, for a choice the menu lacks.
    bool choose(int entry, int subEntry = -1);

    // The presenter showing this menu's pop-up, if any.
    bool isPoppedUp() const;

    bool onEvent(const InputEvent& event) override;
    void draw(cairo_t* cr) override;

protected:
    // Whole entry numbers from 0 to the last entry.
    float constrain(float value) const override;

private:
    struct Entry {
        std::string text;
        std::vector<std::string> items;
        bool hasSubmenu = false;
    };

    std::vector<Entry> entries_;
    std::vector<EntryGroup> groups_;
    MenuChoice lastChoice_;
    std::string title_;
    bool hasTitle_ = false;
};

} // namespace tessarine::gui
