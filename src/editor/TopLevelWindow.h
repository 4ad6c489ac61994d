#pragma once
// A small window of our own on the desktop, outside the host's window: the
// analysis progress window and the toolkit's file dialog and message box.
// Each has its own display connection, opened with it and closed with it, so
// it never touches the editor's connection or the host's.

#include "gui/InputEvent.h"

#include <cairo.h>

#include <functional>
#include <memory>

struct _XDisplay;

namespace tessarine {

struct WindowEvent {
    enum class Kind { Exposed, Closed, Input };
    Kind kind = Kind::Exposed;
    gui::InputEvent input;
};

class TopLevelWindow {
public:
    // Null when there is no display or the window cannot be made.
    static std::unique_ptr<TopLevelWindow> create(const char* title, int width, int height, int x, int y);
    ~TopLevelWindow();

    TopLevelWindow(const TopLevelWindow&) = delete;
    TopLevelWindow& operator=(const TopLevelWindow&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    _XDisplay* display() const { return display_; }
    unsigned long windowId() const { return window_; }

    // Shows the window and waits (at most timeoutMs) until it can be drawn.
    void show(int timeoutMs);

    // The next pending event without waiting; false when there is none.
    bool poll(WindowEvent& event);
    // Waits at most timeoutMs for the next event.
    bool wait(WindowEvent& event, int timeoutMs);

    // Draws the whole window off screen, then puts it on screen in one copy.
    void paint(const std::function<void(cairo_t*)>& painter);

private:
    TopLevelWindow() = default;
    bool translate(const void* xevent, WindowEvent& event);

    _XDisplay* display_ = nullptr;
    unsigned long window_ = 0;
    unsigned long deleteAtom_ = 0;
    cairo_surface_t* surface_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

} // namespace tessarine
