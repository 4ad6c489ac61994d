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

// The editor's size in pixels.
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

    EditorSize size() const { return size_; }
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
    // RGBA rows (size()'s width × height × 4 bytes). False when the editor cannot
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
    EditorSize size_;
    std::int64_t nextIdleMs_ = 0;
    bool insideIdle_ = false;
};

// A monotonic millisecond clock for the editor's timing.
std::int64_t tickCountMs();

} // namespace tessarine
