#include "sound/library/SoundLibrary.h"

#include "sound/library/RandomInstrument.h"

namespace tessarine {

void SoundLibrary::setRoot(std::string_view root)
{
    folders_ = LibraryFolders::at(root);
    menus_.rescan(folders_.instruments);
}

bool SoundLibrary::rescanInstruments(bool rescan, bool load, LibraryTarget& target)
{
    if (rescan) {
        menus_.rescan(folders_.instruments);
    }
    std::string path;
    if (!load || !menus_.pathOf(menus_.selectedCategory(), menus_.selectedInstrument(), path)) {
        return false;
    }
    return target.loadInstrumentFrom(path.c_str());
}

bool SoundLibrary::loadStartInstrument(LibraryTarget& target) { return rescanInstruments(true, true, target); }

bool SoundLibrary::loadListedInstrument(std::string_view category, std::string_view name, LibraryTarget& target)
{
    const int c = menus_.findCategory(category);
    if (!menus_.select(c, menus_.findInstrument(c, name))) {
        return false;
    }
    return rescanInstruments(false, true, target);
}

bool SoundLibrary::reset(LibraryTarget& target)
{
    if (folders_.resetInstrument.empty()) {
        return false;
    }
    return target.loadInstrumentFrom(folders_.resetInstrument.c_str());
}

bool SoundLibrary::stepInstrument(std::string_view loadedName, int step, LibraryTarget& target)
{
    int category = 0;
    int instrument = 0;
    if (!menus_.neighbour(loadedName, step, category, instrument)) {
        return false;
    }
    const int oldCategory = menus_.selectedCategory();
    const int oldInstrument = menus_.selectedInstrument();
    menus_.select(category, instrument);
    if (!rescanInstruments(false, true, target)) {
        menus_.select(oldCategory, oldInstrument);
        return false;
    }
    return true;
}

void SoundLibrary::randomInstrument(RandomGenerator& generator, LibraryTarget& target)
{
    randomInstrument(menus_.selectedCategoryName(), generator, target);
}

void SoundLibrary::randomInstrument(std::string_view categoryName, RandomGenerator& generator, LibraryTarget& target)
{
    tessarine::randomInstrument(categoryName, folders_, generator, target);
}

} // namespace tessarine
