#pragma once
// Where the application finds its files: the factory sound library it
// plays from and the folder that keeps the musician's last session.

#include <string>

namespace tessarine::app {

// The folder holding the running executable, or "" when it cannot be known.
std::string executableFolder();

// The library root to hand the core for an executable in exeFolder: "" means
// the core's own default, the folder beside the executable, which the build
// tree has (TessarineData beside the program); an installed program finds its
// library in <prefix>/share/tessarine.
std::string libraryRootFor(const std::string& exeFolder);

// The user's data folder for the application: $XDG_DATA_HOME/tessarine, or
// $HOME/.local/share/tessarine when XDG_DATA_HOME is unset, empty or relative
// (a relative one is to be ignored). "" when neither gives an absolute folder.
std::string userDataFolder(const char* xdgDataHome, const char* home);

// The session file inside the user's data folder.
inline constexpr const char* kSessionFileName = "Last session.t9i";

// Creates folder and its missing parents (mode 0700 for new ones, as user data
// folders are made). False, with errno set, when it cannot be made or is no folder.
bool makeFolders(const std::string& folder);

} // namespace tessarine::app
