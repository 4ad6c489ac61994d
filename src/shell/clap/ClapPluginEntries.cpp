// The C side of ClapPlugin: the descriptor, the plug-in object's function
// table and every extension's, each entry finding its instance again and
// checking what the host hands it before the instance sees it.

#include "shell/clap/ClapPlugin.h"

#include "params/ParameterTable.h"
#include "shell/clap/ClapSeedExtension.h"

#include <clap/ext/audio-ports.h>
#include <clap/ext/note-ports.h>

#include <cstdio>
#include <cstring>

namespace tessarine {

namespace {

const char* kFeatures[] = {CLAP_PLUGIN_FEATURE_INSTRUMENT, CLAP_PLUGIN_FEATURE_SYNTHESIZER,
                           CLAP_PLUGIN_FEATURE_STEREO, nullptr};

// The VST 2 plug-in's vendor version (effGetVendorVersion): the same product.
constexpr const char* kVersion = "1";

} // namespace

// The C interface: each entry finds its instance again and checks what the
// host hands it before the instance sees it.
struct ClapPluginEntries {
    static ClapPlugin* self(const clap_plugin_t* plugin)
    {
        return plugin != nullptr ? static_cast<ClapPlugin*>(plugin->plugin_data) : nullptr;
    }

    static bool init(const clap_plugin_t* p) { return self(p) != nullptr && self(p)->init(); }
    static void destroy(const clap_plugin_t* p) { delete self(p); }
    static bool activate(const clap_plugin_t* p, double rate, std::uint32_t minFrames, std::uint32_t maxFrames)
    {
        return self(p) != nullptr && self(p)->activate(rate, minFrames, maxFrames);
    }
    static void deactivate(const clap_plugin_t* p)
    {
        if (self(p) != nullptr) {
            self(p)->deactivate();
        }
    }
    static bool startProcessing(const clap_plugin_t* p) { return self(p) != nullptr; }
    static void stopProcessing(const clap_plugin_t*) {}
    static void reset(const clap_plugin_t* p)
    {
        if (self(p) != nullptr) {
            self(p)->reset();
        }
    }
    static clap_process_status process(const clap_plugin_t* p, const clap_process_t* process)
    {
        return self(p) != nullptr && process != nullptr ? self(p)->process(*process) : CLAP_PROCESS_ERROR;
    }
    static const void* extension(const clap_plugin_t* p, const char* id)
    {
        return self(p) != nullptr && id != nullptr ? self(p)->extension(id) : nullptr;
    }
    static void onMainThread(const clap_plugin_t* p)
    {
        if (self(p) != nullptr) {
            self(p)->onMainThread();
        }
    }

    // clap.params.
    static std::uint32_t parameterCount(const clap_plugin_t*) { return kParameterCount; }
    static bool parameterInfo(const clap_plugin_t* p, std::uint32_t index, clap_param_info_t* info)
    {
        return self(p) != nullptr && info != nullptr && self(p)->parameterInfo(index, *info);
    }
    static bool parameterValue(const clap_plugin_t* p, clap_id id, double* value)
    {
        return self(p) != nullptr && value != nullptr && self(p)->parameterValue(id, *value);
    }
    static bool valueText(const clap_plugin_t* p, clap_id id, double value, char* text, std::uint32_t size)
    {
        return self(p) != nullptr && text != nullptr && size > 0 && self(p)->valueText(id, value, text, size);
    }
    static bool textValue(const clap_plugin_t* p, clap_id id, const char* text, double* value)
    {
        return self(p) != nullptr && text != nullptr && value != nullptr && self(p)->textValue(id, text, *value);
    }
    static void flush(const clap_plugin_t* p, const clap_input_events_t* in, const clap_output_events_t* out)
    {
        if (self(p) != nullptr) {
            self(p)->flush(in, out);
        }
    }

