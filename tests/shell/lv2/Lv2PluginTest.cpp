// The LV2 plug-in through lilv, as a host sees it: ports, notes through the
// event port, state saved (also beside a playing audio thread) and recalled,
// refused state, presets and broken events. (No allocation in run(): the
// validator's realtime check, shell/lv2/Validate.)

#include "Lv2Bundle.h"
#include "params/ModulationLists.h"
#include "params/ParameterTable.h"
#include "shell/lv2/PortSymbols.h"
#include "support/SignalMeasure.h"

#include <lv2/atom/atom.h>
#include <lv2/midi/midi.h>
#include <lv2/state/state.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <set>
#include <thread>
#include <tuple>

namespace tessarine::test {
namespace {

using host::Lv2EventSequence;
using host::Lv2Instance;
constexpr int kBlock = 512;

constexpr double kRate = 48000.0;
constexpr int kVolume = 47;

struct Played {
    std::vector<float> left, right;
    float level() const
    {
        return rms(left, 0, left.size()) + rms(right, 0, right.size());
    }
    // Finite everywhere and never louder than a few times full scale.
    bool bounded() const
    {
        auto sane = [](float x) { return std::isfinite(x) && std::fabs(x) < 4.0f; };
        return std::all_of(left.begin(), left.end(), sane) && std::all_of(right.begin(), right.end(), sane);
    }
};

class Lv2Plugin : public ::testing::Test {
protected:
    // frames of a seeded instance, with events from build (a note on, unless given) in the first block.
    Played play(Lv2Instance& instance, int note, int frames, std::uint32_t seed = 1234,
                void (*build)(Lv2EventSequence&, LV2_URID) = nullptr)
    {
        EXPECT_TRUE(instance.seed(seed));
        Lv2EventSequence events(world.uris());
        if (build != nullptr) {
            build(events, world.uris().map(LV2_MIDI__MidiEvent));
        } else {
            events.midi(0, {0x90, static_cast<std::uint8_t>(note), 100});
        }
        return render(instance, frames, &events);
    }

    // Blocks of kBlock frames; the events play in the first block only.
    static Played render(Lv2Instance& instance, int frames, Lv2EventSequence* firstBlock)
    {
        Played played;
        for (int done = 0; done < frames; done += kBlock) {
            const int block = std::min(kBlock, frames - done);
            instance.run(static_cast<std::uint32_t>(block), done == 0 ? firstBlock : nullptr);
            played.left.insert(played.left.end(), instance.output(0), instance.output(0) + block);
            played.right.insert(played.right.end(), instance.output(1), instance.output(1) + block);
        }
        return played;
    }

