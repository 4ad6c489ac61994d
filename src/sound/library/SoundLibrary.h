#pragma once
// The library as the plug-in and its editor use it: the folders beside the
// plug-in, the instrument menu pair, and the library's actions (the start-up
// load, loading a listed instrument, reset, random instrument). Files reach
// the engine only through the target's loaders; values through its writer.
//
// User-interface (or host) thread only; never called from render. Allocates.

#include "params/RandomGenerator.h"
#include "sound/library/InstrumentMenus.h"
#include "sound/library/LibraryFolders.h"
#include "sound/library/LibraryTarget.h"

#include <string>
#include <string_view>

namespace tessarine {

class SoundLibrary {
public:
    // Sets ROOT and lists the instrument categories again; loads nothing.
    void setRoot(std::string_view root);
    const LibraryFolders& folders() const { return folders_; }
    InstrumentMenus& instrumentMenus() { return menus_; }
    const InstrumentMenus& instrumentMenus() const { return menus_; }

    // rescan: list categories and instruments again (the selection is kept
    // when it still exists). load: read the selected instrument. True when an
    // instrument was read.
    bool rescanInstruments(bool rescan, bool load, LibraryTarget& target);
    // Loads the instrument step places from the loaded one (named loadedName)
    // in its category, wrapping; false, with nothing changed, when none is listed.
    bool stepInstrument(std::string_view loadedName, int step, LibraryTarget& target);

    // What the plug-in runs once it exists, and the editor again when it is
    // built: scan, then load the first instrument of the first category. With
    // no categories nothing is loaded and the start values stay.
    bool loadStartInstrument(LibraryTarget& target);

    // Selects a listed instrument by its category and menu name and loads it.
    // False, selecting nothing, for a name that is not listed.
    bool loadListedInstrument(std::string_view category, std::string_view name, LibraryTarget& target);

    // Reads ROOT/Reset.t9i; nothing happens when it cannot be opened.
    bool reset(LibraryTarget& target);

    // Random voices and values for the selected category (the first when
    // nothing is selected), or for categoryName when it is given.
    void randomInstrument(RandomGenerator& generator, LibraryTarget& target);
    void randomInstrument(std::string_view categoryName, RandomGenerator& generator, LibraryTarget& target);

private:
    LibraryFolders folders_;
    InstrumentMenus menus_;
};

} // namespace tessarine
