#include "commands/LibraryCommand.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "commands/JsonWriter.h"

#include "sound/library/InstrumentMenus.h"
#include "sound/library/LibraryFolders.h"
#include "sound/library/LibraryMenu.h"

#include <array>
#include <filesystem>
#include <system_error>

namespace tessarine::host {

namespace {

struct MenuRow {
    const char* label; // text report
    const char* key;   // JSON
    LibraryMenu menu;
};

void printEntries(const std::vector<LibraryFile>& entries, const char* indent, std::ostream& out)
{
    if (entries.empty()) {
        out << indent << "(empty)\n";
    }
    for (const LibraryFile& entry : entries) {
        out << indent << entry.name << '\n';
    }
}

void printText(const LibraryFolders& folders, bool resetPresent, const InstrumentMenus& instruments,
               const std::array<MenuRow, 3>& menus, std::ostream& out)
{
    out << "Library: " << folders.root << '\n';
    out << "Reset instrument: " << folders.resetInstrument << (resetPresent ? "" : " (missing)") << '\n';
    out << "\nInstruments\n";
    if (instruments.categories().empty()) {
        out << "  (empty)\n";
    }
    for (std::size_t c = 0; c < instruments.categories().size(); ++c) {
        out << "  " << instruments.categories()[c] << '\n';
        printEntries(instruments.instruments(static_cast<int>(c)), "    ", out);
    }
    for (const MenuRow& row : menus) {
        out << '\n' << row.label << '\n';
        if (!row.menu.hasSubmenus()) {
            printEntries(row.menu.rootEntries, "  ", out);
            continue;
        }
        for (std::size_t k = 0; k < row.menu.rootEntries.size(); ++k) {
            out << "  " << row.menu.rootEntries[k].name << '\n';
            printEntries(row.menu.submenus[k], "    ", out);
        }
    }
}

void jsonNames(JsonWriter& json, const std::vector<LibraryFile>& entries)
{
    json.beginArray();
    for (const LibraryFile& entry : entries) {
        json.value(entry.name);
    }
    json.endArray();
}

void printJson(const LibraryFolders& folders, bool resetPresent, const InstrumentMenus& instruments,
               const std::array<MenuRow, 3>& menus, std::ostream& out)
{
    JsonWriter json(out);
    json.beginObject();
    json.key("root").value(folders.root);
    json.key("reset").beginObject();
    json.key("path").value(folders.resetInstrument);
    json.key("present").value(resetPresent);
    json.endObject();
    json.key("instrumentCategories").beginArray();
    for (std::size_t c = 0; c < instruments.categories().size(); ++c) {
        json.beginObject();
        json.key("name").value(instruments.categories()[c]);
        json.key("instruments");
        jsonNames(json, instruments.instruments(static_cast<int>(c)));
        json.endObject();
    }
    json.endArray();
    for (const MenuRow& row : menus) {
        // A menu either has submenus (one per category folder) or lists its files directly.
        json.key(row.key).beginObject();
        json.key("folder").value(row.menu.folder);
        json.key("submenus").beginArray();
        for (std::size_t k = 0; k < row.menu.submenus.size(); ++k) {
            json.beginObject();
            json.key("name").value(row.menu.rootEntries[k].name);
            json.key("entries");
            jsonNames(json, row.menu.submenus[k]);
            json.endObject();
        }
        json.endArray();
        json.key("entries");
        jsonNames(json, row.menu.hasSubmenus() ? std::vector<LibraryFile>() : row.menu.rootEntries);
        json.endObject();
    }
    json.endObject();
    out << '\n';
}

} // namespace

int runLibrary(const std::string& root, bool json, std::ostream& out, std::ostream& err)
{
    std::error_code error;
    if (!std::filesystem::is_directory(root, error)) {
        err << "tessarine: no library folder at '" << root << "'\n";
        return 1;
    }
    const LibraryFolders folders = LibraryFolders::at(root);
    InstrumentMenus instruments;
    instruments.rescan(folders.instruments);
    std::array<MenuRow, 3> menus{{
        {"Voices", "voices", {}},
        {"Harmonic presets", "harmonicPresets", {}},
        {"Noise presets", "noisePresets", {}},
    }};
    buildLibraryMenu(folders.voices, "t9v", menus[0].menu);
    buildLibraryMenu(folders.harmonicPresets, "t9h", menus[1].menu);
    buildLibraryMenu(folders.noisePresets, "t9n", menus[2].menu);
    const bool resetPresent = std::filesystem::is_regular_file(folders.resetInstrument, error);

    if (json) {
        printJson(folders, resetPresent, instruments, menus, out);
    } else {
        printText(folders, resetPresent, instruments, menus, out);
    }
    if (!out.good()) {
        err << "tessarine: cannot write the listing\n";
        return 1;
    }
    return 0;
}

namespace {

Command::Run setUpLibrary(CLI::App& command, const std::string& defaultPlugin)
{
    struct Options {
        std::string root;
        bool json = false;
    };
    auto options = std::make_shared<Options>();
    const std::string pluginFolder = defaultPlugin.substr(0, defaultPlugin.rfind('/') + 1);
    options->root = pluginFolder.empty() ? std::string(".") : pluginFolder.substr(0, pluginFolder.size() - 1);
    command.add_option("--root", options->root, "Folder holding TessarineData and Reset.t9i (default: beside the plug-in)");
    command.add_flag("--json", options->json, "Print the menus as JSON");
    return [options] { return runLibrary(options->root, options->json, std::cout, std::cerr); };
}

} // namespace

const Command kLibraryCommand{"library", "List the sound library as the editor's menus show it", &setUpLibrary};

} // namespace tessarine::host
