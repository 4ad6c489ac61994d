#pragma once
// The editor side of the host interface: what a host asks of an editor
// (size, open, close, idle, keys, knob mode, wheel) and the idle pump that
// keeps the host served while the editor tracks the mouse. SynthEditor derives
// from it; until an editor exists the plug-in has none and answers 0.

#include "editor/EditorHost.h"
#include "editor/KeyCode.h"

#include <cstddef>
#include <cstdint>

namespace tessarine {

// The editor's size in device pixels.
struct EditorSize {
    int width = 0;
    int height = 0;
};

class EditorShell {
public:
    // Registers the editor with its host, which then reports that it has one.
    explicit EditorShell(EditorHost& host);
    virtual ~EditorShell();

    EditorShell(const EditorShell&) = delete;
    EditorShell& operator=(const EditorShell&) = delete;

    // The window's size: the editor's logical size at its scale.
    EditorSize size() const { return scaled(scale_); }
    // Device pixels per logical pixel, 1 … 3, that the window is drawn at.
    double scale() const { return scale_; }
    // The host's request for a scale (its display scaling): false for anything
    // not a positive number. The editor may keep a size the person picked.
    virtual bool requestScale(double scale)
    {
        (void)scale;
        return false;
    }
    // The size of drawPage's pictures: the logical size at the host's
    // requested scale (1 without one), whatever the person picked for the
    // window, so pictures come out the same on every machine.
    EditorSize pictureSize() const { return scaled(pictureScale_); }
    virtual bool open(void* parentWindow);
    virtual void close();
    virtual void idle() {}
    // -1 when no view takes the key.
    virtual int onKeyDown(const KeyCode&) { return -1; }
    virtual int onKeyUp(const KeyCode&) { return -1; }
    virtual void setKnobMode(int) {}
    virtual bool onWheel(float) { return false; }
    // A value changed outside the editor (host automation, MIDI); moves its control.
    virtual void setParameter(int, float) {}
    // The instrument now matches a file or the host's project (it was loaded
    // or saved): the modified mark clears.
    virtual void instrumentUnmodified() {}

    // Draws page 0 … 7 without a window into a caller-owned buffer of straight
    // RGBA rows (pictureSize()'s width × height × 4 bytes). False when the editor cannot
    // draw headless or the buffer is too small; the buffer is then untouched.
    virtual bool drawPage(int page, std::uint8_t* rgba, std::size_t bytes)
    {
        (void)page;
        (void)rgba;
        (void)bytes;
        return false;
    }

    // effEditIdle from the host's GUI thread.
    void idleFromHost();

    // One turn of the waiting loop while a mouse button is held: serves the host's
    // idle at most every 100 ms and keeps the window's paint requests flowing.
    void waitStep();

    void setUpdateFlag() { updateFlag_ = true; }

protected:
    virtual void update() {}
    virtual void frameIdle() {}
    virtual void dispatchPendingPaint() {}

    EditorHost& host_;
    void* parentWindow_ = nullptr;
    bool updateFlag_ = false;
    EditorSize scaled(double scale) const;

    EditorSize size_;  // logical pixels
    double scale_ = 1.0;
    double pictureScale_ = 1.0;
    std::int64_t nextIdleMs_ = 0;
    bool insideIdle_ = false;
};

// A monotonic millisecond clock for the editor's timing.
std::int64_t tickCountMs();

} // namespace tessarine
