#pragma once
// What a person types into a file dialog's path line, made into a path: "~"
// is their home, and a relative path starts at the folder the dialog shows,
// never at the host's working folder (which a plug-in cannot know).

#include <string>
#include <string_view>

namespace tessarine {

// $HOME, else the password database's entry, else "/".
std::string homeFolder();

// True when the text names a place ("~", "/x", "./x", "a/b") rather than
// part of a name to look for.
bool looksLikePath(std::string_view typed);

// The typed text as an absolute path with "." and ".." taken out; empty text
// gives the folder itself. No trailing separator except for "/".
std::string resolveTyped(std::string_view typed, const std::string& folder, const std::string& home);

std::string parentFolder(const std::string& folder);
std::string joinPath(const std::string& folder, const std::string& name);
// The folder part of a path to a file ("/" for "/x").
std::string folderOf(const std::string& path);

} // namespace tessarine
