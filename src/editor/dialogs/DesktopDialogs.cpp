#include "editor/dialogs/DesktopDialogs.h"

#include "editor/dialogs/AnalysisProgressWindow.h"
#include "editor/dialogs/ChildProcess.h"
#include "editor/dialogs/FileDialogKinds.h"
#include "editor/dialogs/ToolkitDialogs.h"

#include <climits>

namespace tessarine {

namespace {

// A path and its newline; anything longer is no path this system can open.
constexpr std::size_t kOutputLimit = PATH_MAX + 2;
// Several at once: more than a person picks by hand, and far less than the memory it takes.
constexpr std::size_t kManyOutputLimit = 256 * kOutputLimit;

std::string joined(const std::vector<std::string>& patterns)
{
    std::string text;
    for (const std::string& pattern : patterns) {
        text += (text.empty() ? "" : " ") + pattern;
    }
    return text;
}

} // namespace

DesktopDialogs::DesktopDialogs(Tool tool, std::string program) : tool_(tool), program_(std::move(program)) {}

DesktopDialogs::~DesktopDialogs() = default;

FileDialogs& DesktopDialogs::fallback()
{
    if (!fallback_) {
        fallback_ = std::make_unique<ToolkitDialogs>();
        fallback_->setLibraryFolder(libraryRoot_);
        fallback_->setScale(scale_);
    }
    return *fallback_;
}

void DesktopDialogs::setScale(double scale)
{
    scale_ = scale;
    if (fallback_) {
        fallback_->setScale(scale);
    }
}

void DesktopDialogs::setLibraryFolder(const std::string& root)
{
    libraryRoot_ = root;
    if (fallback_) {
        fallback_->setLibraryFolder(root);
    }
}

bool DesktopDialogs::openFile(const char* extension, std::string& path)
{
    std::vector<std::string> paths;
    if (!askForPaths(Ask::Open, extension, paths)) {
        return false;
    }
    path = paths.front();
    return true;
}

bool DesktopDialogs::openFiles(const char* extension, std::vector<std::string>& paths)
{
    return askForPaths(Ask::OpenMany, extension, paths);
}

bool DesktopDialogs::saveFile(const char* extension, std::string& path)
{
    std::vector<std::string> paths;
    if (!askForPaths(Ask::Save, extension, paths)) {
        return false;
    }
    path = paths.front();
    return true;
}

bool DesktopDialogs::askForPaths(Ask ask, const char* extension, std::vector<std::string>& paths)
{
    const bool save = ask == Ask::Save;
    const bool many = ask == Ask::OpenMany;
    const std::string title = dialogTitle(save, extension);
    const std::string patterns = joined(filePatterns(extension));
    const std::string kind = fileKindName(extension) + " files";
    std::vector<std::string> argv{program_};
    if (tool_ == Tool::Zenity) {
        argv.insert(argv.end(), {"--file-selection", "--title=" + title, "--file-filter=" + kind + " | " + patterns});
        if (save) {
            argv.insert(argv.end(), {"--save", "--confirm-overwrite"});
        }
        if (many) {
            // One path a line: a name may hold zenity's default separator '|', hardly a newline.
            argv.insert(argv.end(), {"--multiple", "--separator=\n"});
        }
    } else {
        // kdialog asks before overwriting on its own; ":tessarine" remembers the last folder.
        argv.insert(argv.end(), {"--title", title, save ? "--getsavefilename" : "--getopenfilename", ":tessarine",
                                 patterns + "|" + kind});
        if (many) {
            argv.insert(argv.end(), {"--multiple", "--separate-output"});
        }
    }
    ChildResult result = runChildProcess(argv, many ? kManyOutputLimit : kOutputLimit);
    if (!result.started) {
        FileDialogs& own = fallback();
        if (many) {
            return own.openFiles(extension, paths);
        }
        std::string path;
        if (!(save ? own.saveFile(extension, path) : own.openFile(extension, path))) {
            return false;
        }
        paths.assign(1, path);
        return true;
    }
    if (result.exitCode != 0 || result.truncated || result.output.find('\0') != std::string::npos) {
        return false;
    }
    std::vector<std::string> chosen;
    std::size_t start = 0;
    while (start < result.output.size()) {
        std::size_t end = result.output.find('\n', start);
        if (end == std::string::npos) {
            end = result.output.size();
        }
        if (end > start) {
            chosen.push_back(result.output.substr(start, end - start));
        }
        start = end + 1;
    }
    // Exactly one path unless several were asked for: anything else is no choice.
    if (chosen.empty() || (!many && (chosen.size() != 1 || result.output.find('\n') < result.output.size() - 1))) {
        return false;
    }
    if (save) {
        chosen.front() = withExtension(chosen.front(), extension);
    }
    paths = std::move(chosen);
    return true;
}

void DesktopDialogs::messageBox(const char* text, const char* caption)
{
    const std::string message = text != nullptr ? text : "";
    const std::string title = caption != nullptr ? caption : "";
    std::vector<std::string> argv{program_};
    if (tool_ == Tool::Zenity) {
        argv.insert(argv.end(), {"--info", "--no-markup", "--title=" + title, "--text=" + message});
    } else {
        argv.insert(argv.end(), {"--title", title, "--msgbox", message});
    }
    if (!runChildProcess(argv, kOutputLimit).started) {
        fallback().messageBox(text, caption);
    }
}

bool DesktopDialogs::question(const char* text, const char* caption, const char* accept)
{
    const std::string message = text != nullptr ? text : "";
    const std::string title = caption != nullptr ? caption : "";
    const std::string yes = accept != nullptr ? accept : "OK";
    std::vector<std::string> argv{program_};
    if (tool_ == Tool::Zenity) {
        argv.insert(argv.end(), {"--question", "--no-markup", "--title=" + title, "--text=" + message,
                                 "--ok-label=" + yes, "--cancel-label=Cancel"});
    } else {
        argv.insert(argv.end(), {"--title", title, "--yes-label", yes, "--no-label", "Cancel", "--yesno", message});
    }
    const ChildResult result = runChildProcess(argv, kOutputLimit);
    if (!result.started) {
        return fallback().question(text, caption, accept);
    }
    return result.exitCode == 0;
}

std::unique_ptr<AnalysisProgress> DesktopDialogs::openAnalysisProgress()
{
    return AnalysisProgressWindow::open(scale_);
}

} // namespace tessarine
