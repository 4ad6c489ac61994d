#include "editor/ToolkitDialogs.h"

#include "editor/AnalysisProgressWindow.h"
#include "editor/DialogPanel.h"
#include "editor/FileDialogKinds.h"
#include "editor/TopLevelWindow.h"

#include <sys/stat.h>

namespace tessarine {

namespace {

constexpr int kScreenX = 160;
constexpr int kScreenY = 160;
constexpr int kEventWaitMs = 100;

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
    auto window = TopLevelWindow::create(title, DialogPanel::kWidth, DialogPanel::kHeight, kScreenX, kScreenY);
    if (!window) {
        return false;
    }
    window->show(500);
    gui::Frame& frame = panel.frame();
    auto repaint = [&] {
        frame.takeDirtyArea();
        window->paint([&](cairo_t* cr) { frame.paint(cr, frame.bounds()); });
    };
    repaint();
    for (;;) {
        WindowEvent event;
        if (window->wait(event, kEventWaitMs)) {
            if (event.kind == WindowEvent::Kind::Closed) {
                panel.cancel();
            } else if (event.kind == WindowEvent::Kind::Input) {
                panel.handle(event.input);
            } else {
                frame.invalidateRect(frame.bounds());
            }
        }
        if (panel.outcome() == DialogPanel::Outcome::Cancelled) {
            return false;
        }
        if (panel.outcome() == DialogPanel::Outcome::Accepted) {
            if (accepts(panel)) {
                return true;
            }
            panel.resume();
        }
        if (frame.hasDirtyArea()) {
            repaint();
        }
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
