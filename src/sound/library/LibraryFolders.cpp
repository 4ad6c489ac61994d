#include "sound/library/LibraryFolders.h"

#include "sound/library/LibraryListing.h"

namespace tessarine {

LibraryFolders LibraryFolders::at(std::string_view root)
{
    LibraryFolders folders;
    if (root.empty()) {
        return folders;
    }
    folders.root = std::string(root);
    const std::string data = libraryPath(root, "TessarineData");
    folders.instruments = libraryPath(data, "Instruments-Factory");
    folders.userInstruments = libraryPath(data, "Instruments-User");
    folders.voices = libraryPath(data, "Voices");
    folders.harmonicPresets = libraryPath(data, "Presets-Harmonics");
    folders.noisePresets = libraryPath(data, "Presets-Noise");
    folders.resetInstrument = libraryPath(root, "Reset.t9i");
    return folders;
}

} // namespace tessarine
