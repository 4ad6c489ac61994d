#pragma once
// What every implementation of the dialogs says the same way: the window
// titles, the file patterns offered, and the extension a saved name gets.

#include <string>
#include <string_view>
#include <vector>

namespace tessarine {

// "Instrument" for t9i, "Voice" for t9v, "Harmonic Preset", "Noise Preset",
// "Sound" for wav; the extension in capitals for anything else.
std::string fileKindName(const char* extension);

// "Load Voice File" / "Save Voice File".
std::string dialogTitle(bool save, const char* extension);

// Glob patterns of the files offered: "*.t9v"; sounds are WAVE or AIFF.
std::vector<std::string> filePatterns(const char* extension);

// Whether a file of this name is offered: its name ends in one of the
// patterns' extensions, in any case ("Violin.WAVE" is a sound).
bool isFileOfKind(const char* extension, std::string_view name);

// The kinds kept in the sound library (t9i, t9v, t9h, t9n), as against sounds.
bool isLibraryKind(const char* extension);

// A name the user typed for saving, with ".ext" appended when it ends otherwise.
std::string withExtension(const std::string& path, const char* extension);

} // namespace tessarine
