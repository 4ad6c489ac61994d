#include "shell/clap/ClapPlugin.h"

#include "params/ParameterTextInput.h"
#include "params/ParameterTable.h"

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
    plugin_ = objectFor(this);
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
    hostGui_ = static_cast<const clap_host_gui_t*>(host_->get_extension(host_, CLAP_EXT_GUI));
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
    // Active first: what activation changes goes out with the first process.
    active_ = true;
    core_->activate();
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

// A load, reset or random instrument: the values go out with the editor's own
// changes, as parameter events at the next process or flush.
void ClapPlugin::reportValue(int index, float value) { editorChanges_.push(index, value); }

// While active the host processes or flushes soon, and the events tell it. An
// inactive instance has no process call coming: the host is asked to call
// back on its main thread, and there rescans every value.
void ClapPlugin::valuesReported()
{
    if (active_) {
        if (hostParams_ != nullptr && hostParams_->request_flush != nullptr) {
            hostParams_->request_flush(host_);
        }
        return;
    }
    rescanWanted_ = true;
    if (host_->request_callback != nullptr) {
        host_->request_callback(host_);
    }
}

void ClapPlugin::onMainThread()
{
    if (!rescanWanted_) {
        return;
    }
    rescanWanted_ = false;
    if (active_) {
        valuesReported();
        return;
    }
    // The rescan tells the host every value; events still queued would only
    // repeat older ones after it, and nothing processes them while inactive.
    editorChanges_.drain([](const ClapEditorChanges::Change&) { return true; });
    if (hostParams_ != nullptr && hostParams_->rescan != nullptr) {
        hostParams_->rescan(host_, CLAP_PARAM_RESCAN_VALUES);
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
    info.flags = isListFormat(i) ? static_cast<clap_param_info_flags>(CLAP_PARAM_IS_STEPPED) : 0u;
    // Hidden ones are never automated: no control sets them.
    info.flags |= parameterHidden(i) ? static_cast<clap_param_info_flags>(CLAP_PARAM_IS_HIDDEN)
                                     : static_cast<clap_param_info_flags>(CLAP_PARAM_IS_AUTOMATABLE);
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

// A scale picked in the editor while it is open: the host fits its window.
void ClapPlugin::editorResized(int width, int height)
{
    if (editorCreated_ && hostGui_ != nullptr && hostGui_->request_resize != nullptr && width > 0 && height > 0) {
        hostGui_->request_resize(host_, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height));
    }
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
