#pragma once
// The library browser: a panel over the whole editor listing the library's
// instruments and, opened from a voice page, its voices and harmonic and
// noise presets too. Categories on the left (with All and Favourites), the
// entries of the chosen one on the right, each with a star that marks it a
// favourite; the search line above filters by name and category as the
// person types, case-insensitively. A click on an entry loads it at once, so
// it can be heard; Return or a double click confirms it and closes the
// panel; Up and Down move through the list; Escape closes.
//
// What the panel shows (kind, category, search) outlives it in BrowserState,
// so it opens again where it was left, and the instrument arrows can step
// through a search. User-interface thread only.

#include "sound/library/LibraryIndex.h"
#include "gui/Container.h"
#include "gui/Control.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace tessarine {

namespace gui {
class MarkedList;
class OnOffButton;
class SearchLine;
} // namespace gui

class FavouriteList;

struct BrowserState {
    LibraryKind kind = LibraryKind::Instrument;
    // The category list's choice: empty for all, or kFavourites.
    std::string category;
    std::string query;

    static constexpr const char* kFavourites = "\001" "favourites";
    bool searching() const { return !query.empty(); }
};

// The category a list shows for an entry: the user's own are marked as such.
std::string categoryLabel(const LibraryEntry& entry);

// The entries of all that the state's category and search leave, in order.
std::vector<LibraryEntry> browserResult(const std::vector<LibraryEntry>& all, const BrowserState& state,
                                        const FavouriteList& favourites);

class BrowserPanel final : public gui::Container, public gui::ControlListener {
public:
    struct Actions {
        // Loads an entry; false when it was not loaded (a refused file, a kept instrument).
        std::function<bool(const LibraryEntry&)> load;
        // Whether an entry is what plays now, to start on it.
        std::function<bool(const LibraryEntry&)> isLoaded;
        // The panel is done; the editor removes it once the event that closed it is over.
        std::function<void()> close;
    };

    // kinds: the kinds the panel offers (instruments alone away from the voice pages).
    BrowserPanel(gui::Rect bounds, const LibraryFolders& folders, std::vector<LibraryKind> kinds, BrowserState& state,
                 FavouriteList& favourites, Actions actions);
    ~BrowserPanel() override;

    // The keys go to the search line.
    void focusSearch();

    const std::vector<LibraryEntry>& result() const { return result_; }
    gui::MarkedList& entryList() const { return *entries_; }
    gui::MarkedList& categoryList() const { return *categories_; }
    gui::SearchLine& searchLine() const { return *search_; }
    // The button that shows a kind; null when the panel does not offer it.
    gui::Control* kindButton(LibraryKind kind) const;
    gui::Control* closeButton() const { return close_; }

    void draw(cairo_t* cr) override;
    bool onEvent(const gui::InputEvent& event) override;
    void valueChanged(gui::Control& control) override;

private:
    void showKind(LibraryKind kind);
    void refilter();
    bool steer(const gui::InputEvent& key);
    void choose(int row);
    void confirm(int row);
    void toggleFavourite(int row);

    LibraryFolders folders_;
    std::vector<LibraryKind> kinds_;
    BrowserState& state_;
    FavouriteList& favourites_;
    Actions actions_;
    std::vector<LibraryEntry> all_;
    std::vector<LibraryEntry> result_;
    std::vector<std::string> categoryNames_; // parallel to the category list's rows
    std::string loadedKey_;                  // the entry the panel loaded last

    gui::SearchLine* search_ = nullptr;
    gui::MarkedList* categories_ = nullptr;
    gui::MarkedList* entries_ = nullptr;
    std::array<gui::OnOffButton*, 4> kindButtons_{};
    gui::Control* close_ = nullptr;
};

} // namespace tessarine