    // clap.state.
    static bool save(const clap_plugin_t* p, const clap_ostream_t* stream)
    {
        return self(p) != nullptr && stream != nullptr && stream->write != nullptr && self(p)->saveState(stream);
    }
    static bool load(const clap_plugin_t* p, const clap_istream_t* stream)
    {
        return self(p) != nullptr && stream != nullptr && stream->read != nullptr && self(p)->loadState(stream);
    }

    // clap.note-ports: one input, CLAP notes preferred, plain MIDI taken too.
    static std::uint32_t notePortCount(const clap_plugin_t*, bool input) { return input ? 1 : 0; }
    static bool notePort(const clap_plugin_t*, std::uint32_t index, bool input, clap_note_port_info_t* info)
    {
        if (!input || index != 0 || info == nullptr) {
            return false;
        }
        *info = clap_note_port_info_t{};
        info->id = 0;
        info->supported_dialects = CLAP_NOTE_DIALECT_CLAP | CLAP_NOTE_DIALECT_MIDI;
        info->preferred_dialect = CLAP_NOTE_DIALECT_CLAP;
        std::snprintf(info->name, sizeof info->name, "Notes");
        return true;
    }

    // clap.audio-ports: one stereo output, nothing in.
    static std::uint32_t audioPortCount(const clap_plugin_t*, bool input) { return input ? 0 : 1; }
    static bool audioPort(const clap_plugin_t*, std::uint32_t index, bool input, clap_audio_port_info_t* info)
    {
        if (input || index != 0 || info == nullptr) {
            return false;
        }
        *info = clap_audio_port_info_t{};
        info->id = 0;
        std::snprintf(info->name, sizeof info->name, "Output");
        info->flags = CLAP_AUDIO_PORT_IS_MAIN;
        info->channel_count = 2;
        info->port_type = CLAP_PORT_STEREO;
        info->in_place_pair = CLAP_INVALID_ID;
        return true;
    }

    // clap.gui: embedded X11 windows only, at the editor's one size for its scale.
    static bool apiSupported(const clap_plugin_t* p, const char* api, bool floating)
    {
        return self(p) != nullptr && api != nullptr && !floating && std::strcmp(api, CLAP_WINDOW_API_X11) == 0
            && self(p)->core_->hasEditor();
    }
    static bool preferredApi(const clap_plugin_t*, const char** api, bool* floating)
    {
        if (api == nullptr || floating == nullptr) {
            return false;
        }
        *api = CLAP_WINDOW_API_X11;
        *floating = false;
        return true;
    }
    static bool createGui(const clap_plugin_t* p, const char* api, bool floating)
    {
        return self(p) != nullptr && self(p)->createEditor(api, floating);
    }
    static void destroyGui(const clap_plugin_t* p)
    {
        if (self(p) != nullptr) {
            self(p)->destroyEditor();
        }
    }
    // X11 windows count device pixels: the editor draws its fixed layout at
    // the host's scale and get_size follows, unless the person picked a size
    // in the editor, which wins (the request is still taken, as the default).
    static bool setScale(const clap_plugin_t* p, double scale)
    {
        return self(p) != nullptr && self(p)->setEditorScale(scale);
    }
    static bool guiSize(const clap_plugin_t* p, std::uint32_t* width, std::uint32_t* height)
    {
        return self(p) != nullptr && width != nullptr && height != nullptr && self(p)->editorSize(*width, *height);
    }
    static bool canResize(const clap_plugin_t*) { return false; }
    static bool resizeHints(const clap_plugin_t*, clap_gui_resize_hints_t*) { return false; }
    static bool adjustSize(const clap_plugin_t* p, std::uint32_t* width, std::uint32_t* height)
    {
        return guiSize(p, width, height);
    }
    static bool setSize(const clap_plugin_t* p, std::uint32_t width, std::uint32_t height)
    {
        std::uint32_t w = 0;
        std::uint32_t h = 0;
        return guiSize(p, &w, &h) && w == width && h == height;
    }
    static bool setParent(const clap_plugin_t* p, const clap_window_t* window)
    {
        return self(p) != nullptr && window != nullptr && self(p)->setEditorParent(window);
    }
    static bool setTransient(const clap_plugin_t*, const clap_window_t*) { return false; }
    static void suggestTitle(const clap_plugin_t*, const char*) {}
    // The editor lives in the host's window: showing and hiding that shows and hides it.
    static bool show(const clap_plugin_t* p) { return self(p) != nullptr && self(p)->editorCreated_; }
    static bool hide(const clap_plugin_t* p) { return show(p); }

