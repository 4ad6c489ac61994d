#pragma once
// Reading the library's folders: the sub-folders that make categories and the
// files of one kind that make menu entries. Directory order differs between
// file systems, so every list comes back sorted, case-insensitively with byte
// order deciding ties; "the first category" is then the same on every machine.
// Runs on the user-interface thread; allocates.

#include <string>
#include <string_view>
#include <vector>

namespace tessarine {

// Room of the lists the menus keep; entries beyond it (in sorted order) are left out.
inline constexpr int kMaxLibraryFolders = 64;
inline constexpr int kMaxLibraryFiles = 128;
// Names this long or longer are skipped.
inline constexpr std::size_t kMaxLibraryNameLength = 256;

// One listed file: the name a menu shows (the part before the first full stop)
// and the name on disk, which keeps the extension's own spelling ("Pad.T9V").
struct LibraryFile {
    std::string name;
    std::string fileName;
};

// folder + "/" + name.
std::string libraryPath(std::string_view folder, std::string_view name);

// Case-insensitive (ASCII) order, byte order on ties.
bool libraryNameLess(std::string_view a, std::string_view b);

// The sub-folders of folder whose names do not begin with a full stop. A
// folder that does not exist or cannot be read gives an empty list.
int listSubfolders(const std::string& folder, std::vector<std::string>& names);

// The files of folder whose extension, everything after the first full stop,
// equals extension when put in lower case: "Pad.T9V" is "Pad" for "t9v",
// "Pad.old.t9v" is not listed.
int listFiles(const std::string& folder, std::string_view extension, std::vector<LibraryFile>& files);

} // namespace tessarine
