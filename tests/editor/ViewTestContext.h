#pragma once
// A stand-in for the editor around the custom views: a real engine, slot A's
// voice page shown, and a record of what the views sent out. Mouse helpers
// inject the toolkit's events straight into a view, without a window.

#include "editor/views/ViewContext.h"
#include "engine/SynthEngine.h"
#include "gui/View.h"

#include <array>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace tessarine::test {

class ViewTestContext : public ViewContext {
public:
    ViewTestContext()
    {
        engine_->setParameter(kSoftLoudButtonA, 0.0f, true);
        engine_->setParameter(kMultisampleA, 0.0f, true);
    }

    SynthEngine& engine() override { return *engine_; }
    void applyValue(int index, float value) override
    {
        applied.emplace_back(index, value);
        engine_->setParameter(index, value, true);
    }
    void noiseFrameSelected(const VoicePlace&, int frame) override { selectedNoiseFrame = frame; }
    void sendMidi(const std::uint8_t bytes[3]) override
    {
        midi.push_back({bytes[0], bytes[1], bytes[2]});
        if (forwardMidi) {
            ViewContext::sendMidi(bytes);
        }
    }

    Voice& voice() { return engine_->editInstrument().voices[static_cast<std::size_t>(slot)]; }
    HarmonicData& harmonic() { return voice().layer(0, 0).harmonic; }
    NoiseData& noise() { return voice().layer(0, 0).noise; }

    static constexpr int slot = 0; // the voice page the tests' views sit on
    bool forwardMidi = false;
    int selectedNoiseFrame = -2;
    std::vector<std::pair<int, float>> applied;
    std::vector<std::array<std::uint8_t, 3>> midi;

private:
    std::unique_ptr<SynthEngine> engine_ = std::make_unique<SynthEngine>();
};

inline bool send(gui::View& view, gui::EventKind kind, double x, double y,
                 gui::MouseButton button = gui::MouseButton::Left, unsigned modifiers = 0)
{
    gui::InputEvent event;
    event.kind = kind;
    event.position = {x, y};
    event.button = button;
    event.modifiers = modifiers;
    return view.onEvent(event);
}

inline void click(gui::View& view, double x, double y, gui::MouseButton button = gui::MouseButton::Left)
{
    if (send(view, gui::EventKind::MouseDown, x, y, button)) {
        send(view, gui::EventKind::MouseUp, x, y, button);
    }
}

// Press at the first point, move through the others in order, release at the last.
inline void drag(gui::View& view, std::initializer_list<gui::Point> path,
                 gui::MouseButton button = gui::MouseButton::Left)
{
    const gui::Point* p = path.begin();
    if (!send(view, gui::EventKind::MouseDown, p->x, p->y, button)) {
        return;
    }
    for (++p; p != path.end(); ++p) {
        send(view, gui::EventKind::MouseMove, p->x, p->y, button);
    }
    const gui::Point last = *(path.end() - 1);
    send(view, gui::EventKind::MouseUp, last.x, last.y, button);
}

} // namespace tessarine::test