    static void onTimer(const clap_plugin_t* p, clap_id timer)
    {
        if (self(p) != nullptr) {
            self(p)->onTimer(timer);
        }
    }

    static void seed(const clap_plugin_t* p, std::uint32_t seed)
    {
        if (self(p) != nullptr) {
            self(p)->core_->seedRandom(seed);
        }
    }
};

namespace {

using E = ClapPluginEntries;

const clap_plugin_params_t kParamsExtension{E::parameterCount, E::parameterInfo, E::parameterValue,
                                            E::valueText,      E::textValue,     E::flush};
const clap_plugin_state_t kStateExtension{E::save, E::load};
const clap_plugin_note_ports_t kNotePortsExtension{E::notePortCount, E::notePort};
const clap_plugin_audio_ports_t kAudioPortsExtension{E::audioPortCount, E::audioPort};
const clap_plugin_gui_t kGuiExtension{E::apiSupported, E::preferredApi, E::createGui,  E::destroyGui,
                                      E::setScale,     E::guiSize,      E::canResize,  E::resizeHints,
                                      E::adjustSize,   E::setSize,      E::setParent,  E::setTransient,
                                      E::suggestTitle, E::show,         E::hide};
const clap_plugin_timer_support_t kTimerExtension{E::onTimer};
const ClapSeedExtension kSeedExtension{E::seed};

const clap_plugin_descriptor_t kDescriptor{
    CLAP_VERSION_INIT,
    ClapPlugin::kId,
    "Tessarine",
    "Brightmoor Labs",
    "",
    "",
    "",
    kVersion,
    "Resynthesis instrument: analysed partials and noise, four sounds morphed on XY pads",
    kFeatures,
};

} // namespace

const clap_plugin_descriptor_t& ClapPlugin::descriptor() { return kDescriptor; }


clap_plugin_t ClapPlugin::objectFor(ClapPlugin* self)
{
    clap_plugin_t plugin{};
    plugin.desc = &kDescriptor;
    plugin.plugin_data = self;
    plugin.init = E::init;
    plugin.destroy = E::destroy;
    plugin.activate = E::activate;
    plugin.deactivate = E::deactivate;
    plugin.start_processing = E::startProcessing;
    plugin.stop_processing = E::stopProcessing;
    plugin.reset = E::reset;
    plugin.process = E::process;
    plugin.get_extension = E::extension;
    plugin.on_main_thread = E::onMainThread;
    return plugin;
}

const void* ClapPlugin::extension(const char* id) const
{
    if (std::strcmp(id, CLAP_EXT_PARAMS) == 0) {
        return &kParamsExtension;
    }
    if (std::strcmp(id, CLAP_EXT_STATE) == 0) {
        return &kStateExtension;
    }
    if (std::strcmp(id, CLAP_EXT_NOTE_PORTS) == 0) {
        return &kNotePortsExtension;
    }
    if (std::strcmp(id, CLAP_EXT_AUDIO_PORTS) == 0) {
        return &kAudioPortsExtension;
    }
    if (std::strcmp(id, CLAP_EXT_GUI) == 0) {
        return &kGuiExtension;
    }
    if (std::strcmp(id, CLAP_EXT_TIMER_SUPPORT) == 0) {
        return &kTimerExtension;
    }
    if (std::strcmp(id, kClapSeedExtension) == 0) {
        return &kSeedExtension;
    }
    return nullptr;
}

} // namespace tessarine
