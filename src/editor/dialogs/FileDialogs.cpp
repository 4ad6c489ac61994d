#include "editor/dialogs/FileDialogs.h"

#include "editor/dialogs/ChildProcess.h"
#include "editor/dialogs/DesktopDialogs.h"
#include "editor/dialogs/ToolkitDialogs.h"

#include <cstdlib>
#include <string_view>

namespace tessarine {

// Chosen once, when the editor is made: the desktop's tool looks at home there,
// and our own dialog works everywhere else.
std::unique_ptr<FileDialogs> makeFileDialogs()
{
    if (const char* choice = std::getenv("TESSARINE_FILE_DIALOG");
        choice != nullptr && std::string_view(choice) == "builtin") {
        return std::make_unique<ToolkitDialogs>();
    }
    if (std::string zenity = findInPath("zenity"); !zenity.empty()) {
        return std::make_unique<DesktopDialogs>(DesktopDialogs::Tool::Zenity, zenity);
    }
    if (std::string kdialog = findInPath("kdialog"); !kdialog.empty()) {
        return std::make_unique<DesktopDialogs>(DesktopDialogs::Tool::Kdialog, kdialog);
    }
    return std::make_unique<ToolkitDialogs>();
}

} // namespace tessarine
