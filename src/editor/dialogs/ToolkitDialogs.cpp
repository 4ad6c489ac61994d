#include "editor/dialogs/ToolkitDialogs.h"

#include "editor/dialogs/AnalysisProgressWindow.h"
#include "editor/dialogs/DialogPanel.h"
#include "editor/dialogs/FileDialogKinds.h"
#include "editor/dialogs/TypedPath.h"
#include "gui/DeviceScale.h"
#include "gui/TopLevelWindow.h"
#include "gui/X11Window.h"
#include "sound/library/LibraryFolders.h"

#include <ctime>
#include <sys/stat.h>

namespace tessarine {

namespace {

// The dialog waits for a person: 60 looks a second keep typing smooth.
constexpr long kPollIntervalNs = 16'000'000;

bool isFolder(const std::string& path)
{
    struct stat info{};
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Shows the frame in a window of its own at the editor's scale, calling step()
// after every round of events until it says the dialog is answered; closed()
// when the window is closed.
bool showWindow(gui::Frame& frame, int width, int height, double scale, const char* title,
                const std::function<void()>& closed, const std::function<bool()>& answered)
{
    frame.setScale(scale);
    gui::TopLevelWindow top;
    gui::X11Window content(frame);
    if (!top.open(gui::deviceLength(width, frame.scale()), gui::deviceLength(height, frame.scale()), title)
        || !content.open(top.windowId())) {
        return false;
    }
    for (;;) {
        if (!top.pump()) {
            closed();
        }
        content.idle();
        if (answered()) {
            return true;
        }
        timespec pause{0, kPollIntervalNs};
        nanosleep(&pause, nullptr);
    }
}

} // namespace

bool ToolkitDialogs::run(DialogPanel& panel, const char* title, double scale)
{
    const bool shown = showWindow(panel.frame(), DialogPanel::kWidth, DialogPanel::kHeight, scale, title,
                                  [&] { panel.cancel(); },
                                  [&] { return panel.outcome() != DialogPanel::Outcome::Pending; });
    return shown && panel.outcome() == DialogPanel::Outcome::Accepted;
}

bool ToolkitDialogs::run(FileBrowserPanel& panel, const char* title, double scale)
{
    const bool shown = showWindow(panel.frame(), FileBrowserPanel::kWidth, FileBrowserPanel::kHeight, scale, title,
                                  [&] { panel.cancel(); },
                                  [&] { return panel.outcome() != FileBrowserPanel::Outcome::Pending; });
    return shown && panel.outcome() == FileBrowserPanel::Outcome::Accepted;
}

std::string ToolkitDialogs::startFolder(const char* extension) const
{
    if (auto last = lastFolder_.find(extension != nullptr ? extension : ""); last != lastFolder_.end()
                                                                             && isFolder(last->second)) {
        return last->second;
    }
    if (isLibraryKind(extension) && isFolder(libraryRoot_)) {
        const LibraryFolders folders = LibraryFolders::at(libraryRoot_);
        const std::string_view ext = extension;
        const std::string& kindFolder = ext == "t9i"   ? folders.instruments
                                        : ext == "t9v" ? folders.voices
                                        : ext == "t9h" ? folders.harmonicPresets
                                                       : folders.noisePresets;
        return isFolder(kindFolder) ? kindFolder : libraryRoot_;
    }
    return homeFolder();
}

FileBrowserPanel::Places ToolkitDialogs::places() const
{
    FileBrowserPanel::Places places;
    places.home = homeFolder();
    places.library = isFolder(libraryRoot_) ? libraryRoot_ : std::string();
    RecentFolders recent(recentFile());
    recent.load();
    for (const std::string& folder : recent.folders()) {
        if (isFolder(folder)) {
            places.recent.push_back(folder);
        }
    }
    return places;
}

void ToolkitDialogs::remember(const char* extension, const std::string& chosenFile)
{
    const std::string folder = folderOf(chosenFile);
    lastFolder_[extension != nullptr ? extension : ""] = folder;
    // Loaded afresh: another instance may have added folders since.
    RecentFolders recent(recentFile());
    recent.load();
    recent.add(folder);
}

bool ToolkitDialogs::browse(FileBrowserPanel::Mode mode, bool save, const char* extension,
                            std::vector<std::string>& paths)
{
    FileBrowserPanel panel(mode, extension, places(), startFolder(extension));
    if (!run(panel, dialogTitle(save, extension).c_str(), scale_) || panel.chosen().empty()) {
        return false;
    }
    paths = panel.chosen();
    remember(extension, paths.front());
    return true;
}

bool ToolkitDialogs::openFile(const char* extension, std::string& path)
{
    std::vector<std::string> paths;
    if (!browse(FileBrowserPanel::Mode::Open, false, extension, paths)) {
        return false;
    }
    path = paths.front();
    return true;
}

bool ToolkitDialogs::openFiles(const char* extension, std::vector<std::string>& paths)
{
    return browse(FileBrowserPanel::Mode::OpenMany, false, extension, paths);
}

bool ToolkitDialogs::saveFile(const char* extension, std::string& path)
{
    std::vector<std::string> paths;
    if (!browse(FileBrowserPanel::Mode::Save, true, extension, paths)) {
        return false;
    }
    path = paths.front();
    return true;
}

void ToolkitDialogs::messageBox(const char* text, const char* caption)
{
    auto panel = DialogPanel::message(text != nullptr ? text : "");
    run(*panel, caption != nullptr ? caption : "", scale_);
}

// Without a display nobody can answer: nothing is discarded.
bool ToolkitDialogs::question(const char* text, const char* caption, const char* accept)
{
    auto panel = DialogPanel::question(text != nullptr ? text : "", accept != nullptr ? accept : "OK");
    return run(*panel, caption != nullptr ? caption : "", scale_);
}

std::unique_ptr<AnalysisProgress> ToolkitDialogs::openAnalysisProgress()
{
    return AnalysisProgressWindow::open(scale_);
}

} // namespace tessarine
