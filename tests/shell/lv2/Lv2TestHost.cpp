#include "Lv2TestHost.h"

#include "shell/lv2/Lv2Seed.h"

#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/midi/midi.h>
#include <lv2/presets/presets.h>
#include <lv2/state/state.h>
#include <lv2/time/time.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace lv2test {

UridMap::UridMap()
{
    map_.handle = this;
    map_.map = [](LV2_URID_Map_Handle handle, const char* uri) { return static_cast<UridMap*>(handle)->map(uri); };
}

LV2_URID UridMap::map(const char* uri)
{
    const auto found = std::find(uris_.begin(), uris_.end(), uri);
    if (found != uris_.end()) {
        return static_cast<LV2_URID>(found - uris_.begin() + 1);
    }
    uris_.emplace_back(uri);
    return static_cast<LV2_URID>(uris_.size());
}

Sequence::Sequence(UridMap& uris) : uris_(uris), storage_(8192)
{
    lv2_atom_forge_init(&forge_, uris.mapFeature());
    clear();
}

void Sequence::clear()
{
    lv2_atom_forge_set_buffer(&forge_, reinterpret_cast<std::uint8_t*>(storage_.data()),
                              storage_.size() * sizeof(std::uint64_t));
    lv2_atom_forge_sequence_head(&forge_, &frame_, 0);
    claimedSize_ = -1;
}

void Sequence::raw(std::int64_t frame, std::uint32_t type, std::uint32_t claimedSize,
                   const std::vector<std::uint8_t>& body)
{
    lv2_atom_forge_frame_time(&forge_, frame);
    lv2_atom_forge_atom(&forge_, claimedSize, type);
    // An empty body writes nothing, and the forge must not be handed its null data.
    if (!body.empty() && lv2_atom_forge_write(&forge_, body.data(), static_cast<std::uint32_t>(body.size())) == 0) {
        ADD_FAILURE() << "test sequence full";
    }
}

void Sequence::midi(std::int64_t frame, std::vector<std::uint8_t> bytes)
{
    raw(frame, uris_.map(LV2_MIDI__MidiEvent), static_cast<std::uint32_t>(bytes.size()), bytes);
}

void Sequence::position(std::int64_t frame, const Position& p)
{
    lv2_atom_forge_frame_time(&forge_, frame);
    LV2_Atom_Forge_Frame object;
    lv2_atom_forge_object(&forge_, &object, 0, uris_.map(LV2_TIME__Position));
    auto key = [&](const char* uri, bool present) { return present && lv2_atom_forge_key(&forge_, uris_.map(uri)); };
    key(LV2_TIME__beatsPerMinute, p.bpm.has_value()) && lv2_atom_forge_float(&forge_, *p.bpm);
    key(LV2_TIME__beat, p.beat.has_value()) && lv2_atom_forge_double(&forge_, *p.beat);
    key(LV2_TIME__barBeat, p.barBeat.has_value()) && lv2_atom_forge_float(&forge_, *p.barBeat);
    key(LV2_TIME__bar, p.bar.has_value()) && lv2_atom_forge_long(&forge_, *p.bar);
    key(LV2_TIME__beatsPerBar, p.beatsPerBar.has_value()) && lv2_atom_forge_float(&forge_, *p.beatsPerBar);
    key(LV2_TIME__beatUnit, p.beatUnit.has_value()) && lv2_atom_forge_int(&forge_, *p.beatUnit);
    key(LV2_TIME__speed, p.speed.has_value()) && lv2_atom_forge_float(&forge_, *p.speed);
    lv2_atom_forge_pop(&forge_, &object);
}

LV2_Atom_Sequence* Sequence::atom()
{
    auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(storage_.data());
    if (claimedSize_ >= 0) {
        sequence->atom.size = static_cast<std::uint32_t>(claimedSize_);
    }
    return sequence;
}

World::World()
{
    world_ = lilv_world_new();
    LilvNode* bundle = lilv_new_file_uri(world_, nullptr, TESSARINE_LV2_BUNDLE);
    lilv_world_load_bundle(world_, bundle);
    lilv_node_free(bundle);
    LilvNode* uri = lilv_new_uri(world_, "urn:brightmoor-labs:tessarine");
    plugin_ = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world_), uri);
    lilv_node_free(uri);

    options_[0] = LV2_Options_Option{LV2_OPTIONS_INSTANCE, 0, uris_.map(LV2_BUF_SIZE__maxBlockLength),
                                     sizeof maxBlock_, uris_.map(LV2_ATOM__Int), &maxBlock_};
    options_[1] = LV2_Options_Option{LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
    mapFeature_ = {LV2_URID__map, uris_.mapFeature()};
    optionsFeature_ = {LV2_OPTIONS__options, options_.data()};
    features_ = {&mapFeature_, &optionsFeature_, nullptr};
}

World::~World() { lilv_world_free(world_); }

std::vector<Preset> World::presets()
{
    std::vector<Preset> list;
    if (plugin_ == nullptr) {
        return list;
    }
    LilvNode* presetClass = lilv_new_uri(world_, LV2_PRESETS__Preset);
    LilvNodes* presets = lilv_plugin_get_related(plugin_, presetClass);
    LILV_FOREACH (nodes, i, presets) {
        const LilvNode* preset = lilv_nodes_get(presets, i);
        lilv_world_load_resource(world_, preset);
        std::shared_ptr<LilvState> state(lilv_state_new_from_world(world_, uris_.mapFeature(), preset), lilv_state_free);
        const char* label = state != nullptr ? lilv_state_get_label(state.get()) : nullptr;
        list.push_back({label != nullptr ? label : "", state});
    }
    lilv_nodes_free(presets);
    lilv_node_free(presetClass);
    std::sort(list.begin(), list.end(), [](const Preset& a, const Preset& b) { return a.label < b.label; });
    return list;
}

