// Tessarine.clap as a CLAP host sees it: loaded through clap_entry and driven
// through the plug-in's extensions and event lists alone.

#include "shell/clap/ClapTestHost.h"
#include "support/PrivateConfigFolder.h"
#include "support/SignalMeasure.h"

#include "params/ParameterTable.h"

#include <clap/ext/audio-ports.h>
#include <clap/ext/gui.h>
#include <clap/ext/note-ports.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <utility>

namespace {

using namespace tessarine::test;

constexpr double kRate = 48000.0;

std::string valueText(const clap_plugin_params_t& params, const clap_plugin_t* plugin, clap_id id, double value)
{
    char text[CLAP_NAME_SIZE] = "unwritten";
    EXPECT_TRUE(params.value_to_text(plugin, id, value, text, sizeof text)) << id;
    return text;
}

std::vector<std::uint8_t> savedState(const TestInstance& instance)
{
    MemoryStream stream;
    EXPECT_TRUE(instance->state->save(instance.plugin(), &stream.out));
    return stream.bytes;
}

// A descriptor past the count and an id it does not list are the validator's
// to refuse; what it cannot know is which instrument this is.
TEST(ClapPlugin, DescribesOneStereoInstrument)
{
    ASSERT_NE(clapModule(), nullptr);
    const clap_plugin_factory_t* factory = clapModule()->factory();
    ASSERT_EQ(factory->get_plugin_count(factory), 1u);
    const clap_plugin_descriptor_t* d = factory->get_plugin_descriptor(factory, 0);
    ASSERT_NE(d, nullptr);
    std::vector<std::string> described = {d->id, d->name, d->vendor, d->version};
    for (const char* const* f = d->features; *f != nullptr; ++f) {
        described.emplace_back(*f);
    }
    EXPECT_EQ(described, (std::vector<std::string>{"com.brightmoor-labs.tessarine", "Tessarine", "Brightmoor Labs",
                                                   "1", "instrument", "synthesizer", "stereo"}));

    const tessarine::test::PrivateConfigFolder config; // no size picked by a user
    TestInstance instance;
    ASSERT_TRUE(instance.valid());
    const clap_plugin_t* plugin = instance.plugin();
    const clap_plugin_gui_t* gui = instance->gui;
    ASSERT_TRUE(instance->audioPorts != nullptr && instance->notePorts != nullptr && gui != nullptr);
    EXPECT_EQ(instance->audioPorts->count(plugin, true), 0u);
    ASSERT_EQ(instance->audioPorts->count(plugin, false), 1u);
    clap_audio_port_info_t port{};
    clap_note_port_info_t notePort{};
    ASSERT_TRUE(instance->audioPorts->get(plugin, 0, false, &port) && instance->notePorts->get(plugin, 0, true, &notePort));
    EXPECT_EQ(port.channel_count, 2u);
    EXPECT_STREQ(port.port_type, CLAP_PORT_STEREO);
    EXPECT_EQ(std::pair(notePort.supported_dialects, notePort.preferred_dialect),
              std::pair(std::uint32_t{CLAP_NOTE_DIALECT_CLAP | CLAP_NOTE_DIALECT_MIDI}, std::uint32_t{CLAP_NOTE_DIALECT_CLAP}));
    EXPECT_TRUE(gui->is_api_supported(plugin, CLAP_WINDOW_API_X11, false));
    EXPECT_FALSE(gui->is_api_supported(plugin, CLAP_WINDOW_API_X11, true));
    EXPECT_FALSE(gui->is_api_supported(plugin, CLAP_WINDOW_API_WAYLAND, false));

    // The editor runs on a timer of its own (that the timer goes with the
    // editor is the validator's to see); the host's scale (no size picked in
    // this configuration) sizes the window.
    ASSERT_TRUE(gui->create(plugin, CLAP_WINDOW_API_X11, false));
    std::uint32_t width = 0, height = 0;
    EXPECT_TRUE(gui->get_size(plugin, &width, &height));
    EXPECT_EQ(std::pair(width, height), std::pair(800u, 550u));
    EXPECT_TRUE(gui->set_scale(plugin, 2.0));
    EXPECT_FALSE(gui->set_scale(plugin, std::numeric_limits<double>::quiet_NaN()));
    ASSERT_TRUE(gui->get_size(plugin, &width, &height));
    EXPECT_EQ(std::pair(width, height), std::pair(1600u, 1100u));
    width = height = 900;
    ASSERT_TRUE(gui->adjust_size(plugin, &width, &height));
    EXPECT_EQ(std::pair(width, height), std::pair(1600u, 1100u));
    EXPECT_FALSE(gui->create(plugin, CLAP_WINDOW_API_X11, false)) << "one editor at a time";
    EXPECT_EQ(instance.host().timers().size(), 1u);
    gui->destroy(plugin);
}

// A CLAP note sounds at its pitch: its strongest component within half an
// octave either side is its own fundamental. It ends by its key and channel,
// by the identifier its note on carried, or by a wildcard; an off that names
// another key or an identifier no note has leaves it sounding. (MIDI events
// go to the core as they come: EveryFormat plays them sample for sample as
// the VST 2 module does.)
TEST(ClapPlugin, NotesSoundAtTheirPitchAndEndByKeyIdentifierOrWildcard)
{
    struct Case {
        const char* what;
        std::uint16_t type;
        int key;
        int channel;
        int noteId;
        bool ends;
    };
    // The note: key 60, channel 2, identifier 7.
    const Case cases[] = {
        {"its key and channel", CLAP_EVENT_NOTE_OFF, 60, 2, -1, true},
        {"its identifier", CLAP_EVENT_NOTE_OFF, -1, -1, 7, true},
        {"every key of its channel", CLAP_EVENT_NOTE_OFF, -1, 2, -1, true},
        {"its key on every channel", CLAP_EVENT_NOTE_OFF, 60, -1, -1, true},
        {"everything", CLAP_EVENT_NOTE_OFF, -1, -1, -1, true},
        {"a choke of everything", CLAP_EVENT_NOTE_CHOKE, -1, -1, -1, true},
        {"another key", CLAP_EVENT_NOTE_OFF, 61, 2, -1, false},
        {"an identifier of no note", CLAP_EVENT_NOTE_OFF, -1, -1, 99, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestInstance instance(kRate, 512);
        ASSERT_TRUE(instance.valid());
        EventList first(64);
        for (clap_id dry : {tessarine::kDelayOn, tessarine::kReverbOn, tessarine::kChorusOn, tessarine::kRelease}) {
            first.push(clapValueEvent(0, dry, 0.0).header);
        }
        first.push(clapNoteEvent(CLAP_EVENT_NOTE_ON, 0, 60, 0.8, 2, 7).header);
        const std::vector<float> held = instance.render(static_cast<int>(kRate * 0.3), 512, first);
        auto amplitude = [&](int semitone) {
            const double frequency = 440.0 * std::pow(2.0, (60 + semitone - 69) / 12.0);
            return amplitudeAt(held, 4800, static_cast<int>(held.size()), frequency, kRate);
        };
        for (int semitone = -6; semitone <= 6; ++semitone) {
            EXPECT_TRUE(semitone == 0 || amplitude(semitone) < amplitude(0)) << semitone << " semitones off";
        }
        EventList off(8);
        off.push(clapNoteEvent(c.type, 0, c.key, 0.5, c.channel, c.noteId).header);
        const std::vector<float> after = instance.render(static_cast<int>(kRate * 1.0), 512, off);
        const float heldLevel = rms(held, held.size() / 2, held.size() / 2);
        const float endLevel = rms(after, after.size() - 4800, 4800);
        ASSERT_GT(heldLevel, 1e-3f);
        EXPECT_EQ(endLevel < 0.01f * heldLevel, c.ends);
        EXPECT_EQ(endLevel > 0.1f * heldLevel, !c.ends);
    }
}

// Every parameter's text maps back to a value that shows the same text, with
// or without its unit, across its whole range; what no value shows is refused.
// The validator round-trips every parameter's text as the host shows it
// (shell/clap/Validate); what it cannot know is that a musician may type the
// number alone, and what must be refused.
TEST(ClapPlugin, ParameterTextsAreTakenWithoutTheirUnitAndNonsenseIsRefused)
{
    TestInstance instance;
    ASSERT_TRUE(instance.valid());
    const auto* params = instance->params;
    ASSERT_NE(params, nullptr);
    for (std::uint32_t i = 0; i < 173; ++i) {
        for (double value : {0.1, 0.5, 0.9}) {
            const std::string text = valueText(*params, instance.plugin(), i, value);
            const std::size_t space = text.rfind(' ');
            const std::string unit = space != std::string::npos ? text.substr(space + 1) : "";
            if (!std::set<std::string>{"%", "s", "ms", "Hz", "semi", "beat", "bar"}.contains(unit)) {
                continue;
            }
            const std::string bare = text.substr(0, space);
            double parsed = std::numeric_limits<double>::quiet_NaN();
            EXPECT_TRUE(params->text_to_value(instance.plugin(), i, bare.c_str(), &parsed)) << i << " '" << bare << "'";
            EXPECT_EQ(valueText(*params, instance.plugin(), i, parsed), text) << i << " '" << bare << "'";
        }
    }
    using tessarine::kVolume;
    for (auto [id, text] : {std::pair<clap_id, const char*>{kVolume, "loud"}, {kVolume, ""}, {kVolume, "150 %"},
                            {kVolume, "-3"}, {kVolume, "50 Hz"}, {tessarine::kFilterCutoff, "20 Hz"},
                            {tessarine::kFilterCutoff, "nan"}, {tessarine::kLfoRate, "1/3 beat"},
                            {tessarine::kModSource1, "no such source"}, {173, "50"}}) {
        double untouched = 12.5;
        EXPECT_FALSE(params->text_to_value(instance.plugin(), id, text, &untouched)) << id << " '" << text << "'";
        EXPECT_EQ(untouched, 12.5);
    }
    // A number between two displayed ones takes the nearer value.
    double typed = 0.0;
    ASSERT_TRUE(params->text_to_value(instance.plugin(), tessarine::kFilterCutoff, " 1000hz ", &typed));
    const std::string shown = valueText(*params, instance.plugin(), tessarine::kFilterCutoff, typed);
    EXPECT_NEAR(std::stod(shown), 1000.0, 2.0) << shown;
}

// A stream that claims more than it was asked for is refused and changes
// nothing; a save into a stream that takes nothing, or claims to take more
// than it was given, says so. (Round trips through streams that move a little
// at a time, and streams that hold nothing a record could be, are
// EveryFormat's; empty, cut and failing streams the validator's.)
TEST(ClapPlugin, BadStreamsAreRefusedAndChangeNothing)
{
    TestInstance instance;
    ASSERT_TRUE(instance.valid());
    const std::vector<std::uint8_t> before = savedState(instance);
    ASSERT_GT(before.size(), 16u);
    clap_istream_t lying{};
    lying.read = [](const clap_istream_t*, void*, std::uint64_t) -> std::int64_t { return 1LL << 40; };
    EXPECT_FALSE(instance->state->load(instance.plugin(), &lying));
    EXPECT_EQ(savedState(instance), before);
    clap_ostream_t full{};
    full.write = [](const clap_ostream_t*, const void*, std::uint64_t) -> std::int64_t { return 0; };
    EXPECT_FALSE(instance->state->save(instance.plugin(), &full)) << "a stream that takes nothing";
    full.write = [](const clap_ostream_t*, const void*, std::uint64_t) -> std::int64_t { return 1LL << 40; };
    EXPECT_FALSE(instance->state->save(instance.plugin(), &full)) << "a stream that took more than it was given";
}

// A value change at a sample inside a block sounds exactly as the same change
// at the start of a block beginning at that sample.
TEST(ClapPlugin, ParameterEventsTakeEffectAtTheirSample)
{
    auto play = [](bool split) {
        TestInstance instance(kRate, 512);
        instance.seed(5);
        EventList note(8);
        note.push(clapNoteEvent(CLAP_EVENT_NOTE_ON, 0, 60, 0.8).header);
        std::vector<float> out = instance.render(2048, 512, note);
        EventList change(8), none(1), ignored(64);
        change.push(clapValueEvent(split ? 0 : 300, tessarine::kVolume, 0.05).header);
        change.push(clapValueEvent(split ? 0 : 300, tessarine::kHarmAmount, 0.0).header);
        if (split) {
            instance.process(300, none, ignored, &out);
        }
        instance.process(split ? 212 : 512, change, ignored, &out);
        const std::vector<float> rest = instance.render(4096, 512, none);
        out.insert(out.end(), rest.begin(), rest.end());
        return out;
    };
    const std::vector<float> atSample = play(false);
    const std::vector<float> atBlock = play(true);
    ASSERT_EQ(atSample.size(), atBlock.size());
    EXPECT_EQ(atSample, atBlock);
    EXPECT_GT(rms(atSample, 1024, 1024), 10.0f * rms(atSample, 4096, 1024)) << "the change is heard";
}

// Events no well-behaved host sends: short, of other spaces, late, out of
// range. Nothing crashes, the output stays finite, values stay in range, and
// a host without usable outputs is told the block failed.
TEST(ClapPlugin, HostileEventsAreSurvived)
{
    TestInstance instance(kRate, 256);
    ASSERT_TRUE(instance.valid());
    EventList events(64);
    clap_event_note_t shortNote = clapNoteEvent(CLAP_EVENT_NOTE_ON, 0, 60, 0.8);
    shortNote.header.size = sizeof(clap_event_header_t) + 2;
    events.push(shortNote.header);
    clap_event_note_t foreign = clapNoteEvent(CLAP_EVENT_NOTE_ON, 0, 61, 0.8);
    foreign.header.space_id = 77;
    events.push(foreign.header);
    events.push(clapNoteEvent(CLAP_EVENT_NOTE_ON, 1'000'000, 62, 0.8).header);
    events.push(clapNoteEvent(CLAP_EVENT_NOTE_ON, 3, 300, 2.0, 40).header);
    events.push(clapNoteEvent(CLAP_EVENT_NOTE_ON, 3, -5, -1.0, -7).header);
    events.push(clapNoteEvent(CLAP_EVENT_NOTE_OFF, 4, -1, 0.0, -1).header);
    events.push(clapNoteEvent(CLAP_EVENT_NOTE_CHOKE, 5, -1, 0.0, -1, 12345).header);
    events.push(clapNoteEvent(CLAP_EVENT_NOTE_ON, 2, 64, std::numeric_limits<double>::quiet_NaN()).header);
    events.push(clapValueEvent(1, tessarine::kVolume, 1e300).header);
    events.push(clapValueEvent(1, tessarine::kModTarget1, -1e300).header);
    events.push(clapValueEvent(1, tessarine::kFilterCutoff, std::numeric_limits<double>::quiet_NaN()).header);
    events.push(clapValueEvent(1, 173, 0.5).header);
    events.push(clapValueEvent(1, CLAP_INVALID_ID, 0.5).header);
    clap_event_header_t bare{sizeof(clap_event_header_t), 0, 0, CLAP_EVENT_PARAM_VALUE, 0};
    events.push(bare);
    EventList out(64), none(1);
    std::vector<float> left, right;
    for (int block = 0; block < 20; ++block) {
        EXPECT_EQ(instance.process(256, block == 0 ? events : none, out, &left, &right), CLAP_PROCESS_CONTINUE);
    }
    EXPECT_TRUE(
        std::all_of(left.begin(), left.end(), [](float x) { return std::isfinite(x) && std::fabs(x) <= 16.0f; }));
    // Held to the range; not a number stands for the start value.
    double value = 0.0;
    for (auto [id, expected] : {std::pair{tessarine::kVolume, 1.0f}, {tessarine::kModTarget1, 0.0f},
                                {tessarine::kFilterCutoff, 0.8f}}) {
        ASSERT_TRUE(instance->params->get_value(instance.plugin(), id, &value));
        EXPECT_FLOAT_EQ(static_cast<float>(value), expected) << id;
    }
    EXPECT_FALSE(instance->params->get_value(instance.plugin(), 173, &value));

    // No outputs, one channel, null channel pointers.
    clap_process_t process{0, 64, nullptr, nullptr, nullptr, 0, 0, events.in(), out.out()};
    EXPECT_EQ(instance.plugin()->process(instance.plugin(), &process), CLAP_PROCESS_ERROR);
    float mono[64];
    float* channels[2] = {mono, nullptr};
    clap_audio_buffer_t buffer{channels, nullptr, 1, 0, 0};
    process.audio_outputs = &buffer;
    process.audio_outputs_count = 1;
    EXPECT_EQ(instance.plugin()->process(instance.plugin(), &process), CLAP_PROCESS_ERROR);
    buffer.channel_count = 2;
    EXPECT_EQ(instance.plugin()->process(instance.plugin(), &process), CLAP_PROCESS_ERROR);
}

} // namespace
