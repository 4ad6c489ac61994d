#pragma once
// One plug-in instance as the validator drives it: created from a module's
// first descriptor with a host of the validator's, initialised, its
// extensions looked up once, and a stereo output of fixed size to render
// into. Going away, it stops, deactivates and destroys in the order the
// interface requires. Main thread, except where marked.

#include "clap/ClapEventList.h"
#include "clap/ClapHost.h"
#include "clap/ClapModule.h"

#include <clap/ext/audio-ports.h>
#include <clap/ext/gui.h>
#include <clap/ext/note-ports.h>
#include <clap/ext/params.h>
#include <clap/ext/state.h>
#include <clap/ext/timer-support.h>
#include <clap/plugin.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tessarine::host {

// Tessarine's own extension for repeatable renders; other plug-ins lack it.
inline constexpr char kTessarineSeedExtension[] = "com.brightmoor-labs.tessarine.seed";
struct TessarineSeedExtension {
    void (*seed)(const clap_plugin_t* plugin, std::uint32_t seed);
};

class ClapInstance {
public:
    static constexpr int kOutputChannels = 2;

    // Null, with the reason in error, when the plug-in cannot be created or
    // refuses init.
    static std::unique_ptr<ClapInstance> create(const ClapModule& module, ClapHost& host, std::string& error);
    ~ClapInstance();

    ClapInstance(const ClapInstance&) = delete;
    ClapInstance& operator=(const ClapInstance&) = delete;

    const clap_plugin_t* plugin() const { return plugin_; }
    const clap_plugin_params_t* params = nullptr;
    const clap_plugin_state_t* state = nullptr;
    const clap_plugin_note_ports_t* notePorts = nullptr;
    const clap_plugin_audio_ports_t* audioPorts = nullptr;
    const clap_plugin_gui_t* gui = nullptr;
    const clap_plugin_timer_support_t* timerSupport = nullptr;
    const TessarineSeedExtension* seed = nullptr;

    bool activate(double rate, std::uint32_t maxFrames);
    void deactivate();
    bool active() const { return active_; }
    double sampleRate() const { return rate_; }
    std::uint32_t maxFrames() const { return maxFrames_; }

    // Audio thread.
    bool startProcessing();
    void stopProcessing();
    // One block into the output, with allocations counted as the plug-in's.
    // The transport plays at 120 beats per minute in 4/4 from steady time 0.
    clap_process_status process(std::uint32_t frames, const ClapEventList& in, ClapEventList& out,
                                std::int64_t steadyTime);
    const float* output(int channel) const { return outputs_[static_cast<std::size_t>(channel)].data(); }
    const float* const* outputs() const { return channels_; }

private:
    ClapInstance() = default;

    const clap_plugin_t* plugin_ = nullptr;
    bool active_ = false;
    bool processing_ = false;
    double rate_ = 0.0;
    std::uint32_t maxFrames_ = 0;
    std::vector<float> outputs_[kOutputChannels];
    float* channels_[kOutputChannels] = {};
    clap_audio_buffer_t buffer_{};
    clap_event_transport_t transport_{};
};

} // namespace tessarine::host
