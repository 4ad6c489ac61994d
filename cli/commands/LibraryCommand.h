#pragma once
// `tessarine library`: the sound library beside the plug-in (or below --root)
// as the editor's menus show it: the instrument categories with their
// instruments, and the voice, harmonic preset and noise preset menus with
// their submenus, in menu order. Read with the plug-in's own library code.

#include "commands/Command.h"
#include <ostream>
#include <string>

namespace tessarine::host {

// Prints the menus and returns 0, or one line on err and 1 when root is not a folder.
int runLibrary(const std::string& root, bool json, std::ostream& out, std::ostream& err);

extern const Command kLibraryCommand;

} // namespace tessarine::host
