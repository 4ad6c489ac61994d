#include "editor/dialogs/DesktopDialogs.h"

#include "editor/dialogs/AnalysisProgressWindow.h"
#include "editor/dialogs/ChildProcess.h"
#include "editor/dialogs/FileDialogKinds.h"

#include <climits>
#include <vector>

namespace tessarine {

namespace {

// A path and its newline; anything longer is no path this system can open.
constexpr std::size_t kOutputLimit = PATH_MAX + 2;

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

bool DesktopDialogs::openFile(const char* extension, std::string& path)
{
    return askForPath(false, extension, path);
}

bool DesktopDialogs::saveFile(const char* extension, std::string& path)
{
    return askForPath(true, extension, path);
}

bool DesktopDialogs::askForPath(bool save, const char* extension, std::string& path)
{
    const std::string title = dialogTitle(save, extension);
    const std::string patterns = joined(filePatterns(extension));
    const std::string kind = fileKindName(extension) + " files";
    std::vector<std::string> argv{program_};
    if (tool_ == Tool::Zenity) {
        argv.insert(argv.end(), {"--file-selection", "--title=" + title, "--file-filter=" + kind + " | " + patterns});
        if (save) {
            argv.insert(argv.end(), {"--save", "--confirm-overwrite"});
        }
    } else {
        // kdialog asks before overwriting on its own; ":tessarine" remembers the last folder.
        argv.insert(argv.end(), {"--title", title, save ? "--getsavefilename" : "--getopenfilename", ":tessarine",
                                 patterns + "|" + kind});
    }
    ChildResult result = runChildProcess(argv, kOutputLimit);
    if (!result.started || result.exitCode != 0 || result.truncated) {
        return false;
    }
    std::string chosen = result.output;
    if (!chosen.empty() && chosen.back() == '\n') {
        chosen.pop_back();
    }
    // One path, nothing else: an empty answer or several lines is no choice.
    if (chosen.empty() || chosen.find('\n') != std::string::npos || chosen.find('\0') != std::string::npos) {
        return false;
    }
    path = save ? withExtension(chosen, extension) : chosen;
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
    runChildProcess(argv, kOutputLimit);
}

std::unique_ptr<AnalysisProgress> DesktopDialogs::openAnalysisProgress() { return AnalysisProgressWindow::open(); }

} // namespace tessarine
