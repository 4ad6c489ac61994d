#pragma once
// The instrument as a CLAP host sees it: the plug-in object and its
// extensions (parameters, state, note and audio ports, the embedded X11
// editor and its timer, the seed) mapped onto the instrument core. Nothing of
// the instrument's behaviour lives here; what only this format has does: its
// event lists, the note identifiers, the editor changes on their way to the
// host's next process or flush call.
//
// Threads, as the host's calls are annotated: process, start/stop_processing,
// reset and an active instance's flush run on the audio thread, everything
// else on the main thread. Host functions are only ever called from the
// threads their own annotations allow.

#include "core/CoreHost.h"
#include "core/InstrumentCore.h"
#include "shell/clap/ClapEditorChanges.h"

#include <clap/ext/gui.h>
#include <clap/ext/params.h>
#include <clap/ext/state.h>
#include <clap/ext/thread-check.h>
#include <clap/ext/timer-support.h>
#include <clap/plugin.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

namespace tessarine {

class ClapPlugin final : private CoreHost {
public:
    static constexpr const char* kId = "com.brightmoor-labs.tessarine";
    static const clap_plugin_descriptor_t& descriptor();

    // The instance for the host; null when the instrument cannot be made.
    // libraryRoot as for InstrumentCore.
    static const clap_plugin_t* create(const clap_host_t* host, const char* libraryRoot = nullptr);

    InstrumentCore& core() { return *core_; }

private:
    // The C entries of the plug-in object and its extensions.
    friend struct ClapPluginEntries;

    explicit ClapPlugin(const clap_host_t* host, const char* libraryRoot);
    // The function table the host calls this instance through.
    static clap_plugin_t objectFor(ClapPlugin* self);
    ~ClapPlugin();

    // clap_plugin.
    bool init();
    bool activate(double sampleRate, std::uint32_t minFrames, std::uint32_t maxFrames);
    void deactivate();
    void reset();
    clap_process_status process(const clap_process_t& process);
    const void* extension(const char* id) const;
    void onMainThread();

    // clap.params.
    bool parameterInfo(std::uint32_t index, clap_param_info_t& info) const;
    bool parameterValue(clap_id id, double& value) const;
    bool valueText(clap_id id, double value, char* text, std::uint32_t capacity) const;
    bool textValue(clap_id id, const char* text, double& value) const;
    void flush(const clap_input_events_t* in, const clap_output_events_t* out);

    // clap.state.
    bool saveState(const clap_ostream_t* stream);
    bool loadState(const clap_istream_t* stream);

    // clap.gui and clap.timer-support.
    bool createEditor(const char* api, bool floating);
    void destroyEditor();
    bool editorSize(std::uint32_t& width, std::uint32_t& height) const;
    bool setEditorScale(double scale) { return core_->setEditorScale(scale); }
    bool setEditorParent(const clap_window_t* window);
    void onTimer(clap_id timer);

    // One input event at its sample; events of other spaces or too short for
    // their type are passed over.
    void handleEvent(const clap_event_header_t& event, int frameOffset);
    void handleNote(const clap_event_note_t& note, int frameOffset);
    void sendNoteOff(int channel, int key, int velocity, int frameOffset);
    void applyParameter(const clap_event_param_value_t& event);
    void reportEditorChanges(const clap_output_events_t* out);
    bool pushValue(const clap_output_events_t* out, int index, float value, std::uint32_t flags) const;

    // What the core asks of the host.
    void automateFromEditor(int index, float value) override;
    void automateFromAudio(int index, float value) override;
    void serveIdle() override {}
    bool readTransport(HostTransport& transport, bool withBar) override;
    void editorChanged(bool) override {}
    void editorResized(int width, int height) override;
    void reportValue(int index, float value) override;
    void valuesReported() override;

    // Note identifiers the host gave with its note ons, so that an off or a
    // choke naming only the identifier finds its key. Audio thread.
    struct HeldNote {
        std::int32_t id = -1;
        std::int16_t channel = 0;
        std::int16_t key = 0;
    };
    static constexpr std::size_t kHeldNotes = 128;

    clap_plugin_t plugin_{};
    const clap_host_t* host_;
    const clap_host_params_t* hostParams_ = nullptr;
    const clap_host_timer_support_t* hostTimers_ = nullptr;
    const clap_host_gui_t* hostGui_ = nullptr;
    std::unique_ptr<InstrumentCore> core_;

    // Audio thread, during process: where the values the instrument changed
    // itself go, and the host's transport of the block.
    const clap_output_events_t* blockOut_ = nullptr;
    std::atomic<const clap_event_transport_t*> blockTransport_{nullptr};
    clap_event_transport_t listedTransport_{};
    bool haveListedTransport_ = false;
    std::array<HeldNote, kHeldNotes> heldNotes_{};
    std::size_t nextHeldNote_ = 0;

    ClapEditorChanges editorChanges_;

    // Main thread.
    bool active_ = false;
    bool editorCreated_ = false;
    bool timerRegistered_ = false;
    // Values reported while inactive wait for the host's main-thread callback,
    // which has it read them all again.
    bool rescanWanted_ = false;
    clap_id timer_ = CLAP_INVALID_ID;
};

} // namespace tessarine
