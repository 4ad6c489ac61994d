#pragma once
// How a prepared voice tells the renderer that a multisample's data changed.
// The sound data knows nothing of the engine: the engine implements this
// interface and hands it to each voice it plays; prepareVoice calls it once per
// used multisample, after that multisample's layers are final and before the
// voice's outline is derived. A voice without a hook (file tools, tests) skips it.

namespace tessarine {

struct Voice;

class RenderTableHook {
public:
    virtual ~RenderTableHook() = default;
    // Called on the thread that prepares the voice (the editor's or a loader's).
    virtual void rebuildRenderTables(Voice& voice, int multisample) = 0;
};

} // namespace tessarine
