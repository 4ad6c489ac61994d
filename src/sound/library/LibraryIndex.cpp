#include "sound/library/LibraryIndex.h"

#include "sound/library/LibraryListing.h"

#include <algorithm>

namespace tessarine {

namespace {

const char* extensionOf(LibraryKind kind)
{
    switch (kind) {
    case LibraryKind::Voice:
        return "t9v";
    case LibraryKind::HarmonicPreset:
        return "t9h";
    case LibraryKind::NoisePreset:
        return "t9n";
    default:
        return "t9i";
    }
}

std::string lastPart(const std::string& folder)
{
    const std::size_t slash = folder.rfind('/');
    return slash == std::string::npos ? folder : folder.substr(slash + 1);
}

// The files of folder's categories; the loose files too when asked, or when there is no category
// (the voice and preset menus show loose files only then).
void addFolder(const std::string& folder, LibraryKind kind, bool user, bool looseToo, std::vector<LibraryEntry>& out)
{
    const char* extension = extensionOf(kind);
    const std::string top = lastPart(folder);
    std::vector<std::string> categories;
    listSubfolders(folder, categories);
    std::vector<LibraryFile> files;
    const auto add = [&](const std::string& category, const std::string& inFolder) {
        listFiles(inFolder, extension, files);
        for (LibraryFile& file : files) {
            LibraryEntry entry{kind, category, std::move(file.name), libraryPath(inFolder, file.fileName), user, {}};
            entry.key = top + "/" + (category.empty() ? "" : category + "/") + file.fileName;
            out.push_back(std::move(entry));
        }
    };
    for (const std::string& category : categories) {
        add(category, libraryPath(folder, category));
    }
    if (categories.empty() || looseToo) {
        add({}, folder);
    }
}

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool containsFolded(std::string_view text, std::string_view part)
{
    return std::search(text.begin(), text.end(), part.begin(), part.end(),
                       [](char a, char b) { return lowerAscii(a) == lowerAscii(b); })
        != text.end();
}

} // namespace

std::vector<LibraryEntry> listLibrary(const LibraryFolders& folders, LibraryKind kind)
{
    std::vector<LibraryEntry> entries;
    if (folders.root.empty()) {
        return entries;
    }
    switch (kind) {
    case LibraryKind::Instrument:
        addFolder(folders.instruments, kind, false, false, entries);
        addFolder(folders.userInstruments, kind, true, true, entries);
        break;
    case LibraryKind::Voice:
        addFolder(folders.voices, kind, false, false, entries);
        break;
    case LibraryKind::HarmonicPreset:
        addFolder(folders.harmonicPresets, kind, false, false, entries);
        break;
    case LibraryKind::NoisePreset:
        addFolder(folders.noisePresets, kind, false, false, entries);
        break;
    }
    // The user's own after the factory's, each sorted by category and name.
    std::stable_sort(entries.begin(), entries.end(), [](const LibraryEntry& a, const LibraryEntry& b) {
        if (a.user != b.user) {
            return !a.user;
        }
        if (a.category != b.category) {
            return libraryNameLess(a.category, b.category);
        }
        return libraryNameLess(a.name, b.name);
    });
    return entries;
}

bool entryMatches(const LibraryEntry& entry, std::string_view query)
{
    return query.empty() || containsFolded(entry.name, query) || containsFolded(entry.category, query);
}

} // namespace tessarine
