#include "shell/clap/ClapPlugin.h"

#include "core/ParameterTextInput.h"
#include "params/ParameterTable.h"
#include "shell/clap/ClapSeedExtension.h"

#include <clap/ext/audio-ports.h>
#include <clap/ext/gui.h>
#include <clap/ext/note-ports.h>
#include <clap/ext/state.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

namespace tessarine {

namespace {

const char* kFeatures[] = {CLAP_PLUGIN_FEATURE_INSTRUMENT, CLAP_PLUGIN_FEATURE_SYNTHESIZER,
                           CLAP_PLUGIN_FEATURE_STEREO, nullptr};

// The VST 2 plug-in's vendor version (effGetVendorVersion): the same product.
constexpr const char* kVersion = "1";

// The editor polls its controls and redraws on the host's timer, about as
// often as a screen shows a knob move.
constexpr std::uint32_t kEditorTimerMs = 30;

// State records are read from a host stream in pieces of this size.
constexpr std::size_t kReadChunk = 64 * 1024;

constexpr int kMidiChannels = 16;
constexpr std::uint8_t kAllSoundOff = 120;
constexpr std::uint8_t kAllNotesOff = 123;

bool isListFormat(int index)
{
    const DisplayFormat format = parameterTable()[static_cast<std::size_t>(index)].display;
    return format == DisplayFormat::SourceList || format == DisplayFormat::TargetList;
}

// A CLAP velocity 0 … 1 as a MIDI one, at least lowest (a note on keeps 1,
// since 0 would end it).
std::uint8_t midiVelocity(double velocity, int lowest)
{
    if (!(velocity > 0.0)) {
        return static_cast<std::uint8_t>(lowest);
    }
    const double scaled = std::round(std::min(velocity, 1.0) * 127.0);
    return static_cast<std::uint8_t>(std::clamp(static_cast<int>(scaled), lowest, 127));
}

// An event is read as its type only when the host says it is that long.
template <typename Event>
const Event* eventAs(const clap_event_header_t& header)
{
    return header.size >= sizeof(Event) ? reinterpret_cast<const Event*>(&header) : nullptr;
}

bool isHostParameter(clap_id id) { return id < static_cast<clap_id>(kParameterCount); }

// Numbers in a host's event may be anything; MIDI wants 0 … 15 and 0 … 127.
bool validChannel(int channel) { return channel >= 0 && channel < kMidiChannels; }
bool validKey(int key) { return key >= 0 && key < 128; }

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
    static void onMainThread(const clap_plugin_t*) {}

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

