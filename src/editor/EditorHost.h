#pragma once
// What the editor needs of whatever hosts it, in the editor's own terms and
// nothing of any plug-in format: a value written as the musician's automation,
// the host served while the editor tracks the mouse, and the link that tells
// the host an editor exists. The instrument core implements it.

namespace tessarine {

class EditorShell;

class EditorHost {
public:
    // A value changed by a control: stored, applied and reported to the host
    // as automation. GUI thread.
    virtual void automate(int index, float value) = 0;
    // Lets the host run its own idle work while the editor holds the GUI
    // thread in a mouse-tracking loop.
    virtual void hostIdle() = 0;
    virtual void attachEditor(EditorShell* editor) = 0;
    // The open editor's window took a new size (device pixels): the host fits
    // its own window around it. GUI thread.
    virtual void editorResized(int width, int height)
    {
        (void)width;
        (void)height;
    }
    // Ignored unless editor is the one attached.
    virtual void detachEditor(EditorShell* editor) = 0;

protected:
    ~EditorHost() = default;
};

} // namespace tessarine
