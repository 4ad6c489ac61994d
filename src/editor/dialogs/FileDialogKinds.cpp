#include "editor/dialogs/FileDialogKinds.h"

#include <cctype>
#include <string_view>

namespace tessarine {

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

std::string_view safe(const char* extension) { return extension != nullptr ? extension : ""; }

} // namespace

std::string fileKindName(const char* extension)
{
    std::string_view ext = safe(extension);
    if (ext == "t9i") {
        return "Instrument";
    }
    if (ext == "t9v") {
        return "Voice";
    }
    if (ext == "t9h") {
        return "Harmonic Preset";
    }
    if (ext == "t9n") {
        return "Noise Preset";
    }
    if (ext == "wav") {
        return "Sound";
    }
    std::string upper(ext);
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return upper;
}

std::string dialogTitle(bool save, const char* extension)
{
    return std::string(save ? "Save " : "Load ") + fileKindName(extension) + " File";
}

std::vector<std::string> filePatterns(const char* extension)
{
    std::string_view ext = safe(extension);
    if (ext.empty()) {
        return {"*"};
    }
    // The analysis reads AIFF as well as WAVE, whatever the case of the name.
    if (ext == "wav") {
        return {"*.wav", "*.WAV", "*.wave", "*.WAVE", "*.aif", "*.AIF", "*.aiff", "*.AIFF"};
    }
    return {"*." + std::string(ext)};
}

bool isFileOfKind(const char* extension, std::string_view name)
{
    for (const std::string& pattern : filePatterns(extension)) {
        if (pattern == "*") {
            return true;
        }
        const std::string_view ending = std::string_view(pattern).substr(1);
        if (name.size() > ending.size() && equalsIgnoringCase(name.substr(name.size() - ending.size()), ending)) {
            return true;
        }
    }
    return false;
}

bool isLibraryKind(const char* extension)
{
    const std::string_view ext = safe(extension);
    return ext == "t9i" || ext == "t9v" || ext == "t9h" || ext == "t9n";
}

std::string withExtension(const std::string& path, const char* extension)
{
    std::string_view ext = safe(extension);
    if (ext.empty() || path.empty()) {
        return path;
    }
    std::size_t slash = path.rfind('/');
    std::string_view name = std::string_view(path).substr(slash == std::string::npos ? 0 : slash + 1);
    if (name.size() > ext.size() && name[name.size() - ext.size() - 1] == '.'
        && equalsIgnoringCase(name.substr(name.size() - ext.size()), ext)) {
        return path;
    }
    return path + "." + std::string(ext);
}

} // namespace tessarine
