#include "editor/dialogs/ToolkitDialogs.h"

#include "editor/dialogs/AnalysisProgressWindow.h"
#include "editor/dialogs/DialogPanel.h"
#include "editor/dialogs/FileDialogKinds.h"
#include "gui/TopLevelWindow.h"
#include "gui/X11Window.h"

#include <ctime>
#include <sys/stat.h>

namespace tessarine {

namespace {

// The dialog waits for a person: 60 looks a second keep typing smooth.
constexpr long kPollIntervalNs = 16'000'000;

bool exists(const std::string& path)
{
    struct stat info{};
    return stat(path.c_str(), &info) == 0;
}

std::string promptFor(bool save, const char* extension)
{
    std::string patterns;
    for (const std::string& pattern : filePatterns(extension)) {
        patterns += (patterns.empty() ? "" : " ") + pattern;
    }
    return std::string(save ? "Save to" : "Open") + " (" + patterns + "), full path:";
}

} // namespace

bool ToolkitDialogs::run(DialogPanel& panel, const char* title, const std::function<bool(DialogPanel&)>& accepts)
{
    gui::TopLevelWindow top;
    gui::X11Window content(panel.frame());
    if (!top.open(DialogPanel::kWidth, DialogPanel::kHeight, title) || !content.open(top.windowId())) {
        return false;
    }
    for (;;) {
        if (!top.pump()) {
            panel.cancel();
        }
        content.idle();
        if (panel.outcome() == DialogPanel::Outcome::Cancelled) {
            return false;
        }
        if (panel.outcome() == DialogPanel::Outcome::Accepted) {
            if (accepts(panel)) {
                return true;
            }
            panel.resume();
        }
        timespec pause{0, kPollIntervalNs};
        nanosleep(&pause, nullptr);
    }
}

bool ToolkitDialogs::openFile(const char* extension, std::string& path)
{
    auto panel = DialogPanel::pathEntry(promptFor(false, extension));
    panel->setText(path);
    bool chosen = run(*panel, dialogTitle(false, extension).c_str(), [](DialogPanel& p) {
        if (p.text().empty() || !exists(p.text())) {
            p.setNotice("No such file.");
            return false;
        }
        return true;
    });
    if (chosen) {
        path = panel->text();
    }
    return chosen;
}

bool ToolkitDialogs::saveFile(const char* extension, std::string& path)
{
    auto panel = DialogPanel::pathEntry(promptFor(true, extension));
    panel->setText(path);
    std::string confirmed;
    bool chosen = run(*panel, dialogTitle(true, extension).c_str(), [&](DialogPanel& p) {
        if (p.text().empty()) {
            return false;
        }
        std::string target = withExtension(p.text(), extension);
        // A second OK on the same name replaces the file.
        if (exists(target) && target != confirmed) {
            confirmed = target;
            p.setNotice("That file exists: OK again replaces it.");
            return false;
        }
        return true;
    });
    if (chosen) {
        path = withExtension(panel->text(), extension);
    }
    return chosen;
}

void ToolkitDialogs::messageBox(const char* text, const char* caption)
{
    auto panel = DialogPanel::message(text != nullptr ? text : "");
    run(*panel, caption != nullptr ? caption : "", [](DialogPanel&) { return true; });
}

std::unique_ptr<AnalysisProgress> ToolkitDialogs::openAnalysisProgress() { return AnalysisProgressWindow::open(); }

} // namespace tessarine
