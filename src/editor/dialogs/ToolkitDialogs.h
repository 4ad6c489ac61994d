#pragma once
// The dialogs of our own toolkit, for desktops without zenity or kdialog (or
// when TESSARINE_FILE_DIALOG=builtin asks for them): a file browser in a window
// of its own for open and save, and a message box. Each runs its own event
// loop until the user answers, as a desktop dialog does.
//
// Each kind of file opens where the last one of that kind was chosen, else in
// the library's folder for that kind (sounds: at home); the folders files were
// chosen in are offered again, in this run and the next (RecentFolders).

#include "editor/dialogs/FileBrowserPanel.h"
#include "editor/dialogs/FileDialogs.h"
#include "editor/dialogs/RecentFolders.h"

#include <functional>
#include <map>
#include <optional>

namespace tessarine {

class DialogPanel;

class ToolkitDialogs final : public FileDialogs {
public:
    // Recent folders are kept where RecentFolders::defaultFile() says at the time
    // of each dialog, or in recentFile (empty: nowhere).
    ToolkitDialogs() = default;
    explicit ToolkitDialogs(std::string recentFile) : recentFile_(std::move(recentFile)) {}

    bool openFile(const char* extension, std::string& path) override;
    bool openFiles(const char* extension, std::vector<std::string>& paths) override;
    bool saveFile(const char* extension, std::string& path) override;
    void messageBox(const char* text, const char* caption) override;
    bool question(const char* text, const char* caption, const char* accept) override;
    std::unique_ptr<AnalysisProgress> openAnalysisProgress() override;
    void setLibraryFolder(const std::string& root) override { libraryRoot_ = root; }
    void setScale(double scale) override { scale_ = scale; }

    // Where a dialog for this kind opens, and what its places are.
    std::string startFolder(const char* extension) const;
    FileBrowserPanel::Places places() const;
    // After a choice: the folder becomes the kind's start and the newest recent one.
    void remember(const char* extension, const std::string& chosenFile);

    // A message until the user answers; false when there is no display or the user cancels.
    static bool run(DialogPanel& panel, const char* title, double scale = 1.0);
    // The browser in a window until it is answered; false when there is no display or the user cancels.
    static bool run(FileBrowserPanel& panel, const char* title, double scale = 1.0);

private:
    bool browse(FileBrowserPanel::Mode mode, bool save, const char* extension, std::vector<std::string>& paths);

    std::string recentFile() const { return recentFile_ ? *recentFile_ : RecentFolders::defaultFile(); }

    std::optional<std::string> recentFile_;
    std::string libraryRoot_;
    double scale_ = 1.0;
    std::map<std::string, std::string> lastFolder_;
};

} // namespace tessarine
