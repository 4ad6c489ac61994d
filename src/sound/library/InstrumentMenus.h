#pragma once
// The instrument menu pair: the categories (sub-folders of
// Instruments-Factory) and, per category, its instruments (its t9i files),
// with the selection the editor shows. Until the editor selects something the
// selection is the first instrument of the first category.

#include "sound/library/LibraryListing.h"

#include <string>
#include <vector>

namespace tessarine {

class InstrumentMenus {
public:
    // Lists the categories and the instruments of each. The selection keeps
    // its names while they are listed; otherwise it falls back to the
    // category's first instrument, or to the first category.
    void rescan(const std::string& instrumentsFolder);

    const std::vector<std::string>& categories() const { return categories_; }
    // The instruments of category index; empty for an index out of range.
    const std::vector<LibraryFile>& instruments(int category) const;

    // Index of the category (or of the instrument within category) with exactly this name, or -1.
    int findCategory(std::string_view name) const;
    int findInstrument(int category, std::string_view name) const;

    // False, leaving the selection, when the pair names no instrument.
    bool select(int category, int instrument);
    int selectedCategory() const { return selectedCategory_; }
    int selectedInstrument() const { return selectedInstrument_; }
    // The selected category's name; empty when there are no categories.
    std::string selectedCategoryName() const;

    // The instrument step places from the listed one named name (looked for
    // in the selected category first), wrapping inside its category; from the
    // selection when name is not listed. False when nothing is listed.
    bool neighbour(std::string_view name, int step, int& category, int& instrument) const;

    // The file of an instrument, or false when the pair names none.
    bool pathOf(int category, int instrument, std::string& path) const;

private:
    std::string folder_;
    std::vector<std::string> categories_;
    std::vector<std::vector<LibraryFile>> instruments_;
    int selectedCategory_ = 0;
    int selectedInstrument_ = 0;
};

} // namespace tessarine
