#pragma once
// What the instrument needs of the plug-in format that carries it, in the
// instrument's own terms: values reported to the host as automation, the
// host served while the editor holds its thread, the host's transport, and
// whether an editor exists. Each format's adapter implements it.

namespace tessarine {

// The host's transport as the instrument reads it: tempo in beats per minute,
// the play position and the start of the current bar in quarter notes. A
// host that reports nothing leaves these start values.
struct HostTransport {
    double tempo = 120.0;
    double ppqPosition = 0.0;
    double barStart = 0.0;
};

class CoreHost {
public:
    // A value the musician changed in the editor, already applied: the host
    // records it as automation. Editor (main) thread.
    virtual void automateFromEditor(int index, float value) = 0;
    // A value the instrument changed itself during a block (MIDI learn, a
    // learned controller), so that the host's automation and display follow.
    // Audio thread, after the block: must not allocate, lock or wait.
    virtual void automateFromAudio(int index, float value) = 0;
    // Lets the host run its own idle work while the editor holds the main
    // thread in a mouse-tracking loop.
    virtual void serveIdle() = 0;
    // Fills transport from the host; false (transport untouched) when the
    // host has none to give. withBar asks for the bar start too. Audio thread
    // during event delivery, main thread on activation.
    virtual bool readTransport(HostTransport& transport, bool withBar) = 0;
    // An editor was attached (present) or the attached one went away. Main thread.
    virtual void editorChanged(bool present) = 0;
    // The open editor's window took a new size (device pixels), after a scale
    // change: the host fits its window around it. Main thread.
    virtual void editorResized(int /*width*/, int /*height*/) {}
    // Values the instrument changed by itself on the main thread (a load, a
    // reset, a random instrument, a voice load, the editor's randomise), each
    // once with its new value, then valuesReported once for the batch, so the
    // host's view and automation follow without reading everything again.
    // Changes the host asked for (its own writes, state loads) never come
    // here. A host with no view of the values ignores both.
    virtual void reportValue(int /*index*/, float /*value*/) {}
    virtual void valuesReported() {}

protected:
    ~CoreHost() = default;
};

} // namespace tessarine
