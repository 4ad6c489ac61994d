#pragma once
// The instrument as an LV2 host sees it: ports, the event sequence, state and
// the seed, mapped onto the instrument core; the UI in the same module reaches
// the core through the instance.
//
// Ports and the instrument's own values. A host holds every control port's
// value itself and can never be told of a change the instrument made (an
// instrument loaded in the editor, a MIDI-learned controller). So run() applies
// a port only when its value changes, and takes the ports as they stand,
// without applying them, where the instrument's values came from elsewhere:
// - at the first run, a port still at its default is taken as it stands, so a
//   fresh instance plays the library's start instrument as the other formats
//   do; a port the host set to anything else (a host that restores ports but
//   no state) is applied;
// - after a state restore or preset, every port is taken as it stands: the
//   state holds the whole instrument, values included.
//
// run() never loads, allocates, locks or waits: state and presets are loaded
// by restore() on the host's main thread and handed over by the core.

#include "core/CoreHost.h"
#include "core/InstrumentCore.h"
#include "shell/lv2/Lv2Transport.h"

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

namespace tessarine::lv2 {

class Lv2Plugin final : private CoreHost {
public:
    // Null when the host lacks urid:map or the instrument cannot be made.
    static Lv2Plugin* create(double sampleRate, const LV2_Feature* const* features);
    ~Lv2Plugin();

    Lv2Plugin(const Lv2Plugin&) = delete;
    Lv2Plugin& operator=(const Lv2Plugin&) = delete;

    void connectPort(std::uint32_t port, void* data);
    void activate() { core_->activate(); }
    void deactivate() { core_->deactivate(); }
    void run(std::uint32_t frames);

    LV2_State_Status save(LV2_State_Store_Function store, LV2_State_Handle handle, const LV2_Feature* const* features);
    LV2_State_Status restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                             const LV2_Feature* const* features);

    void seed(std::uint32_t seed) { core_->seedRandom(seed); }
    InstrumentCore& core() { return *core_; }

    // The UI that hears of the editor's changes; one at a time (main thread).
    // resize, when the host offers it, hears of the editor's new sizes.
    bool attachUi(LV2UI_Write_Function write, LV2UI_Controller controller, const LV2UI_Resize* resize = nullptr);
    void detachUi();

private:
    Lv2Plugin(double sampleRate, const LV2_URID_Map& map);

    void automateFromEditor(int index, float value) override;
    // LV2 gives a plug-in no way to write its own input ports: a learned
    // controller's change reaches the editor through the core and nothing else.
    void automateFromAudio(int, float) override {}
    // The host drives the UI's idle itself; there is nothing to serve.
    void serveIdle() override {}
    bool readTransport(HostTransport& transport, bool withBar) override;
    void editorChanged(bool) override {}
    void editorResized(int width, int height) override;
    // Loads and random instruments move the host's ports through the UI, the
    // only writer of ports LV2 has; without a UI the ports keep their values,
    // and run() applies a port only when the host changes it.
    void reportValue(int index, float value) override { automateFromEditor(index, value); }

    void readControlPorts();
    void readPositions(std::uint32_t frames);
    void deliverMidi(std::uint32_t frames);
    bool loadInstrumentPath(const void* value, std::size_t size, const LV2_Feature* const* features);

    struct Uris {
        LV2_URID atomSequence = 0, atomChunk = 0, atomPath = 0, atomObject = 0, atomBlank = 0, atomFrameTime = 0,
                 midiEvent = 0, instrument = 0, instrumentFile = 0;
    } uris_;

    double sampleRate_;
    Lv2Transport transport_;
    std::array<const float*, kParameterCount> controls_{};
    std::array<float, kParameterCount> lastValues_{};
    const LV2_Atom_Sequence* events_ = nullptr;
    float* outputs_[2] = {nullptr, nullptr};
    bool firstRun_ = true;
    std::atomic<bool> adoptPorts_{false};
    LV2UI_Write_Function uiWrite_ = nullptr;
    LV2UI_Controller uiController_ = nullptr;
    const LV2UI_Resize* uiResize_ = nullptr;
    std::unique_ptr<InstrumentCore> core_;
};

} // namespace tessarine::lv2
