#include "editor/dialogs/FolderListing.h"

#include "editor/dialogs/FileDialogKinds.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace tessarine {

namespace {

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool beforeIgnoringCase(const FolderEntry& a, const FolderEntry& b)
{
    if (a.folder != b.folder) {
        return a.folder;
    }
    const auto cmp = [](char x, char y) { return lower(x) < lower(y); };
    if (std::lexicographical_compare(a.name.begin(), a.name.end(), b.name.begin(), b.name.end(), cmp)) {
        return true;
    }
    if (std::lexicographical_compare(b.name.begin(), b.name.end(), a.name.begin(), a.name.end(), cmp)) {
        return false;
    }
    return a.name < b.name;
}

std::string readError(int error)
{
    switch (error) {
    case ENOENT:
        return "No such folder.";
    case ENOTDIR:
        return "Not a folder.";
    case EACCES:
    case EPERM:
        return "This folder cannot be read (no permission).";
    default:
        return "This folder cannot be read.";
    }
}

} // namespace

FolderListing FolderListing::read(const std::string& folder, const char* extension, std::size_t maxEntries)
{
    FolderListing listing;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        listing.error = readError(errno);
        return listing;
    }
    const int fd = dirfd(dir);
    while (const dirent* item = readdir(dir)) {
        if (item->d_name[0] == '.') {
            continue;
        }
        // Links count as what they point at; a broken link is no file to open.
        struct stat info{};
        if (fstatat(fd, item->d_name, &info, 0) != 0) {
            continue;
        }
        FolderEntry entry{item->d_name, S_ISDIR(info.st_mode), static_cast<std::uint64_t>(info.st_size),
                          static_cast<std::int64_t>(info.st_mtime)};
        if (!entry.folder && (!S_ISREG(info.st_mode) || !isFileOfKind(extension, entry.name))) {
            continue;
        }
        if (listing.entries.size() == maxEntries) {
            listing.truncated = true;
            break;
        }
        listing.entries.push_back(std::move(entry));
    }
    closedir(dir);
    std::sort(listing.entries.begin(), listing.entries.end(), beforeIgnoringCase);
    return listing;
}

bool nameContains(std::string_view name, std::string_view part)
{
    if (part.size() > name.size()) {
        return false;
    }
    for (std::size_t at = 0; at + part.size() <= name.size(); ++at) {
        std::size_t i = 0;
        while (i < part.size() && lower(name[at + i]) == lower(part[i])) {
            ++i;
        }
        if (i == part.size()) {
            return true;
        }
    }
    return false;
}

} // namespace tessarine
