#include "sound/library/LibraryListing.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace tessarine {

namespace {

namespace fs = std::filesystem;

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Calls visit(name, isDirectory) for every entry of folder; errors end the walk quietly.
template <typename Visit>
void forEachEntry(const std::string& folder, Visit visit)
{
    std::error_code error;
    fs::directory_iterator it(folder, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        std::error_code typeError;
        // Follows links, so a linked category or file counts as what it points at.
        const fs::file_status status = it->status(typeError);
        if (typeError) {
            continue;
        }
        visit(it->path().filename().string(), fs::is_directory(status), fs::is_regular_file(status));
    }
}

} // namespace

std::string libraryPath(std::string_view folder, std::string_view name)
{
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path.append(folder);
    path.push_back('/');
    path.append(name);
    return path;
}

bool libraryNameLess(std::string_view a, std::string_view b)
{
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const char x = lowerAscii(a[i]);
        const char y = lowerAscii(b[i]);
        if (x != y) {
            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
        }
    }
    if (a.size() != b.size()) {
        return a.size() < b.size();
    }
    return a < b;
}

int listSubfolders(const std::string& folder, std::vector<std::string>& names)
{
    names.clear();
    forEachEntry(folder, [&](std::string name, bool isDirectory, bool) {
        if (isDirectory && !name.empty() && name[0] != '.' && name.size() < kMaxLibraryNameLength) {
            names.push_back(std::move(name));
        }
    });
    std::sort(names.begin(), names.end(), libraryNameLess);
    if (names.size() > static_cast<std::size_t>(kMaxLibraryFolders)) {
        names.resize(kMaxLibraryFolders);
    }
    return static_cast<int>(names.size());
}

int listFiles(const std::string& folder, std::string_view extension, std::vector<LibraryFile>& files)
{
    files.clear();
    forEachEntry(folder, [&](std::string fileName, bool, bool isFile) {
        const std::size_t dot = fileName.find('.');
        // A name that starts with its full stop is a hidden file and has no name to show.
        if (!isFile || dot == std::string::npos || dot == 0 || fileName.size() >= kMaxLibraryNameLength) {
            return;
        }
        const std::string_view found = std::string_view(fileName).substr(dot + 1);
        if (found.size() != extension.size() ||
            !std::equal(found.begin(), found.end(), extension.begin(),
                        [](char x, char y) { return lowerAscii(x) == lowerAscii(y); })) {
            return;
        }
        std::string name = fileName.substr(0, dot);
        files.push_back({std::move(name), std::move(fileName)});
    });
    std::sort(files.begin(), files.end(), [](const LibraryFile& a, const LibraryFile& b) {
        if (a.name != b.name) {
            return libraryNameLess(a.name, b.name);
        }
        return a.fileName < b.fileName; // "Pad.T9V" and "Pad.t9v" side by side, always in one order
    });
    if (files.size() > static_cast<std::size_t>(kMaxLibraryFiles)) {
        files.resize(kMaxLibraryFiles);
    }
    return static_cast<int>(files.size());
}

} // namespace tessarine
