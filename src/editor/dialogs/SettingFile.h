#pragma once
// A small setting the person chose, remembered for every instance and run in
// a file of its own beside the recent folders ($XDG_CONFIG_HOME/tessarine/,
// else ~/.config/tessarine/). Reading is bounded and never waits on a FIFO or
// device put in the file's place; writing replaces the file whole by a rename,
// so a failed write leaves the last choice.

#include <cstddef>
#include <string>
#include <string_view>

namespace tessarine {

// The path of a setting file name in our configuration folder.
std::string settingFilePath(const char* name);

// The file's text, terminated, when it is a regular file shorter than capacity;
// false (text empty) when it is missing, not regular or too long.
bool readSettingFile(const std::string& path, char* text, std::size_t capacity);
// The same for a list of any length up to maxBytes.
bool readSettingFile(const std::string& path, std::string& text, std::size_t maxBytes);

// False when the file could not be written; the old one then stays.
bool writeSettingFile(const std::string& path, std::string_view text);

} // namespace tessarine
