#include "lv2/Lv2Instance.h"

#include "validate/AudioThreadAllocations.h"

#include <lv2/atom/atom.h>
#include <lv2/midi/midi.h>

#include <cmath>
#include <cstring>

namespace tessarine::host {

namespace {

// The extension data and the seed URI as the plug-in offers them.
constexpr char kSeedExtension[] = "urn:brightmoor-labs:tessarine#seed";
struct SeedExtension {
    void (*seed)(void* handle, std::uint32_t seed);
};

constexpr std::size_t kAtomOutputBytes = 65536;

} // namespace

Lv2Instance::Lv2Instance(Lv2World& world, double sampleRate)
    : world_(world), rate_(sampleRate), noEvents_(world.uris(), 64)
{
}

std::unique_ptr<Lv2Instance> Lv2Instance::create(Lv2World& world, double sampleRate, std::string& error)
{
    const LilvPlugin* plugin = world.plugin();
    if (plugin == nullptr) {
        error = "no plug-in loaded";
        return nullptr;
    }
    std::unique_ptr<Lv2Instance> made(new Lv2Instance(world, sampleRate));
    made->instance_ = lilv_plugin_instantiate(plugin, sampleRate, world.features());
    if (made->instance_ == nullptr) {
        error = "lilv could not instantiate " + world.uri() + " at " + std::to_string(static_cast<int>(sampleRate)) +
                " Hz";
        return nullptr;
    }
    LilvWorld* lilv = world.lilv();
    LilvNode* input = lilv_new_uri(lilv, LV2_CORE__InputPort);
    LilvNode* control = lilv_new_uri(lilv, LV2_CORE__ControlPort);
    LilvNode* audio = lilv_new_uri(lilv, LV2_CORE__AudioPort);
    LilvNode* cv = lilv_new_uri(lilv, LV2_CORE__CVPort);
    LilvNode* atom = lilv_new_uri(lilv, LV2_ATOM__AtomPort);
    LilvNode* midi = lilv_new_uri(lilv, LV2_MIDI__MidiEvent);

    const std::uint32_t ports = lilv_plugin_get_num_ports(plugin);
    made->values_.assign(ports, 0.0f);
    std::vector<float> defaults(ports, NAN);
    lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, defaults.data());
    for (std::uint32_t index = 0; index < ports; ++index) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, index);
        const bool isInput = lilv_port_is_a(plugin, port, input);
        void* buffer = nullptr;
        if (lilv_port_is_a(plugin, port, control)) {
            made->values_[index] = std::isnan(defaults[index]) ? 0.0f : defaults[index];
            if (isInput) {
                made->controlInputs_.push_back(index);
            }
            buffer = &made->values_[index];
        } else if (lilv_port_is_a(plugin, port, audio) || lilv_port_is_a(plugin, port, cv)) {
            auto samples = std::make_unique<std::vector<float>>(Lv2World::kMaxBlock, 0.0f);
            buffer = samples->data();
            if (!isInput && lilv_port_is_a(plugin, port, audio)) {
                made->channels_.push_back(samples->data());
                made->outputs_.push_back(std::move(samples));
            } else {
                made->spareBuffers_.push_back(std::move(samples));
            }
        } else if (lilv_port_is_a(plugin, port, atom) && isInput) {
            if (made->eventPort_ < 0 && lilv_port_supports_event(plugin, port, midi)) {
                made->eventPort_ = static_cast<int>(index);
            }
            buffer = made->noEvents_.atom();
        } else if (lilv_port_is_a(plugin, port, atom)) {
            auto storage = std::make_unique<std::vector<std::uint64_t>>(kAtomOutputBytes / sizeof(std::uint64_t));
            buffer = storage->data();
            made->atomOutputs_.emplace_back(index, std::move(storage));
        }
        lilv_instance_connect_port(made->instance_, index, buffer);
    }
    for (LilvNode* node : {input, control, audio, cv, atom, midi}) {
        lilv_node_free(node);
    }
    made->state_ =
        static_cast<const LV2_State_Interface*>(lilv_instance_get_extension_data(made->instance_, LV2_STATE__interface));
    lilv_instance_activate(made->instance_);
    made->active_ = true;
    return made;
}

