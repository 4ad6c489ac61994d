#pragma once
// Where the sound library lies: the folder tree "TessarineData" and the reset
// instrument beside the plug-in's own library file (ROOT).
//
//   ROOT/Reset.t9i                                      the reset instrument
//   ROOT/TessarineData/Instruments-Factory/CATEGORY/NAME.t9i
//   ROOT/TessarineData/Instruments-User/[CATEGORY/]NAME.t9i  the user's own, beside them
//   ROOT/TessarineData/Voices/CATEGORY/NAME.t9v
//   ROOT/TessarineData/Presets-Harmonics/[CATEGORY/]NAME.t9h
//   ROOT/TessarineData/Presets-Noise/[CATEGORY/]NAME.t9n

#include <string>
#include <string_view>

namespace tessarine {

struct LibraryFolders {
    std::string root;
    std::string instruments;
    std::string userInstruments;
    std::string voices;
    std::string harmonicPresets;
    std::string noisePresets;
    std::string resetInstrument; // a file, not a folder

    // The paths below root (without a trailing separator). An empty root
    // (the plug-in could not find itself) gives paths that open nothing.
    static LibraryFolders at(std::string_view root);
};

} // namespace tessarine
