#pragma once
// The desktop's own file dialogs and message box, run as a child process:
// zenity (GNOME and most others) or kdialog (KDE). The tool prints the chosen
// path (one a line when several may be chosen) and exits with 0; any other
// exit is a cancel. Where the tool cannot be started at all (a host that
// forbids child processes), the toolkit's own dialogs answer instead.

#include "editor/dialogs/FileDialogs.h"

#include <string>
#include <vector>

namespace tessarine {

class DesktopDialogs final : public FileDialogs {
public:
    enum class Tool { Zenity, Kdialog };

    // program: the tool's executable (a path, or a name looked up in PATH).
    DesktopDialogs(Tool tool, std::string program);
    ~DesktopDialogs() override;

    bool openFile(const char* extension, std::string& path) override;
    bool openFiles(const char* extension, std::vector<std::string>& paths) override;
    bool saveFile(const char* extension, std::string& path) override;
    void messageBox(const char* text, const char* caption) override;
    bool question(const char* text, const char* caption, const char* accept) override;
    std::unique_ptr<AnalysisProgress> openAnalysisProgress() override;
    void setLibraryFolder(const std::string& root) override;
    // Only our progress window takes it; the desktop scales its own dialogs.
    void setScale(double scale) override;

private:
    enum class Ask { Open, OpenMany, Save };
    bool askForPaths(Ask ask, const char* extension, std::vector<std::string>& paths);
    FileDialogs& fallback();

    Tool tool_;
    std::string program_;
    std::string libraryRoot_;
    double scale_ = 1.0;
    std::unique_ptr<FileDialogs> fallback_;
};

} // namespace tessarine