Lv2Instance::~Lv2Instance()
{
    if (active_) {
        lilv_instance_deactivate(instance_);
    }
    if (instance_ != nullptr) {
        lilv_instance_free(instance_);
    }
}

void Lv2Instance::run(std::uint32_t frames, Lv2EventSequence* events)
{
    // An output sequence's size says how much room the plug-in has to write in.
    for (auto& [index, storage] : atomOutputs_) {
        auto* sequence = reinterpret_cast<LV2_Atom*>(storage->data());
        sequence->size = static_cast<std::uint32_t>(kAtomOutputBytes - sizeof(LV2_Atom));
        sequence->type = 0;
    }
    if (eventPort_ >= 0) {
        lilv_instance_connect_port(instance_, static_cast<std::uint32_t>(eventPort_),
                                   events != nullptr ? events->atom() : noEvents_.atom());
    }
    ArmedAllocationCount counting(AudioCall::kProcess);
    lilv_instance_run(instance_, frames);
}

bool Lv2Instance::seed(std::uint32_t value)
{
    const auto* seeding = static_cast<const SeedExtension*>(lilv_instance_get_extension_data(instance_, kSeedExtension));
    if (seeding == nullptr || seeding->seed == nullptr) {
        return false;
    }
    seeding->seed(lilv_instance_get_handle(instance_), value);
    return true;
}

int Lv2Instance::saveState(Lv2State& into)
{
    into.clear();
    if (state_ == nullptr || state_->save == nullptr) {
        return LV2_STATE_ERR_NO_FEATURE;
    }
    auto store = [](LV2_State_Handle handle, std::uint32_t key, const void* value, std::size_t size,
                    std::uint32_t type, std::uint32_t flags) -> LV2_State_Status {
        auto* properties = static_cast<Lv2State*>(handle);
        const auto* bytes = static_cast<const std::uint8_t*>(value);
        for (Lv2StateProperty& held : *properties) {
            if (held.key == key) {
                held = {key, type, flags, std::vector<std::uint8_t>(bytes, bytes + size)};
                return LV2_STATE_SUCCESS;
            }
        }
        properties->push_back({key, type, flags, std::vector<std::uint8_t>(bytes, bytes + size)});
        return LV2_STATE_SUCCESS;
    };
    return state_->save(lilv_instance_get_handle(instance_), store, &into,
                        LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, world_.features());
}

int Lv2Instance::restoreState(const Lv2State& from)
{
    if (state_ == nullptr || state_->restore == nullptr) {
        return LV2_STATE_ERR_NO_FEATURE;
    }
    auto retrieve = [](LV2_State_Handle handle, std::uint32_t key, std::size_t* size, std::uint32_t* type,
                       std::uint32_t* flags) -> const void* {
        for (const Lv2StateProperty& held : *static_cast<const Lv2State*>(handle)) {
            if (held.key == key) {
                *size = held.bytes.size();
                *type = held.type;
                *flags = held.flags;
                return held.bytes.data();
            }
        }
        return nullptr;
    };
    return state_->restore(lilv_instance_get_handle(instance_), retrieve, const_cast<Lv2State*>(&from), 0,
                           world_.features());
}

void Lv2Instance::restore(const LilvState* state)
{
    auto setValue = [](const char* symbol, void* user, const void* value, std::uint32_t size, std::uint32_t type) {
        auto* self = static_cast<Lv2Instance*>(user);
        const int index = self->world_.portIndex(symbol);
        if (index >= 0 && static_cast<std::size_t>(index) < self->values_.size() && size == sizeof(float)
            && type == self->world_.uris().map(LV2_ATOM__Float)) {
            std::memcpy(&self->values_[static_cast<std::size_t>(index)], value, sizeof(float));
        }
    };
    lilv_state_restore(state, instance_, setValue, this, 0, world_.features());
}

} // namespace tessarine::host
