#pragma once
// The desktop's own file dialogs and message box, run as a child process:
// zenity (GNOME and most others) or kdialog (KDE). The tool prints the chosen
// path and exits with 0; any other exit is a cancel.

#include "editor/dialogs/FileDialogs.h"

#include <string>

namespace tessarine {

class DesktopDialogs final : public FileDialogs {
public:
    enum class Tool { Zenity, Kdialog };

    // program: the tool's executable (a path, or a name looked up in PATH).
    DesktopDialogs(Tool tool, std::string program);

    bool openFile(const char* extension, std::string& path) override;
    bool saveFile(const char* extension, std::string& path) override;
    void messageBox(const char* text, const char* caption) override;
    std::unique_ptr<AnalysisProgress> openAnalysisProgress() override;

private:
    bool askForPath(bool save, const char* extension, std::string& path);

    Tool tool_;
    std::string program_;
};

} // namespace tessarine
