#pragma once
// Every file of one kind in the library as one flat list, for browsing and
// searching: each entry with its category (the sub-folder it lies in), the
// name the menus show and its path. Instruments come from the factory folder
// and from the user's own folder beside it; voices and presets from their
// folders, read as their menus read them. Sorted by category, then name;
// bounded by the menus' limits per folder. User-interface thread; allocates.

#include "sound/library/LibraryFolders.h"

#include <string>
#include <string_view>
#include <vector>

namespace tessarine {

enum class LibraryKind { Instrument, Voice, HarmonicPreset, NoisePreset };

struct LibraryEntry {
    LibraryKind kind = LibraryKind::Instrument;
    std::string category; // empty for a file that lies loose in its kind's folder
    std::string name;
    std::string path;
    bool user = false; // from the user's own instruments folder
    // Names the entry whatever folder the library lies in ("Instruments-Factory/Basses/Deep.t9i"),
    // so a favourite holds for the same library seen from every plug-in format.
    std::string key;
};

std::vector<LibraryEntry> listLibrary(const LibraryFolders& folders, LibraryKind kind);

// True when every character of query appears, in a row and regardless of
// ASCII case, in the entry's name or its category; an empty query matches all.
bool entryMatches(const LibraryEntry& entry, std::string_view query);

} // namespace tessarine