    Lv2Bundle world;
};

// What lilv reads from the generated description is the table: every port's
// symbol, range and default, the modulation menus as labelled choices, and the
// ports no control sets kept off the host's view and automation. Hosts store
// port values by symbol in every project and preset: symbols are valid,
// unique, and the shipped ones never change.
TEST_F(Lv2Plugin, PortsDescribeTheParameterTable)
{
    ASSERT_NE(world.plugin(), nullptr) << "the bundle lists the instrument";
    EXPECT_EQ(lilv_plugin_get_num_ports(world.plugin()), 176u);
    const auto symbols = lv2::portSymbols();
    std::set<std::string> seen;
    for (const auto& symbol : symbols) {
        EXPECT_TRUE(lv2::validSymbol(symbol)) << symbol;
        EXPECT_TRUE(seen.insert(symbol).second) << symbol << " repeats";
    }
    // Shipped symbols: a change here breaks every project that stored the port.
    const std::pair<int, const char*> pinned[] = {
        {kMasterDetune, "MasterDetune"},  {kVolume, "Volume"},
        {kFilterCutoff, "FilterCutoff"},  {kModSource1, "ModSource1"},
        {kModTarget1 + 9, "ModTarget10"}, {kSustainOn, "Sustain_On"},
        {kFilterSaturation, "param_162"}, {kParameterCount - 1, "param_172"}};
    for (const auto& [index, symbol] : pinned) {
        EXPECT_EQ(symbols[static_cast<std::size_t>(index)], symbol) << index;
    }
    LilvNode* notOnGui = lilv_new_uri(world.lilv(), "http://lv2plug.in/ns/ext/port-props#notOnGUI");
    LilvNode* notAutomatic = lilv_new_uri(world.lilv(), "http://lv2plug.in/ns/ext/port-props#notAutomatic");
    std::vector<float> defaults(176), lows(176), highs(176);
    lilv_plugin_get_port_ranges_float(world.plugin(), lows.data(), highs.data(), defaults.data());
    int hidden = 0;
    for (int index = 0; index < static_cast<int>(kLv2Parameters); ++index) {
        const LilvPort* port = lilv_plugin_get_port_by_index(world.plugin(), static_cast<std::uint32_t>(index));
        EXPECT_STREQ(lilv_node_as_string(lilv_port_get_symbol(world.plugin(), port)),
                     symbols[static_cast<std::size_t>(index)].c_str());
        const bool hide = parameterHidden(index);
        hidden += hide ? 1 : 0;
        EXPECT_EQ(lilv_port_has_property(world.plugin(), port, notOnGui), hide) << index;
        EXPECT_EQ(lilv_port_has_property(world.plugin(), port, notAutomatic), hide) << index;
        const auto range = parameterRange(index);
        const float start = clampedParameter(index, parameterTable()[index].start);
        const auto at = static_cast<std::size_t>(index);
        EXPECT_EQ(std::tuple(defaults[at], lows[at], highs[at]), std::tuple(start, range.low, range.high)) << index;

        LilvScalePoints* points = lilv_port_get_scale_points(world.plugin(), port);
        const auto display = parameterTable()[index].display;
        const unsigned expected = display == DisplayFormat::SourceList   ? kSourceCount
                                  : display == DisplayFormat::TargetList ? kTargetCount
                                                                                    : 0;
        EXPECT_EQ(points != nullptr ? lilv_scale_points_size(points) : 0u, expected) << index;
        LILV_FOREACH (scale_points, i, points) {
            const LilvScalePoint* point = lilv_scale_points_get(points, i);
            const int number = static_cast<int>(lilv_node_as_float(lilv_scale_point_get_value(point)));
            const char* label = lilv_node_as_string(lilv_scale_point_get_label(point));
            EXPECT_STREQ(label, display == DisplayFormat::SourceList
                                    ? modulationSourceText(number)
                                    : modulationTargetText(number));
        }
        lilv_scale_points_free(points);
    }
    // Five spare slots, ten blank names, rows 9 and 10 of the four row groups.
    EXPECT_EQ(hidden, 23);
    lilv_node_free(notOnGui);
    lilv_node_free(notAutomatic);
}

// A note sounds from the frame its event carries (inside the block, sample for
// sample as the VST 2 module plays it: EveryFormat); a time past the block is
// held to the block's last frame, and one before it to its first.
TEST_F(Lv2Plugin, NotesStartAtTheirFrame)
{
    const std::pair<std::int64_t, int> cases[] = {{kBlock - 1, kBlock - 1}, {5000, kBlock - 1}, {-20, 0}};
    for (const auto& [time, expected] : cases) {
        auto instance = world.instance(kRate);
        ASSERT_TRUE(instance && instance->seed(7));
        Lv2EventSequence events(world.uris());
        events.midi(time, {0x90, 69, 100});
        const Played played = render(*instance, 2 * kBlock, &events);
        const auto first = std::find_if(played.left.begin(), played.left.end(), [](float x) { return x != 0.0f; });
        EXPECT_GE(first - played.left.begin(), expected) << "time " << time;
        EXPECT_LE(first - played.left.begin(), expected + 8) << "time " << time;
    }
}

// A project recalls the sound exactly: the instrument saved from a preset and
// a port the host moved plays sample for sample the same in another instance,
// whatever that one's ports hold.
TEST_F(Lv2Plugin, StateRecallsTheSoundExactly)
{
    auto original = world.instance(kRate);
    const auto presets = world.presets();
    ASSERT_FALSE(presets.empty());
    ASSERT_NE(presets.back().state, nullptr);
    original->restore(presets.back().state.get());
    original->control(kVolume) = 0.3f; // a change of the host's own, after the preset
    original->run(kBlock, nullptr);
    const std::vector<std::uint8_t> saved = savedRecord(*original);

    auto recalled = world.instance(kRate);
    // A port the instrument moved away from (an editor load, a learned
    // controller) stays where the host last had it; the record still wins.
    recalled->control(kVolume) = 0.9f;
    ASSERT_EQ(restoreRecord(world, *recalled, saved), 0);
    // A record of another type, or under another key, is no instrument and
    // changes nothing. (Damaged records: EveryFormat.)
    EXPECT_NE(restoreRecord(world, *recalled, saved, "urn:brightmoor-labs:tessarine#instrument", LV2_ATOM__String), 0);
    EXPECT_NE(restoreRecord(world, *recalled, saved, "urn:brightmoor-labs:tessarine#other"), 0);
    recalled->run(kBlock, nullptr); // the same history as the original's
    auto startInstrument = world.instance(kRate);
    startInstrument->run(kBlock, nullptr);
    const Played before = play(*startInstrument, 60, 8 * kBlock);

    const Played expected = play(*original, 60, 8 * kBlock);
    const Played got = play(*recalled, 60, 8 * kBlock);
    ASSERT_GT(expected.level(), 1e-4);
    EXPECT_NE(before.left, expected.left) << "the saved instrument differs from the start instrument";
    EXPECT_EQ(got.left, expected.left);
    EXPECT_EQ(got.right, expected.right);
}

// Hosts save a project while the audio thread plays: the state interface's
// save may run beside run(), and every record it writes must load whole.
TEST_F(Lv2Plugin, StateSavesWhileTheAudioThreadPlays)
{
    auto playing = world.instance();
    auto loader = world.instance();
    ASSERT_TRUE(playing && loader);
    std::atomic<bool> stop{false};
    std::thread audio([&] {
        Lv2EventSequence notes(world.uris());
        for (int block = 0; !stop.load(); ++block) {
            notes.clear();
            notes.midi(block % kBlock, {static_cast<std::uint8_t>(block % 2 == 0 ? 0x90 : 0x80), 60, 100});
            playing->run(kBlock, &notes);
        }
    });
    for (int save = 0; save < 8; ++save) {
        const std::vector<std::uint8_t> record = savedRecord(*playing);
        ASSERT_GT(record.size(), 64u);
        EXPECT_EQ(restoreRecord(world, *loader, record), 0) << "save " << save;
    }
    stop = true;
    audio.join();
}

// Ports and the instrument's own values: a fresh instance whose ports stand at
// their defaults keeps the start instrument it loaded; a port the host set
// before the first run is applied.
TEST_F(Lv2Plugin, PortsApplyOnlyWhatTheHostSet)
{
    // Against an instance whose ports are not connected at all, so that only
    // the ports' effect shows (a block may itself move a derived value).
    auto untouched = world.instance(kRate);
    auto unwired = world.instance(kRate);
    for (std::uint32_t port = 0; port < kLv2Parameters; ++port) {
        lilv_instance_connect_port(unwired->lilv(), port, nullptr);
    }
    untouched->run(kBlock, nullptr);
    unwired->run(kBlock, nullptr);
    EXPECT_EQ(savedRecord(*untouched), savedRecord(*unwired)) << "default ports leave the loaded instrument as it is";

    auto silenced = world.instance(kRate);
    silenced->control(kVolume) = 0.0f;
    EXPECT_LT(play(*silenced, 69, 8 * kBlock).level(), 1e-6) << "a port set before the first run applies";
}

// Every factory instrument is a preset labelled "Category/Name" that plays a
// bounded note, and sounds the same whatever instrument played before it.
TEST_F(Lv2Plugin, EveryPresetLoadsAndPlaysTheSameAfterAnyOther)
{
    const auto presets = world.presets();
    ASSERT_GE(presets.size(), 10u);
    auto carried = world.instance(kRate);
    for (const auto& [uri, label, state] : presets) {
        SCOPED_TRACE(label);
        EXPECT_NE(label.find('/'), std::string::npos);
        ASSERT_NE(state, nullptr);
        auto fresh = world.instance(kRate);
        fresh->restore(state.get());
        carried->restore(state.get());
        const Played expected = play(*fresh, 60, 16 * kBlock);
        const Played got = play(*carried, 60, 16 * kBlock);
        EXPECT_TRUE(expected.bounded());
        EXPECT_GT(expected.level(), 1e-5) << "the preset sounds";
        EXPECT_EQ(got.left, expected.left);
        // Silence between presets, so the next one starts from rest.
        Lv2EventSequence off(world.uris());
        off.midi(0, {0xB0, 120, 0});
        carried->run(kBlock, &off);
    }
}

// Broken event sequences are read only as far as they hold: nothing crashes,
// the output stays finite, and the well-formed events before the break play.
TEST_F(Lv2Plugin, BrokenEventsAreReadOnlyAsFarAsTheyHold)
{
    const struct {
        const char* what;
        void (*build)(Lv2EventSequence&, LV2_URID);
        bool sounds;
    } cases[] = {
        {"event larger than the sequence", [](Lv2EventSequence& s, LV2_URID m) { s.raw(0, m, 0x7fffffff, {0x90, 69, 100}); },
         false},
        {"sequence claims less than its header", [](Lv2EventSequence& s, LV2_URID m) {
             s.midi(0, {0x90, 69, 100});
             s.claimSize(4);
             (void)m;
         }, false},
        {"sequence cut inside an event", [](Lv2EventSequence& s, LV2_URID m) {
             s.midi(0, {0x90, 69, 100});
             s.raw(10, m, 3, {0x90, 70, 100});
             s.claimSize(sizeof(LV2_Atom_Sequence_Body) + sizeof(LV2_Atom_Event) + 8 + 20);
         }, true},
        {"long message (SysEx)", [](Lv2EventSequence& s, LV2_URID m) {
             s.raw(0, m, 6, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7});
         }, false},
        {"empty message", [](Lv2EventSequence& s, LV2_URID m) { s.raw(0, m, 0, {}); }, false},
        {"data byte without status", [](Lv2EventSequence& s, LV2_URID m) { s.raw(0, m, 3, {0x45, 69, 100}); }, false},
        {"times out of order", [](Lv2EventSequence& s, LV2_URID) {
             s.midi(300, {0x90, 69, 100});
             s.midi(5, {0x90, 72, 100});
         }, true},
        {"truncated position object", [](Lv2EventSequence& s, LV2_URID) {
             s.position(0, {140.0f, 8.0, 0.0f, 2, 4.0f, 4, 1.0f});
             s.claimSize(sizeof(LV2_Atom_Sequence_Body) + sizeof(LV2_Atom_Event) + 40);
         }, false},
    };
    for (const auto& c : cases) {
        auto instance = world.instance(kRate);
        const Played played = play(*instance, 0, 8 * kBlock, 3, c.build);
        EXPECT_TRUE(played.bounded()) << c.what;
        EXPECT_EQ(played.level() > 1e-4, c.sounds) << c.what;
    }
}

} // namespace
} // namespace tessarine::test
