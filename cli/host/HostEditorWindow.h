#pragma once
// The plug-in's editor in a window of the host's, as a DAW shows it: a
// top-level window of the editor's size is the parent handed to effEditOpen,
// and the host's GUI loop gives the editor its effEditIdle. Used by `tessarine
// edit` and by the tests that click the real editor.

#include "host/PluginHost.h"

#include <memory>
#include <string>

struct _XDisplay;

namespace tessarine::host {

class HostEditorWindow {
public:
    // Opens the window on the default display and the editor inside it. Null,
    // with a one-line reason, when there is no display or no editor.
    static std::unique_ptr<HostEditorWindow> open(PluginHost& host, std::string& error);
    // effEditClose, then the window goes.
    ~HostEditorWindow();

    HostEditorWindow(const HostEditorWindow&) = delete;
    HostEditorWindow& operator=(const HostEditorWindow&) = delete;

    // Handles the window's own events and gives the editor one effEditIdle.
    // False once the user has closed the window.
    bool idle();

    int width() const { return width_; }
    int height() const { return height_; }
    unsigned long windowId() const { return window_; }
    _XDisplay* display() const { return display_; }
    // How long effEditOpen took, in milliseconds: on the clock, and in CPU time
    // of the calling thread (what a busy machine does not inflate).
    double openMilliseconds() const { return openMs_; }
    double openCpuMilliseconds() const { return openCpuMs_; }

private:
    explicit HostEditorWindow(PluginHost& host) : host_(host) {}
    void proxyDropsToEditor();
    void fixSize(int width, int height);
    void followEditorSize();

    PluginHost& host_;
    _XDisplay* display_ = nullptr;
    unsigned long window_ = 0;
    unsigned long deleteAtom_ = 0;
    int width_ = 0;
    int height_ = 0;
    bool editorOpen_ = false;
    bool closed_ = false;
    double openMs_ = 0;
    double openCpuMs_ = 0;
};

} // namespace tessarine::host
