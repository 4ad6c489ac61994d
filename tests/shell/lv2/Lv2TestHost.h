#pragma once
// A small LV2 host over lilv, as the suites need one: the built bundle loaded
// into a world, instances at a sample rate with urid:map and the block-size
// option, their ports wired to buffers here, an event sequence built per block
// (well-formed or deliberately broken), state and presets through lilv.

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>
#include <lv2/options/options.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lv2test {

inline constexpr int kParameters = 173;
inline constexpr int kEventsPort = 173;
inline constexpr int kBlock = 512;

// Maps URIs to numbers for every instance of the test program.
class UridMap {
public:
    UridMap();
    LV2_URID map(const char* uri);
    LV2_URID_Map* mapFeature() { return &map_; }

private:
    std::vector<std::string> uris_;
    LV2_URID_Map map_{};
};

// A time:Position object's properties, each one optional.
struct Position {
    std::optional<float> bpm;
    std::optional<double> beat;
    std::optional<float> barBeat;
    std::optional<std::int64_t> bar;
    std::optional<float> beatsPerBar;
    std::optional<std::int32_t> beatUnit;
    std::optional<float> speed;
};


// An event sequence for one block; raw appends let a test write broken events.
class Sequence {
public:
    explicit Sequence(UridMap& uris);
    // The forge writes into this sequence's own storage.
    Sequence(const Sequence&) = delete;
    Sequence& operator=(const Sequence&) = delete;
    void clear();
    void midi(std::int64_t frame, std::vector<std::uint8_t> bytes);
    void position(std::int64_t frame, const Position& position);
    // One event header with a body size that may lie, and the bytes that follow.
    void raw(std::int64_t frame, std::uint32_t type, std::uint32_t claimedSize, const std::vector<std::uint8_t>& body);
    // Overrides the sequence's own size (the host's word on how much follows).
    void claimSize(std::uint32_t size) { claimedSize_ = size; }
    LV2_Atom_Sequence* atom();

private:
    UridMap& uris_;
    std::vector<std::uint64_t> storage_;
    LV2_Atom_Forge forge_{};
    LV2_Atom_Forge_Frame frame_{};
    std::int64_t claimedSize_ = -1;
};

class World;

// A preset as lilv loads it, with its label; null when it does not load.
struct Preset {
    std::string label;
    std::shared_ptr<LilvState> state;
};

// One instance with its own port buffers.
class Instance {
public:
    Instance(World& world, double sampleRate = 48000.0);
    ~Instance();
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    bool valid() const { return instance_ != nullptr; }
    void seed(std::uint32_t value);
    // Renders frames in blocks of kBlock; the sequence plays in the first block only.
    void render(int frames, Sequence* firstBlock, std::vector<float>& left, std::vector<float>& right);
    void run(int frames, Sequence* events);

    std::array<float, kParameters> controls{};
    std::vector<float> left, right;

    LilvInstance* lilv() { return instance_; }
    // The record the state interface stores, captured the way a host would.
    std::vector<std::uint8_t> savedRecord();
    // A preset or saved state, its port values into the controls.
    void restore(const LilvState* state);
    // The plug-in's state interface, for records lilv would never hand over:
    // the instrument's own key and a chunk unless key and type are given.
    int restoreRaw(const void* data, std::size_t size, std::uint32_t key = 0, std::uint32_t type = 0);
    int restoreRaw(const std::vector<std::uint8_t>& record) { return restoreRaw(record.data(), record.size()); }

private:
    const LV2_State_Interface* stateInterface();

    World& world_;
    LilvInstance* instance_ = nullptr;
    Sequence events_;
};

// The built bundle in a lilv world of its own.
class World {
public:
    World();
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    const LilvPlugin* plugin() const { return plugin_; }
    LilvWorld* lilv() { return world_; }
    UridMap& uris() { return uris_; }
    const LV2_Feature* const* features() { return features_.data(); }
    // Every preset the plug-in lists, by label.
    std::vector<Preset> presets();
    int portIndex(const char* symbol) const;

private:
    LilvWorld* world_ = nullptr;
    const LilvPlugin* plugin_ = nullptr;
    UridMap uris_;
    std::int32_t maxBlock_ = kBlock;
    std::array<LV2_Options_Option, 2> options_{};
    LV2_Feature mapFeature_{}, optionsFeature_{};
    std::vector<const LV2_Feature*> features_;
};

} // namespace lv2test
