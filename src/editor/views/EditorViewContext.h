#pragma once
// The editor's side of the custom views' context: values go out through the
// plug-in's automated write (engine, editor, host), keyboard MIDI through the
// engine's intake, the harmonic envelope view's selection to the bars and the
// noise frame view's to the noise spectrum view of the same voice page.

#include "editor/views/ViewContext.h"

#include <functional>

namespace tessarine {

class EditorHost;

class EditorViewContext final : public ViewContext {
public:
    using FrameSelected = std::function<void(const VoicePlace& place, int frame)>;

    EditorViewContext(SynthEngine& engine, EditorHost& host, FrameSelected harmonicFrameSelected,
                      FrameSelected noiseFrameSelected)
        : engine_(engine), host_(host), harmonicFrameSelected_(std::move(harmonicFrameSelected)),
          noiseFrameSelected_(std::move(noiseFrameSelected))
    {
    }

    SynthEngine& engine() override { return engine_; }
    void applyValue(int index, float value) override;
    void harmonicFrameSelected(const VoicePlace& place, int frame) override
    {
        if (harmonicFrameSelected_) {
            harmonicFrameSelected_(place, frame);
        }
    }
    void noiseFrameSelected(const VoicePlace& place, int frame) override
    {
        if (noiseFrameSelected_) {
            noiseFrameSelected_(place, frame);
        }
    }

private:
    SynthEngine& engine_;
    EditorHost& host_;
    FrameSelected harmonicFrameSelected_;
    FrameSelected noiseFrameSelected_;
};

} // namespace tessarine