int World::portIndex(const char* symbol) const
{
    LilvNode* node = lilv_new_string(world_, symbol);
    const LilvPort* port = lilv_plugin_get_port_by_symbol(plugin_, node);
    lilv_node_free(node);
    return port != nullptr ? static_cast<int>(lilv_port_get_index(plugin_, port)) : -1;
}

Instance::Instance(World& world, double sampleRate) : world_(world), events_(world.uris())
{
    if (world.plugin() == nullptr) {
        return;
    }
    instance_ = lilv_plugin_instantiate(world.plugin(), sampleRate, world.features());
    if (instance_ == nullptr) {
        return;
    }
    left.resize(kBlock);
    right.resize(kBlock);
    std::vector<float> defaults(lilv_plugin_get_num_ports(world.plugin()));
    lilv_plugin_get_port_ranges_float(world.plugin(), nullptr, nullptr, defaults.data());
    std::copy_n(defaults.begin(), kParameters, controls.begin());
    for (int index = 0; index < kParameters; ++index) {
        lilv_instance_connect_port(instance_, static_cast<std::uint32_t>(index), &controls[static_cast<std::size_t>(index)]);
    }
    lilv_instance_connect_port(instance_, kEventsPort, events_.atom());
    lilv_instance_connect_port(instance_, kEventsPort + 1, left.data());
    lilv_instance_connect_port(instance_, kEventsPort + 2, right.data());
    lilv_instance_activate(instance_);
}

Instance::~Instance()
{
    if (instance_ != nullptr) {
        lilv_instance_deactivate(instance_);
        lilv_instance_free(instance_);
    }
}

void Instance::seed(std::uint32_t value)
{
    const auto* seeding =
        static_cast<const TessarineLv2Seed*>(lilv_instance_get_extension_data(instance_, TESSARINE_LV2_SEED_URI));
    ASSERT_NE(seeding, nullptr);
    seeding->seed(lilv_instance_get_handle(instance_), value);
}

void Instance::run(int frames, Sequence* events)
{
    lilv_instance_connect_port(instance_, kEventsPort, events != nullptr ? events->atom() : events_.atom());
    lilv_instance_run(instance_, static_cast<std::uint32_t>(frames));
}

void Instance::render(int frames, Sequence* firstBlock, std::vector<float>& outLeft, std::vector<float>& outRight)
{
    outLeft.clear();
    outRight.clear();
    for (int done = 0; done < frames; done += kBlock) {
        const int block = std::min(kBlock, frames - done);
        run(block, done == 0 ? firstBlock : nullptr);
        outLeft.insert(outLeft.end(), left.begin(), left.begin() + block);
        outRight.insert(outRight.end(), right.begin(), right.begin() + block);
    }
}

std::vector<std::uint8_t> Instance::savedRecord()
{
    std::vector<std::uint8_t> record;
    auto store = [](LV2_State_Handle handle, std::uint32_t, const void* value, std::size_t size, std::uint32_t,
                    std::uint32_t) -> LV2_State_Status {
        auto* bytes = static_cast<const std::uint8_t*>(value);
        static_cast<std::vector<std::uint8_t>*>(handle)->assign(bytes, bytes + size);
        return LV2_STATE_SUCCESS;
    };
    const LV2_State_Interface* state = stateInterface();
    if (state == nullptr || state->save(lilv_instance_get_handle(instance_), store, &record, 0, nullptr) != 0) {
        ADD_FAILURE() << "the state interface saves";
    }
    return record;
}

void Instance::restore(const LilvState* state)
{
    auto setValue = [](const char* symbol, void* user, const void* value, std::uint32_t size, std::uint32_t type) {
        auto* self = static_cast<Instance*>(user);
        const int index = self->world_.portIndex(symbol);
        if (index >= 0 && index < kParameters && size == sizeof(float)
            && type == self->world_.uris().map(LV2_ATOM__Float)) {
            std::memcpy(&self->controls[static_cast<std::size_t>(index)], value, sizeof(float));
        }
    };
    lilv_state_restore(state, instance_, setValue, this, 0, world_.features());
}

const LV2_State_Interface* Instance::stateInterface()
{
    return static_cast<const LV2_State_Interface*>(lilv_instance_get_extension_data(instance_, LV2_STATE__interface));
}

int Instance::restoreRaw(const void* data, std::size_t size, std::uint32_t key, std::uint32_t type)
{
    key = key != 0 ? key : world_.uris().map("urn:brightmoor-labs:tessarine#instrument");
    type = type != 0 ? type : world_.uris().map(LV2_ATOM__Chunk);
    struct Record {
        std::uint32_t key;
        const void* data;
        std::size_t size;
        std::uint32_t type;
    } record{key, data, size, type};
    auto retrieve = [](LV2_State_Handle handle, std::uint32_t wanted, std::size_t* outSize, std::uint32_t* outType,
                       std::uint32_t* flags) -> const void* {
        const auto* held = static_cast<const Record*>(handle);
        if (wanted != held->key) {
            return nullptr;
        }
        *outSize = held->size;
        *outType = held->type;
        *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
        return held->data;
    };
    const LV2_State_Interface* state = stateInterface();
    if (state == nullptr) {
        return -1;
    }
    return state->restore(lilv_instance_get_handle(instance_), retrieve, &record, 0, world_.features());
}

} // namespace lv2test
