#pragma once
// One folder as a file dialog lists it: its sub-folders, then the files of
// the kind asked for, each group sorted without regard to case (byte order
// on ties). Names beginning with a full stop are hidden, as file managers
// hide them. A folder of more than kMaxEntries shown entries lists the first
// ones read and says so, so a dialog never stalls on a huge folder.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessarine {

struct FolderEntry {
    std::string name;
    bool folder = false;
    std::uint64_t size = 0;
    std::int64_t modified = 0; // seconds since the epoch
};

struct FolderListing {
    static constexpr std::size_t kMaxEntries = 20000;

    std::vector<FolderEntry> entries;
    // Why the folder could not be read ("This folder cannot be read."); empty when it was.
    std::string error;
    bool truncated = false;

    // extension as the dialogs take it ("t9v", "wav"); null or empty lists every file.
    static FolderListing read(const std::string& folder, const char* extension,
                              std::size_t maxEntries = kMaxEntries);
};

// Case-insensitive: does the name hold this part? An empty part is in every name.
bool nameContains(std::string_view name, std::string_view part);

} // namespace tessarine
