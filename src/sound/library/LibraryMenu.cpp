#include "sound/library/LibraryMenu.h"

namespace tessarine {

namespace {

template <typename List>
bool inRange(const List& list, int index)
{
    return index >= 0 && static_cast<std::size_t>(index) < list.size();
}

} // namespace

void buildLibraryMenu(const std::string& folder, std::string_view extension, LibraryMenu& menu)
{
    menu.folder = folder;
    menu.extension = std::string(extension);
    menu.rootEntries.clear();
    menu.submenus.clear();
    menu.title.assign(1, ' '); // the blank title of an untouched menu

    std::vector<std::string> subfolders;
    if (listSubfolders(folder, subfolders) == 0) {
        listFiles(folder, extension, menu.rootEntries);
        return;
    }
    for (std::string& name : subfolders) {
        std::vector<LibraryFile> files;
        listFiles(libraryPath(folder, name), extension, files);
        menu.submenus.push_back(std::move(files));
        menu.rootEntries.push_back({std::move(name), std::string()});
    }
}

bool pathOfMenuChoice(LibraryMenu& menu, LibraryMenuChoice choice, std::string& path)
{
    if (!inRange(menu.rootEntries, choice.rootEntry)) {
        return false;
    }
    const auto root = static_cast<std::size_t>(choice.rootEntry);
    const LibraryFile* file = nullptr;
    std::string_view folder = menu.folder;
    std::string subfolder;
    if (menu.hasSubmenus()) {
        if (!inRange(menu.submenus[root], choice.entry)) {
            return false;
        }
        file = &menu.submenus[root][static_cast<std::size_t>(choice.entry)];
        subfolder = libraryPath(menu.folder, menu.rootEntries[root].name);
        folder = subfolder;
    } else {
        if (choice.entry != -1) {
            return false;
        }
        file = &menu.rootEntries[root];
    }
    // The name on disk, not "name.extension": a file saved as "Pad.T9V" must
    // open on a file system that tells the cases apart.
    path = libraryPath(folder, file->fileName);
    menu.title = file->name;
    return true;
}

} // namespace tessarine
