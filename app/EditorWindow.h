#pragma once
// The editor in a top-level window of its own, as a host would show it in
// its parent window: the window has the editor's size and title "Tessarine",
// and closing it (the window manager's close button) ends the application.
// Main thread.

#include "core/InstrumentCore.h"
#include "gui/TopLevelWindow.h"

#include <memory>
#include <string>

namespace tessarine::app {

class EditorWindow {
public:
    // Null, with a one-line reason, when there is no display to open or the
    // editor cannot open.
    static std::unique_ptr<EditorWindow> open(InstrumentCore& core, std::string& error);
    // Closes the editor, then the window.
    ~EditorWindow();

    EditorWindow(const EditorWindow&) = delete;
    EditorWindow& operator=(const EditorWindow&) = delete;

    // Waits timeoutMs, handles the window's events and gives the editor its
    // idle. False once the musician has closed the window.
    bool idle(int timeoutMs);

private:
    explicit EditorWindow(InstrumentCore& core) : core_(core) {}

    InstrumentCore& core_;
    gui::TopLevelWindow window_;
    int width_ = 0;
    int height_ = 0;
    bool editorOpen_ = false;
};

} // namespace tessarine::app