    // clap.gui: embedded X11 windows only, at the editor's one size.
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
    // The editor draws at its own fixed size; the host's scale is not applied.
    static bool setScale(const clap_plugin_t*, double) { return false; }
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

const clap_plugin_t* ClapPlugin::create(const clap_host_t* host, const char* libraryRoot)
{
    if (host == nullptr || !clap_version_is_compatible(host->clap_version)) {
        return nullptr;
    }
    try {
        auto* plugin = new ClapPlugin(host, libraryRoot);
        return &plugin->plugin_;
    } catch (const std::exception&) {
        // An instrument that cannot be made (no memory for its buffers) is no
        // instance the host could use.
        return nullptr;
    }
}

ClapPlugin::ClapPlugin(const clap_host_t* host, const char* libraryRoot) : host_(host)
{
    plugin_.desc = &kDescriptor;
    plugin_.plugin_data = this;
    plugin_.init = E::init;
    plugin_.destroy = E::destroy;
    plugin_.activate = E::activate;
    plugin_.deactivate = E::deactivate;
    plugin_.start_processing = E::startProcessing;
    plugin_.stop_processing = E::stopProcessing;
    plugin_.reset = E::reset;
    plugin_.process = E::process;
    plugin_.get_extension = E::extension;
    plugin_.on_main_thread = E::onMainThread;
    CoreHost& asHost = *this;
    core_ = std::make_unique<InstrumentCore>(asHost, libraryRoot);
}

ClapPlugin::~ClapPlugin()
{
    // A host that destroys without deactivating or closing the editor first
    // still gets its timer back and leaves no window drawing.
    destroyEditor();
}

// Host extensions may only be asked for from init on, never while creating.
bool ClapPlugin::init()
{
    if (host_->get_extension == nullptr) {
        return true;
    }
    hostParams_ = static_cast<const clap_host_params_t*>(host_->get_extension(host_, CLAP_EXT_PARAMS));
    hostTimers_ = static_cast<const clap_host_timer_support_t*>(host_->get_extension(host_, CLAP_EXT_TIMER_SUPPORT));
    return true;
}

bool ClapPlugin::activate(double sampleRate, std::uint32_t, std::uint32_t maxFrames)
{
    // Rates no audio interface runs at would only make the engine's filters and
    // delay lines meaningless.
    if (!(sampleRate >= 1000.0 && sampleRate <= 1'536'000.0) || maxFrames == 0) {
        return false;
    }
    core_->prepare(static_cast<float>(sampleRate), static_cast<int>(std::min<std::uint32_t>(maxFrames, INT_MAX)));
    core_->activate();
    active_ = true;
    return true;
}

void ClapPlugin::deactivate()
{
    core_->deactivate();
    active_ = false;
}

// Every note goes and the running states start afresh; the values stay.
void ClapPlugin::reset()
{
    core_->deactivate();
    core_->activate();
    heldNotes_.fill(HeldNote{});
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

clap_process_status ClapPlugin::process(const clap_process_t& process)
{
    const clap_audio_buffer_t* port = process.audio_outputs_count >= 1 ? process.audio_outputs : nullptr;
    const bool outputsUsable = port != nullptr && port->data32 != nullptr && port->channel_count >= 2
        && port->data32[0] != nullptr && port->data32[1] != nullptr;
    const int frames = static_cast<int>(std::min<std::uint32_t>(process.frames_count, INT_MAX));

    blockOut_ = process.out_events != nullptr && process.out_events->try_push != nullptr ? process.out_events
                                                                                          : nullptr;
    blockTransport_.store(process.transport != nullptr ? process.transport
                                                       : (haveListedTransport_ ? &listedTransport_ : nullptr),
                          std::memory_order_relaxed);
    core_->beginDelivery();

    // Parameter changes take effect at their sample: the block is rendered in
    // pieces between them, and notes are delivered relative to their piece.
    float* const left = outputsUsable ? port->data32[0] : nullptr;
    float* const right = outputsUsable ? port->data32[1] : nullptr;
    int pieceStart = 0;
    auto renderUpTo = [&](int end) {
        if (outputsUsable && end > pieceStart) {
            float* piece[2] = {left + pieceStart, right + pieceStart};
            core_->render(piece, end - pieceStart);
        }
        pieceStart = std::max(pieceStart, end);
    };

    const clap_input_events_t* in = process.in_events;
    const std::uint32_t count = in != nullptr && in->size != nullptr && in->get != nullptr ? in->size(in) : 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const clap_event_header_t* event = in->get(in, i);
        if (event == nullptr || event->size < sizeof(clap_event_header_t) || event->space_id != CLAP_CORE_EVENT_SPACE_ID) {
            continue;
        }
        // Times beyond the block play at its last sample; a list out of order
        // plays late events where the block already is.
        const int time = frames > 0 ? std::min(static_cast<int>(std::min<std::uint32_t>(event->time, INT_MAX)), frames - 1)
                                    : 0;
        if (event->type == CLAP_EVENT_PARAM_VALUE) {
            renderUpTo(time);
        }
        handleEvent(*event, std::max(time - pieceStart, 0));
    }
    renderUpTo(frames);

    if (outputsUsable) {
        // Channels past the two we fill are the host's mistake; silence is safe.
        for (std::uint32_t c = 2; c < port->channel_count; ++c) {
            if (port->data32[c] != nullptr) {
                std::fill(port->data32[c], port->data32[c] + frames, 0.0f);
            }
        }
    }
    reportEditorChanges(blockOut_);
    blockOut_ = nullptr;
    blockTransport_.store(nullptr, std::memory_order_relaxed);
    // The instrument rings on through releases, echoes and reverbs; it never
    // claims silence, so the host keeps calling.
    return outputsUsable || frames == 0 ? CLAP_PROCESS_CONTINUE : CLAP_PROCESS_ERROR;
}

void ClapPlugin::handleEvent(const clap_event_header_t& event, int frameOffset)
{
    switch (event.type) {
    case CLAP_EVENT_NOTE_ON:
    case CLAP_EVENT_NOTE_OFF:
    case CLAP_EVENT_NOTE_CHOKE:
        if (const auto* note = eventAs<clap_event_note_t>(event)) {
            handleNote(*note, frameOffset);
        }
        break;
    case CLAP_EVENT_MIDI:
        if (const auto* midi = eventAs<clap_event_midi_t>(event)) {
            core_->deliver(MidiMessage{{midi->data[0], midi->data[1], midi->data[2]}, frameOffset});
        }
        break;
    case CLAP_EVENT_PARAM_VALUE:
        if (const auto* value = eventAs<clap_event_param_value_t>(event)) {
            applyParameter(*value);
        }
        break;
    case CLAP_EVENT_TRANSPORT:
        // Read at the next delivery, when the host gives no transport of its own.
        if (const auto* transport = eventAs<clap_event_transport_t>(event)) {
            listedTransport_ = *transport;
            haveListedTransport_ = true;
        }
        break;
    default:
        // Modulation, expressions, sysex and MIDI 2 have nothing to drive here.
        break;
    }
}

void ClapPlugin::handleNote(const clap_event_note_t& note, int frameOffset)
{
    int channel = note.channel;
    int key = note.key;
    if (note.header.type == CLAP_EVENT_NOTE_ON) {
        if (!validChannel(channel) || !validKey(key)) {
            return;
        }
        if (note.note_id >= 0) {
            heldNotes_[nextHeldNote_] = HeldNote{note.note_id, static_cast<std::int16_t>(channel),
                                                 static_cast<std::int16_t>(key)};
            nextHeldNote_ = (nextHeldNote_ + 1) % kHeldNotes;
        }
        const std::uint8_t status = static_cast<std::uint8_t>(0x90 | channel);
        core_->deliver(MidiMessage{{status, static_cast<std::uint8_t>(key), midiVelocity(note.velocity, 1)},
                                   frameOffset});
        return;
    }
    // An off or choke may name its note by identifier alone; one we hold no
    // note for has ended already, and must not end every other note.
    if ((channel < 0 || key < 0) && note.note_id >= 0) {
        HeldNote* found = nullptr;
        for (HeldNote& held : heldNotes_) {
            if (held.id == note.note_id) {
                found = &held;
                break;
            }
        }
        if (found == nullptr) {
            return;
        }
        channel = found->channel;
        key = found->key;
        found->id = -1;
    }
    const bool choke = note.header.type == CLAP_EVENT_NOTE_CHOKE;
    if (choke && channel < 0 && key < 0) {
        // Choking every note of every channel is the host's panic: all sound off.
        for (int c = 0; c < kMidiChannels; ++c) {
            core_->deliver(MidiMessage{{static_cast<std::uint8_t>(0xB0 | c), kAllSoundOff, 0}, frameOffset});
        }
        return;
    }
    // The engine releases; a choke of single notes releases them too.
    sendNoteOff(channel, key, choke ? 0 : midiVelocity(note.velocity, 0), frameOffset);
}

// -1 for channel or key means every one.
void ClapPlugin::sendNoteOff(int channel, int key, int velocity, int frameOffset)
{
    if ((channel >= kMidiChannels) || key >= 128 || channel < -1 || key < -1) {
        return;
    }
    for (int c = channel < 0 ? 0 : channel; c <= (channel < 0 ? kMidiChannels - 1 : channel); ++c) {
        if (key < 0) {
            core_->deliver(MidiMessage{{static_cast<std::uint8_t>(0xB0 | c), kAllNotesOff, 0}, frameOffset});
        } else {
            core_->deliver(MidiMessage{{static_cast<std::uint8_t>(0x80 | c), static_cast<std::uint8_t>(key),
                                        static_cast<std::uint8_t>(velocity)},
                                       frameOffset});
        }
    }
}

void ClapPlugin::applyParameter(const clap_event_param_value_t& event)
{
    if (!isHostParameter(event.param_id)) {
        return;
    }
    const int index = static_cast<int>(event.param_id);
    const ParameterRange range = parameterRange(index);
    // Held to the range as a double, so that no huge value overflows the float;
    // a NaN is the engine's to replace with the start value.
    const double value = std::isnan(event.value) ? event.value : std::clamp<double>(event.value, range.low, range.high);
    core_->setParameter(index, static_cast<float>(value));
}

void ClapPlugin::flush(const clap_input_events_t* in, const clap_output_events_t* out)
{
    const std::uint32_t count = in != nullptr && in->size != nullptr && in->get != nullptr ? in->size(in) : 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const clap_event_header_t* event = in->get(in, i);
        if (event != nullptr && event->space_id == CLAP_CORE_EVENT_SPACE_ID && event->type == CLAP_EVENT_PARAM_VALUE) {
            if (const auto* value = eventAs<clap_event_param_value_t>(*event)) {
                applyParameter(*value);
            }
        }
    }
    reportEditorChanges(out != nullptr && out->try_push != nullptr ? out : nullptr);
}

bool ClapPlugin::pushValue(const clap_output_events_t* out, int index, float value, std::uint32_t flags) const
{
    clap_event_param_value_t event{};
    event.header.size = sizeof event;
    event.header.time = 0;
    event.header.space_id = CLAP_CORE_EVENT_SPACE_ID;
    event.header.type = CLAP_EVENT_PARAM_VALUE;
    event.header.flags = flags;
    event.param_id = static_cast<clap_id>(index);
    event.cookie = nullptr;
    event.note_id = -1;
    event.port_index = -1;
    event.channel = -1;
    event.key = -1;
    event.value = value;
    return out->try_push(out, &event.header);
}

void ClapPlugin::reportEditorChanges(const clap_output_events_t* out)
{
    if (out == nullptr) {
        return;
    }
    editorChanges_.drain(
        [&](const ClapEditorChanges::Change& change) { return pushValue(out, change.index, change.value, 0); });
}

// The value is applied already; the host hears of it at its next process or
// flush, which it is asked for.
void ClapPlugin::automateFromEditor(int index, float value)
{
    editorChanges_.push(index, value);
    if (hostParams_ != nullptr && hostParams_->request_flush != nullptr) {
        hostParams_->request_flush(host_);
    } else if (host_->request_process != nullptr) {
        host_->request_process(host_);
    }
}

// Learned controllers move parameters inside the block: the host follows, but
// records the controller, not the value, so the two never fight at playback.
void ClapPlugin::automateFromAudio(int index, float value)
{
    if (blockOut_ != nullptr) {
        pushValue(blockOut_, index, value, CLAP_EVENT_DONT_RECORD);
    }
}

bool ClapPlugin::readTransport(HostTransport& transport, bool withBar)
{
    const clap_event_transport_t* time = blockTransport_.load(std::memory_order_relaxed);
    if (time == nullptr || (time->flags & (CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_HAS_BEATS_TIMELINE)) == 0) {
        return false;
    }
    if ((time->flags & CLAP_TRANSPORT_HAS_TEMPO) != 0) {
        transport.tempo = time->tempo;
    }
    if ((time->flags & CLAP_TRANSPORT_HAS_BEATS_TIMELINE) != 0) {
        transport.ppqPosition = static_cast<double>(time->song_pos_beats) / static_cast<double>(CLAP_BEATTIME_FACTOR);
        if (withBar) {
            transport.barStart = static_cast<double>(time->bar_start) / static_cast<double>(CLAP_BEATTIME_FACTOR);
        }
    }
    return true;
}

bool ClapPlugin::parameterInfo(std::uint32_t index, clap_param_info_t& info) const
{
    if (!isHostParameter(index)) {
        return false;
    }
    const int i = static_cast<int>(index);
    info = clap_param_info_t{};
    info.id = index;
    info.flags = CLAP_PARAM_IS_AUTOMATABLE | (isListFormat(i) ? static_cast<clap_param_info_flags>(CLAP_PARAM_IS_STEPPED) : 0u);
    info.cookie = nullptr;
    core_->parameterName(i, info.name, sizeof info.name);
    const ParameterRange range = parameterRange(i);
    info.min_value = range.low;
    info.max_value = range.high;
    info.default_value = parameterTable()[index].start;
    return true;
}

bool ClapPlugin::parameterValue(clap_id id, double& value) const
{
    if (!isHostParameter(id)) {
        return false;
    }
    value = core_->parameter(static_cast<int>(id));
    return true;
}

bool ClapPlugin::valueText(clap_id id, double value, char* text, std::uint32_t capacity) const
{
    return isHostParameter(id) && parameterHostText(static_cast<int>(id), value, text, capacity);
}

bool ClapPlugin::textValue(clap_id id, const char* text, double& value) const
{
    // Hosts pass terminated texts, but a broken one must not make us read on forever.
    constexpr std::size_t kLongest = 256;
    const std::size_t length = strnlen(text, kLongest);
    return isHostParameter(id) && length < kLongest
        && parameterFromHostText(static_cast<int>(id), std::string_view(text, length), value);
}

// The record goes out whole or the save fails: a stream that takes nothing,
// claims more than it was given or reports an error ends it.
bool ClapPlugin::saveState(const clap_ostream_t* stream)
{
    const std::span<const std::byte> state = core_->saveState();
    if (state.empty()) {
        return false;
    }
    std::size_t done = 0;
    while (done < state.size()) {
        const std::uint64_t left = state.size() - done;
        const std::int64_t written = stream->write(stream, state.data() + done, left);
        if (written <= 0 || static_cast<std::uint64_t>(written) > left) {
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

// The whole stream is read before the core sees any of it; a stream that
// errs, claims more than asked for, or holds more than any record may, is
// refused and nothing changes.
bool ClapPlugin::loadState(const clap_istream_t* stream)
{
    std::vector<std::byte> data;
    try {
        for (;;) {
            const std::size_t before = data.size();
            if (before >= InstrumentCore::kMaxStateBytes + 1) {
                return false;
            }
            const std::size_t want = std::min(kReadChunk, InstrumentCore::kMaxStateBytes + 1 - before);
            data.resize(before + want);
            const std::int64_t got = stream->read(stream, data.data() + before, want);
            if (got < 0 || static_cast<std::uint64_t>(got) > want) {
                return false;
            }
            data.resize(before + static_cast<std::size_t>(got));
            if (got == 0) {
                break;
            }
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (data.size() > InstrumentCore::kMaxStateBytes || !core_->loadState(data)) {
        return false;
    }
    // The host's view of the values follows the loaded instrument.
    if (hostParams_ != nullptr && hostParams_->rescan != nullptr) {
        hostParams_->rescan(host_, CLAP_PARAM_RESCAN_VALUES);
    }
    return true;
}

bool ClapPlugin::createEditor(const char* api, bool floating)
{
    if (editorCreated_ || floating || api == nullptr || std::strcmp(api, CLAP_WINDOW_API_X11) != 0
        || !core_->hasEditor()) {
        return false;
    }
    editorCreated_ = true;
    // Without the host's timer the editor still opens, but redraws only on its own events.
    if (hostTimers_ != nullptr && hostTimers_->register_timer != nullptr) {
        timerRegistered_ = hostTimers_->register_timer(host_, kEditorTimerMs, &timer_);
    }
    return true;
}

void ClapPlugin::destroyEditor()
{
    if (!editorCreated_) {
        return;
    }
    core_->closeEditor();
    if (timerRegistered_ && hostTimers_->unregister_timer != nullptr) {
        hostTimers_->unregister_timer(host_, timer_);
    }
    timerRegistered_ = false;
    timer_ = CLAP_INVALID_ID;
    editorCreated_ = false;
}

bool ClapPlugin::editorSize(std::uint32_t& width, std::uint32_t& height) const
{
    if (!core_->hasEditor()) {
        return false;
    }
    const EditorSize size = core_->editorSize();
    if (size.width <= 0 || size.height <= 0) {
        return false;
    }
    width = static_cast<std::uint32_t>(size.width);
    height = static_cast<std::uint32_t>(size.height);
    return true;
}

bool ClapPlugin::setEditorParent(const clap_window_t* window)
{
    if (!editorCreated_ || window->api == nullptr || std::strcmp(window->api, CLAP_WINDOW_API_X11) != 0
        || window->x11 == 0) {
        return false;
    }
    return core_->openEditor(reinterpret_cast<void*>(static_cast<std::uintptr_t>(window->x11)));
}

void ClapPlugin::onTimer(clap_id timer)
{
    if (editorCreated_ && timerRegistered_ && timer == timer_) {
        core_->idleEditor();
    }
}

} // namespace tessarine
