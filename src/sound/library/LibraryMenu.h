#pragma once
// The menu model of one library folder, as the editor's voice and preset menus
// show it: plain data that buildLibraryMenu fills and the editor draws.
//
// When the folder has sub-folders, each is a root entry with a submenu of its
// files, and files lying loose in the folder are not shown. Without
// sub-folders the root entries are the folder's own files. Instead of its
// chosen entry the root menu shows a title, " " until something is chosen.

#include "sound/library/LibraryListing.h"

#include <string>
#include <vector>

namespace tessarine {

struct LibraryMenu {
    std::string folder;
    std::string extension; // "t9v", "t9h", "t9n"
    // The entries of the root menu: sub-folder names (fileName empty) or files.
    std::vector<LibraryFile> rootEntries;
    // submenus[k] holds the files of root entry k; empty when the root entries are files.
    std::vector<std::vector<LibraryFile>> submenus;
    std::string title = " ";

    bool hasSubmenus() const { return !submenus.empty(); }
};

// Where the user clicked: an entry of the root menu, or entry `entry` of the
// submenu of root entry `rootEntry`.
struct LibraryMenuChoice {
    int rootEntry = -1;
    int entry = -1; // -1: the root entry itself is the choice
};

// Refills menu from folder; a folder that cannot be read gives an empty menu.
// The title starts again as " ".
void buildLibraryMenu(const std::string& folder, std::string_view extension, LibraryMenu& menu);

// The file of a choice, "FOLDER/SUBFOLDER/FILE" or "FOLDER/FILE", and the root
// menu's title becomes the chosen name. False, with nothing changed, for a
// choice that names no file (out of range, or a submenu's own entry).
bool pathOfMenuChoice(LibraryMenu& menu, LibraryMenuChoice choice, std::string& path);

} // namespace tessarine
