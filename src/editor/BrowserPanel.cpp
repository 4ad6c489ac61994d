#include "editor/BrowserPanel.h"

#include "editor/FavouriteList.h"
#include "gui/Frame.h"
#include "gui/KickButton.h"
#include "gui/MarkedList.h"
#include "gui/OnOffButton.h"
#include "gui/SearchLine.h"
#include "gui/Theme.h"

#include <algorithm>

namespace tessarine {

namespace {

constexpr int kMargin = 16;
constexpr int kBarHeight = 22;
constexpr int kListTop = 80;
constexpr int kCategoryWidth = 190;
constexpr const char* kKindCaptions[] = {"Instruments", "Voices", "Harmonics", "Noise"};

gui::Rect at(const gui::Rect& b, int x, int y, int width, int height) { return {b.x + x, b.y + y, width, height}; }

} // namespace

std::string categoryLabel(const LibraryEntry& entry)
{
    if (!entry.user) {
        return entry.category;
    }
    return entry.category.empty() ? std::string("User") : "User: " + entry.category;
}

std::vector<LibraryEntry> browserResult(const std::vector<LibraryEntry>& all, const BrowserState& state,
                                        const FavouriteList& favourites)
{
    std::vector<LibraryEntry> result;
    const bool favouritesOnly = state.category == BrowserState::kFavourites;
    for (const LibraryEntry& entry : all) {
        const bool inCategory = state.category.empty() || (favouritesOnly ? favourites.contains(entry.key)
                                                                           : categoryLabel(entry) == state.category);
        if (inCategory && entryMatches(entry, state.query)) {
            result.push_back(entry);
        }
    }
    return result;
}

BrowserPanel::BrowserPanel(gui::Rect bounds, const LibraryFolders& folders, std::vector<LibraryKind> kinds,
                           BrowserState& state, FavouriteList& favourites, Actions actions)
    : Container(bounds), folders_(folders), kinds_(std::move(kinds)), state_(state), favourites_(favourites),
      actions_(std::move(actions))
{
    const gui::Rect& b = bounds;
    for (LibraryKind kind : kinds_) {
        const auto k = static_cast<std::size_t>(kind);
        kindButtons_[k] = add(std::make_unique<gui::OnOffButton>(
            at(b, 120 + static_cast<int>(k) * 104, 12, 100, kBarHeight), -1, this, kKindCaptions[k]));
    }
    close_ = add(std::make_unique<gui::KickButton>(at(b, b.width - kMargin - 80, 12, 80, kBarHeight), -1, this,
                                                   "Close"));
    search_ = add(std::make_unique<gui::SearchLine>(at(b, 80, 42, b.width - 80 - kMargin, kBarHeight)));
    search_->setText(state_.query);
    search_->onSteer = [this](const gui::InputEvent& key) { return steer(key); };
    search_->onEdited = [this] {
        state_.query = search_->text();
        refilter();
        // Return takes the best match without a trip to the list.
        entries_->setCurrent(result_.empty() ? -1 : 0);
    };
    const int listHeight = b.height - kListTop - kMargin;
    categories_ = add(std::make_unique<gui::MarkedList>(at(b, kMargin, kListTop, kCategoryWidth, listHeight), false));
    entries_ = add(std::make_unique<gui::MarkedList>(
        at(b, 2 * kMargin + kCategoryWidth, kListTop, b.width - 3 * kMargin - kCategoryWidth, listHeight), true));
    categories_->onChosen = [this](int row) {
        state_.category = categoryNames_[static_cast<std::size_t>(row)];
        refilter();
        focusSearch();
    };
    entries_->onChosen = [this](int row) { choose(row); };
    entries_->onActivate = [this](int row) { confirm(row); };
    entries_->onMarkToggled = [this](int row) { toggleFavourite(row); };
    if (std::find(kinds_.begin(), kinds_.end(), state_.kind) == kinds_.end()) {
        state_.kind = LibraryKind::Instrument;
    }
    showKind(state_.kind);
}

BrowserPanel::~BrowserPanel() = default;

gui::Control* BrowserPanel::kindButton(LibraryKind kind) const { return kindButtons_[static_cast<std::size_t>(kind)]; }

void BrowserPanel::focusSearch()
{
    if (gui::Frame* f = frame()) {
        f->setKeyFocus(search_);
    }
}

void BrowserPanel::showKind(LibraryKind kind)
{
    if (kind != state_.kind) {
        // Another kind has other categories.
        state_.category.clear();
    }
    state_.kind = kind;
    for (std::size_t k = 0; k < kindButtons_.size(); ++k) {
        if (kindButtons_[k] != nullptr) {
            kindButtons_[k]->setValue(k == static_cast<std::size_t>(kind) ? 1.0f : 0.0f);
        }
    }
    all_ = listLibrary(folders_, kind);
    categoryNames_ = {std::string(), BrowserState::kFavourites};
    for (const LibraryEntry& entry : all_) {
        std::string label = categoryLabel(entry);
        if (!label.empty() && std::find(categoryNames_.begin(), categoryNames_.end(), label) == categoryNames_.end()) {
            categoryNames_.push_back(std::move(label));
        }
    }
    if (std::find(categoryNames_.begin(), categoryNames_.end(), state_.category) == categoryNames_.end()) {
        state_.category.clear();
    }
    std::vector<gui::MarkedList::Row> rows;
    for (const std::string& name : categoryNames_) {
        rows.push_back({name.empty() ? "All" : name == BrowserState::kFavourites ? "Favourites" : name, {}, false});
    }
    categories_->setRows(std::move(rows));
    refilter();
    for (std::size_t i = 0; i < result_.size(); ++i) {
        if (actions_.isLoaded && actions_.isLoaded(result_[i])) {
            entries_->setCurrent(static_cast<int>(i));
            break;
        }
    }
}

void BrowserPanel::refilter()
{
    const auto category = std::find(categoryNames_.begin(), categoryNames_.end(), state_.category);
    categories_->setCurrent(static_cast<int>(category - categoryNames_.begin()));
    result_ = browserResult(all_, state_, favourites_);
    std::vector<gui::MarkedList::Row> rows;
    rows.reserve(result_.size());
    for (const LibraryEntry& entry : result_) {
        rows.push_back({entry.name, categoryLabel(entry), favourites_.contains(entry.key)});
    }
    entries_->setCurrent(-1);
    entries_->setRows(std::move(rows));
    invalidate();
}

bool BrowserPanel::steer(const gui::InputEvent& key)
{
    switch (key.key) {
    case gui::kKeyUp:
    case gui::kKeyDown:
        entries_->moveCurrent(key.key == gui::kKeyUp ? -1 : 1);
        return true;
    case gui::kKeyReturn:
        if (entries_->current() < 0) {
            entries_->moveCurrent(1);
        }
        confirm(entries_->current());
        return true;
    case gui::kKeyEscape:
        if (actions_.close) {
            actions_.close();
        }
        return true;
    default:
        return false;
    }
}

void BrowserPanel::choose(int row)
{
    if (row >= 0 && static_cast<std::size_t>(row) < result_.size()) {
        const LibraryEntry entry = result_[static_cast<std::size_t>(row)];
        if (actions_.load && actions_.load(entry)) {
            loadedKey_ = entry.key;
        }
    }
    focusSearch();
}

void BrowserPanel::confirm(int row)
{
    if (row < 0 || static_cast<std::size_t>(row) >= result_.size()) {
        return;
    }
    // A double click's first press has already loaded the entry: no second load.
    if (result_[static_cast<std::size_t>(row)].key != loadedKey_) {
        choose(row);
        if (result_[static_cast<std::size_t>(row)].key != loadedKey_) {
            return; // not loaded (kept, or refused): the panel stays for another choice
        }
    }
    if (actions_.close) {
        actions_.close();
    }
}

void BrowserPanel::toggleFavourite(int row)
{
    if (row < 0 || static_cast<std::size_t>(row) >= result_.size()) {
        return;
    }
    const std::string key = result_[static_cast<std::size_t>(row)].key;
    const bool favourite = !favourites_.contains(key);
    favourites_.set(key, favourite);
    if (state_.category == BrowserState::kFavourites) {
        refilter();
    } else {
        entries_->setMarked(row, favourite);
    }
    focusSearch();
}

void BrowserPanel::valueChanged(gui::Control& control)
{
    if (&control == close_) {
        if (control.value() == 0.0f && actions_.close) {
            actions_.close();
        }
        return;
    }
    for (std::size_t k = 0; k < kindButtons_.size(); ++k) {
        if (kindButtons_[k] == &control) {
            showKind(static_cast<LibraryKind>(k));
        }
    }
    focusSearch();
}

bool BrowserPanel::onEvent(const gui::InputEvent& event)
{
    // A click on the bare panel hands the keys back to the search line, and
    // nothing under the panel ever gets the pointer.
    if (event.kind == gui::EventKind::MouseDown) {
        focusSearch();
    }
    return event.kind != gui::EventKind::KeyDown && event.kind != gui::EventKind::KeyUp;
}

void BrowserPanel::draw(cairo_t* cr)
{
    const gui::Rect& b = bounds();
    gui::setColour(cr, gui::palette::kPanel);
    cairo_rectangle(cr, b.x, b.y, b.width, b.height);
    cairo_fill(cr);
    gui::drawText(cr, "LIBRARY", at(b, kMargin, 12, 100, kBarHeight), gui::textsize::kSection, gui::Align::Left,
                  gui::palette::kTitle, true);
    gui::drawLabel(cr, "Search", at(b, kMargin, 42, 56, kBarHeight), gui::Align::Left);
    char count[48];
    std::snprintf(count, sizeof(count), "%zu of %zu", result_.size(), all_.size());
    gui::drawText(cr, count, at(b, b.width - kMargin - 300, kListTop - 14, 300, 12), gui::textsize::kValue,
                  gui::Align::Right, gui::palette::kTextDim);
}

} // namespace tessarine
