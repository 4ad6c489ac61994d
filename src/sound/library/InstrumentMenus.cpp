#include "sound/library/InstrumentMenus.h"

#include <algorithm>

namespace tessarine {

void InstrumentMenus::rescan(const std::string& instrumentsFolder)
{
    // The selection follows its names: a file added before it in menu order must not move it.
    const std::string category = selectedCategoryName();
    const auto& before = instruments(selectedCategory_);
    const std::string instrument = static_cast<std::size_t>(selectedInstrument_) < before.size()
                                       ? before[static_cast<std::size_t>(selectedInstrument_)].name
                                       : std::string();

    folder_ = instrumentsFolder;
    listSubfolders(folder_, categories_);
    instruments_.assign(categories_.size(), {});
    for (std::size_t c = 0; c < categories_.size(); ++c) {
        listFiles(libraryPath(folder_, categories_[c]), "t9i", instruments_[c]);
    }

    selectedCategory_ = std::max(findCategory(category), 0);
    selectedInstrument_ = std::max(findInstrument(selectedCategory_, instrument), 0);
}

const std::vector<LibraryFile>& InstrumentMenus::instruments(int category) const
{
    static const std::vector<LibraryFile> none;
    if (category < 0 || static_cast<std::size_t>(category) >= instruments_.size()) {
        return none;
    }
    return instruments_[static_cast<std::size_t>(category)];
}

int InstrumentMenus::findCategory(std::string_view name) const
{
    for (std::size_t c = 0; c < categories_.size(); ++c) {
        if (categories_[c] == name) {
            return static_cast<int>(c);
        }
    }
    return -1;
}

int InstrumentMenus::findInstrument(int category, std::string_view name) const
{
    const auto& list = instruments(category);
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].name == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool InstrumentMenus::select(int category, int instrument)
{
    const auto& list = instruments(category);
    if (instrument < 0 || static_cast<std::size_t>(instrument) >= list.size()) {
        return false;
    }
    selectedCategory_ = category;
    selectedInstrument_ = instrument;
    return true;
}

bool InstrumentMenus::neighbour(std::string_view name, int step, int& category, int& instrument) const
{
    category = selectedCategory_;
    instrument = findInstrument(category, name);
    for (int c = 0; instrument < 0 && c < static_cast<int>(categories_.size()); ++c) {
        if (const int found = findInstrument(c, name); found >= 0) {
            category = c;
            instrument = found;
        }
    }
    if (instrument < 0) {
        category = selectedCategory_;
        instrument = selectedInstrument_;
    }
    const int count = static_cast<int>(instruments(category).size());
    if (count == 0) {
        return false;
    }
    instrument = ((instrument + step) % count + count) % count;
    return true;
}

std::string InstrumentMenus::selectedCategoryName() const
{
    if (static_cast<std::size_t>(selectedCategory_) >= categories_.size()) {
        return {};
    }
    return categories_[static_cast<std::size_t>(selectedCategory_)];
}

bool InstrumentMenus::pathOf(int category, int instrument, std::string& path) const
{
    const auto& list = instruments(category);
    if (instrument < 0 || static_cast<std::size_t>(instrument) >= list.size()) {
        return false;
    }
    path = libraryPath(libraryPath(folder_, categories_[static_cast<std::size_t>(category)]),
                       list[static_cast<std::size_t>(instrument)].fileName);
    return true;
}

} // namespace tessarine
