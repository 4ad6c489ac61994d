#include "shell/lv2/Lv2Plugin.h"

#include "params/ParameterTable.h"
#include "shell/lv2/Lv2Identity.h"

#include <lv2/buf-size/buf-size.h>
#include <lv2/midi/midi.h>
#include <lv2/options/options.h>

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

namespace tessarine::lv2 {

namespace {

const void* feature(const LV2_Feature* const* features, const char* uri)
{
    for (; features != nullptr && *features != nullptr; ++features) {
        if ((*features)->URI != nullptr && std::strcmp((*features)->URI, uri) == 0) {
            return (*features)->data;
        }
    }
    return nullptr;
}

// The largest block the host promises (options), or the core's own default.
int maxBlockFrom(const LV2_Feature* const* features, const LV2_URID_Map& map)
{
    const auto* options = static_cast<const LV2_Options_Option*>(feature(features, LV2_OPTIONS__options));
    if (options == nullptr) {
        return 0;
    }
    const LV2_URID maxLength = map.map(map.handle, LV2_BUF_SIZE__maxBlockLength);
    const LV2_URID nominalLength = map.map(map.handle, LV2_BUF_SIZE__nominalBlockLength);
    const LV2_URID atomInt = map.map(map.handle, LV2_ATOM__Int);
    int nominal = 0;
    for (const LV2_Options_Option* option = options; option->key != 0; ++option) {
        if (option->type != atomInt || option->size != sizeof(std::int32_t) || option->value == nullptr) {
            continue;
        }
        std::int32_t value;
        std::memcpy(&value, option->value, sizeof value);
        if (value <= 0) {
            continue;
        }
        if (option->key == maxLength) {
            return value;
        }
        if (option->key == nominalLength) {
            nominal = value;
        }
    }
    return nominal;
}

std::uint32_t bits(float value) { return std::bit_cast<std::uint32_t>(value); }

} // namespace

Lv2Plugin* Lv2Plugin::create(double sampleRate, const LV2_Feature* const* features)
{
    const auto* map = static_cast<const LV2_URID_Map*>(feature(features, LV2_URID__map));
    if (map == nullptr || map->map == nullptr || !(sampleRate > 0.0)) {
        return nullptr;
    }
    // No exception may cross into the host: a part that cannot be made is a null instance.
    try {
        auto* plugin = new Lv2Plugin(sampleRate, *map);
        const int maxBlock = maxBlockFrom(features, *map);
        plugin->core_->prepare(static_cast<float>(sampleRate), maxBlock > 0 ? maxBlock : plugin->core_->maxBlock());
        return plugin;
    } catch (...) {
        return nullptr;
    }
}

Lv2Plugin::Lv2Plugin(double sampleRate, const LV2_URID_Map& map) : sampleRate_(sampleRate)
{
    auto id = [&map](const char* uri) { return map.map(map.handle, uri); };
    uris_.atomSequence = id(LV2_ATOM__Sequence);
    uris_.atomChunk = id(LV2_ATOM__Chunk);
    uris_.atomPath = id(LV2_ATOM__Path);
    uris_.atomObject = id(LV2_ATOM__Object);
    uris_.atomBlank = id(LV2_ATOM__Blank);
    uris_.atomFrameTime = id(LV2_ATOM__frameTime);
    uris_.midiEvent = id(LV2_MIDI__MidiEvent);
    uris_.instrument = id(kInstrumentKey);
    uris_.instrumentFile = id(kInstrumentFileKey);
    transport_.mapUris(map);

    CoreHost& asHost = *this;
    core_ = std::make_unique<InstrumentCore>(asHost);
}

Lv2Plugin::~Lv2Plugin() = default;

void Lv2Plugin::connectPort(std::uint32_t port, void* data)
{
    if (port < static_cast<std::uint32_t>(kParameterCount)) {
        controls_[port] = static_cast<const float*>(data);
    } else if (port == kEventsPort) {
        events_ = static_cast<const LV2_Atom_Sequence*>(data);
    } else if (port == kLeftPort || port == kRightPort) {
        outputs_[port - kLeftPort] = static_cast<float*>(data);
    }
}

void Lv2Plugin::run(std::uint32_t frames)
{
    readControlPorts();
    // Hosts pass blocks far below this; a larger count would not fit the engine's frame counter.
    const int count = static_cast<int>(std::min<std::uint32_t>(frames, INT_MAX / 2));
    if (count == 0) {
        return;
    }
    // Positions first: the delivery asks for the transport as the block starts.
    readPositions(static_cast<std::uint32_t>(count));
    core_->beginDelivery();
    deliverMidi(static_cast<std::uint32_t>(count));
    core_->render(outputs_, count);
    transport_.advance(count, sampleRate_);
}

void Lv2Plugin::readControlPorts()
{
    const bool adoptAll = adoptPorts_.exchange(false, std::memory_order_acquire);
    const auto& table = parameterTable();
    for (int index = 0; index < kParameterCount; ++index) {
        const float* port = controls_[static_cast<std::size_t>(index)];
        if (port == nullptr) {
            continue;
        }
        const float value = *port;
        float& last = lastValues_[static_cast<std::size_t>(index)];
        bool apply = bits(value) != bits(last);
        if (adoptAll) {
            apply = false;
        } else if (firstRun_) {
            apply = bits(value) != bits(clampedParameter(index, table[static_cast<std::size_t>(index)].start));
        }
        last = value;
        if (apply) {
            core_->setParameter(index, value);
        }
    }
    firstRun_ = false;
}

// The sequence is walked with every size checked against what the host
// passed: an event that does not fit ends the walk.
namespace {

template <typename Visit>
void walkSequence(const LV2_Atom_Sequence* sequence, LV2_URID sequenceType, Visit&& visit)
{
    if (sequence == nullptr || sequence->atom.type != sequenceType
        || sequence->atom.size < sizeof(LV2_Atom_Sequence_Body)) {
        return;
    }
    const std::uint64_t size = sequence->atom.size;
    const auto* body = reinterpret_cast<const std::uint8_t*>(&sequence->body);
    std::uint64_t offset = sizeof(LV2_Atom_Sequence_Body);
    while (offset + sizeof(LV2_Atom_Event) <= size) {
        const auto* event = reinterpret_cast<const LV2_Atom_Event*>(body + offset);
        const std::uint64_t end = offset + sizeof(LV2_Atom_Event) + event->body.size;
        if (end > size) {
            return;
        }
        visit(*event, sequence->body.unit);
        offset += (sizeof(LV2_Atom_Event) + std::uint64_t{event->body.size} + 7u) & ~std::uint64_t{7};
    }
}

} // namespace

void Lv2Plugin::readPositions(std::uint32_t frames)
{
    walkSequence(events_, uris_.atomSequence, [&](const LV2_Atom_Event& event, std::uint32_t unit) {
        if ((event.body.type != uris_.atomObject && event.body.type != uris_.atomBlank)
            || event.body.size < sizeof(LV2_Atom_Object_Body)) {
            return;
        }
        std::int64_t time = unit == 0 || unit == uris_.atomFrameTime ? event.time.frames : 0;
        time = std::clamp<std::int64_t>(time, 0, frames - 1);
        const auto& object = *reinterpret_cast<const LV2_Atom_Object_Body*>(&event + 1);
        transport_.read(object, event.body.size, static_cast<int>(time), sampleRate_);
    });
}

// Events take effect at their frame through the delivery's offset, as the
// VST 2 adapter's do. Times are held inside the block and never run
// backwards; a sequence timed in beats plays its events at the block's start.
void Lv2Plugin::deliverMidi(std::uint32_t frames)
{
    std::int64_t previous = 0;
    walkSequence(events_, uris_.atomSequence, [&](const LV2_Atom_Event& event, std::uint32_t unit) {
        // Only channel and system messages of one to three bytes; longer ones (SysEx) say nothing to the engine.
        if (event.body.type != uris_.midiEvent || event.body.size < 1 || event.body.size > 3) {
            return;
        }
        const auto* data = reinterpret_cast<const std::uint8_t*>(&event + 1);
        if ((data[0] & 0x80) == 0) {
            return;
        }
        std::int64_t time = unit == 0 || unit == uris_.atomFrameTime ? event.time.frames : 0;
        time = std::clamp<std::int64_t>(time, previous, frames - 1);
        previous = time;
        MidiMessage message{{data[0], 0, 0}, static_cast<int>(time)};
        for (std::uint32_t i = 1; i < event.body.size; ++i) {
            message.bytes[i] = data[i];
        }
        core_->deliver(message);
    });
}

bool Lv2Plugin::readTransport(HostTransport& transport, bool withBar)
{
    if (!transport_.known()) {
        return false;
    }
    transport_.fill(transport, withBar);
    return true;
}

LV2_State_Status Lv2Plugin::save(LV2_State_Store_Function store, LV2_State_Handle handle,
                                 const LV2_Feature* const*)
{
    if (store == nullptr) {
        return LV2_STATE_ERR_UNKNOWN;
    }
    const std::span<const std::byte> state = core_->saveState();
    if (state.empty()) {
        return LV2_STATE_ERR_UNKNOWN; // nothing could be written: no record rather than an empty one
    }
    return store(handle, uris_.instrument, state.data(), state.size(), uris_.atomChunk,
                 LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

LV2_State_Status Lv2Plugin::restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                                    const LV2_Feature* const* features)
{
    if (retrieve == nullptr) {
        return LV2_STATE_ERR_UNKNOWN;
    }
    std::size_t size = 0;
    std::uint32_t type = 0;
    std::uint32_t flags = 0;
    if (const void* record = retrieve(handle, uris_.instrument, &size, &type, &flags)) {
        if (type != uris_.atomChunk) {
            return LV2_STATE_ERR_BAD_TYPE;
        }
        if (size == 0 || !core_->loadState(std::span(static_cast<const std::byte*>(record), size))) {
            return LV2_STATE_ERR_UNKNOWN;
        }
        adoptPorts_.store(true, std::memory_order_release);
        return LV2_STATE_SUCCESS;
    }
    size = 0;
    type = 0;
    if (const void* path = retrieve(handle, uris_.instrumentFile, &size, &type, &flags)) {
        if (type != uris_.atomPath) {
            return LV2_STATE_ERR_BAD_TYPE;
        }
        if (!loadInstrumentPath(path, size, features)) {
            return LV2_STATE_ERR_UNKNOWN;
        }
        adoptPorts_.store(true, std::memory_order_release);
        return LV2_STATE_SUCCESS;
    }
    return LV2_STATE_ERR_NO_PROPERTY;
}

// A preset's instrument file: the host's path, made absolute by its map_path
// where it offers one. The text is the host's word only up to size bytes.
bool Lv2Plugin::loadInstrumentPath(const void* value, std::size_t size, const LV2_Feature* const* features)
{
    char path[PATH_MAX];
    const std::size_t length = strnlen(static_cast<const char*>(value), std::min<std::size_t>(size, PATH_MAX));
    if (length == 0 || length >= PATH_MAX) {
        return false;
    }
    std::memcpy(path, value, length);
    path[length] = '\0';

    const auto* mapPath = static_cast<const LV2_State_Map_Path*>(feature(features, LV2_STATE__mapPath));
    if (mapPath == nullptr || mapPath->absolute_path == nullptr) {
        return core_->restoreInstrumentFile(path);
    }
    char* absolute = mapPath->absolute_path(mapPath->handle, path);
    if (absolute == nullptr) {
        return false;
    }
    const bool loaded = core_->restoreInstrumentFile(absolute);
    const auto* freePath = static_cast<const LV2_State_Free_Path*>(feature(features, LV2_STATE__freePath));
    if (freePath != nullptr && freePath->free_path != nullptr) {
        freePath->free_path(freePath->handle, absolute);
    } else {
        std::free(absolute);
    }
    return loaded;
}

bool Lv2Plugin::attachUi(LV2UI_Write_Function write, LV2UI_Controller controller, const LV2UI_Resize* resize)
{
    if (uiWrite_ != nullptr) {
        return false;
    }
    uiWrite_ = write;
    uiController_ = controller;
    uiResize_ = resize != nullptr && resize->ui_resize != nullptr ? resize : nullptr;
    return true;
}

void Lv2Plugin::detachUi()
{
    uiWrite_ = nullptr;
    uiController_ = nullptr;
    uiResize_ = nullptr;
}

void Lv2Plugin::editorResized(int width, int height)
{
    if (uiResize_ != nullptr && width > 0 && height > 0) {
        uiResize_->ui_resize(uiResize_->handle, width, height);
    }
}

// The editor's change is already in the core; the host's port follows it, and
// the next run sees the port at the value the core has.
void Lv2Plugin::automateFromEditor(int index, float value)
{
    if (uiWrite_ != nullptr && index >= 0 && index < kParameterCount) {
        uiWrite_(uiController_, static_cast<std::uint32_t>(index), sizeof(float), 0, &value);
    }
}

} // namespace tessarine::lv2
