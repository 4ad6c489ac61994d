#pragma once
// A plain top-level window on a display connection of its own, to stand in
// for a host's parent window (the command-line editor) or to carry a small
// window of our own. It only minds being closed; drawing into it is left to
// whoever embeds a child (an X11Window) or paints it.

#include <memory>
#include <string>

namespace tessarine::gui {

class TopLevelWindow {
public:
    TopLevelWindow();
    ~TopLevelWindow();

    TopLevelWindow(const TopLevelWindow&) = delete;
    TopLevelWindow& operator=(const TopLevelWindow&) = delete;

    // Creates and maps the window; false when there is no display.
    bool open(int width, int height, const std::string& title, const char* displayName = nullptr);
    void close();
    bool isOpen() const;

    unsigned long windowId() const;
    // A new fixed size (the editor inside was drawn at another scale).
    void resize(int width, int height);

    // Makes this window a drop site whose drops go to target (the embedded
    // window that handles them: it must carry XdndAware itself). Sources that
    // only look at top-level windows find us this way. 0 for the first child
    // window. False when there is no such window.
    bool proxyDropsTo(unsigned long target = 0);

    // Handles the window's own events; false once the user asked to close it.
    bool pump();

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace tessarine::gui
