// Tessarine.clap as a CLAP host sees it: loaded through clap_entry and driven
// through the plug-in's extensions and event lists alone.

#include "shell/clap/ClapTestHost.h"
#include "support/PrivateConfigFolder.h"
#include "support/SignalMeasure.h"

#include "params/ParameterTable.h"

#include <clap/ext/audio-ports.h>
#include <clap/ext/gui.h>
#include <clap/ext/note-ports.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

using namespace tessarine::test;

constexpr double kRate = 48000.0;

std::string valueText(const clap_plugin_params_t& params, const clap_plugin_t* plugin, clap_id id, double value)
{
    char text[CLAP_NAME_SIZE] = "unwritten";
    EXPECT_TRUE(params.value_to_text(plugin, id, value, text, sizeof text)) << id;
    return text;
}

std::vector<std::uint8_t> savedState(const TestInstance& instance, std::size_t piece = SIZE_MAX)
{
    MemoryStream stream;
    stream.piece = piece;
    const auto* state = instance->state;
    EXPECT_TRUE(state->save(instance.plugin(), &stream.out));
    return stream.bytes;
}

TEST(ClapPlugin, DescribesOneStereoInstrument)
{
    ASSERT_NE(clapModule(), nullptr);
    const clap_plugin_factory_t* factory = clapModule()->factory();
    ASSERT_NE(factory, nullptr);
    ASSERT_EQ(factory->get_plugin_count(factory), 1u);
    EXPECT_EQ(factory->get_plugin_descriptor(factory, 1), nullptr);
    const clap_plugin_descriptor_t* d = factory->get_plugin_descriptor(factory, 0);
    ASSERT_NE(d, nullptr);
    EXPECT_STREQ(d->id, "com.brightmoor-labs.tessarine");
    EXPECT_STREQ(d->name, "Tessarine");
    EXPECT_STREQ(d->vendor, "Brightmoor Labs");
    EXPECT_STREQ(d->version, "1");
    std::vector<std::string> features;
    for (const char* const* f = d->features; *f != nullptr; ++f) {
        features.emplace_back(*f);
    }
    EXPECT_EQ(features, (std::vector<std::string>{"instrument", "synthesizer", "stereo"}));
    tessarine::host::ClapHost host;
    EXPECT_EQ(factory->create_plugin(factory, host.host(), "com.brightmoor-labs.other"), nullptr);

    const tessarine::test::PrivateConfigFolder config;  // no size picked by a user
    TestInstance instance;
    ASSERT_TRUE(instance.valid());
    const clap_plugin_audio_ports_t* audio = instance->audioPorts;
    const clap_plugin_note_ports_t* notes = instance->notePorts;
    const clap_plugin_gui_t* gui = instance->gui;
    ASSERT_TRUE(audio != nullptr && notes != nullptr && gui != nullptr);
    EXPECT_EQ(audio->count(instance.plugin(), true), 0u);
    ASSERT_EQ(audio->count(instance.plugin(), false), 1u);
    clap_audio_port_info_t port{};
    ASSERT_TRUE(audio->get(instance.plugin(), 0, false, &port));
    EXPECT_EQ(port.channel_count, 2u);
    EXPECT_STREQ(port.port_type, CLAP_PORT_STEREO);
    ASSERT_EQ(notes->count(instance.plugin(), true), 1u);
    clap_note_port_info_t notePort{};
    ASSERT_TRUE(notes->get(instance.plugin(), 0, true, &notePort));
    EXPECT_EQ(notePort.supported_dialects, CLAP_NOTE_DIALECT_CLAP | CLAP_NOTE_DIALECT_MIDI);
    EXPECT_EQ(notePort.preferred_dialect, static_cast<std::uint32_t>(CLAP_NOTE_DIALECT_CLAP));
    EXPECT_TRUE(gui->is_api_supported(instance.plugin(), CLAP_WINDOW_API_X11, false));
    EXPECT_FALSE(gui->is_api_supported(instance.plugin(), CLAP_WINDOW_API_X11, true));
    EXPECT_FALSE(gui->is_api_supported(instance.plugin(), CLAP_WINDOW_API_WAYLAND, false));

    // The editor's timer lives exactly as long as the editor.
    ASSERT_TRUE(gui->create(instance.plugin(), CLAP_WINDOW_API_X11, false));
    std::uint32_t width = 0, height = 0;
    EXPECT_TRUE(gui->get_size(instance.plugin(), &width, &height));
    EXPECT_EQ(width, 800u);
    EXPECT_EQ(height, 550u);
    // The host's scale (no size picked in this configuration) sizes the window.
    EXPECT_TRUE(gui->set_scale(instance.plugin(), 2.0));
    EXPECT_FALSE(gui->set_scale(instance.plugin(), std::numeric_limits<double>::quiet_NaN()));
    ASSERT_TRUE(gui->get_size(instance.plugin(), &width, &height));
    EXPECT_EQ(width, 1600u);
    EXPECT_EQ(height, 1100u);
    std::uint32_t askedWidth = 900, askedHeight = 900;
    ASSERT_TRUE(gui->adjust_size(instance.plugin(), &askedWidth, &askedHeight));
    EXPECT_EQ(askedWidth, 1600u);
    EXPECT_EQ(askedHeight, 1100u);
    EXPECT_FALSE(gui->create(instance.plugin(), CLAP_WINDOW_API_X11, false)) << "one editor at a time";
    EXPECT_EQ(instance.host().timers().size(), 1u);
    gui->destroy(instance.plugin());
    EXPECT_TRUE(instance.host().timers().empty()) << "the timer it registered is the one released";
}

// Each note's strongest component within half an octave either side is its
// own fundamental: key and channel reach the engine as the host sent them, in
// either dialect.
TEST(ClapPlugin, NotesSoundAtTheirPitch)
{
    struct Case {
        int key;
        int channel;
        bool asMidi;
    };
    for (const Case& c : {Case{57, 0, false}, Case{69, 3, false}, Case{64, 0, true}, Case{76, 9, true}}) {
        SCOPED_TRACE(testing::Message() << "key " << c.key << (c.asMidi ? " as MIDI" : " as CLAP note"));
        TestInstance instance(kRate, 512);
        ASSERT_TRUE(instance.valid());
        EventList first(64);
        if (c.asMidi) {
            add(first, clapMidiEvent(100, static_cast<std::uint8_t>(0x90 | c.channel), static_cast<std::uint8_t>(c.key), 100));
        } else {
            add(first, noteEvent(CLAP_EVENT_NOTE_ON, 100, c.key, 0.8, c.channel));
        }
        const int frames = static_cast<int>(kRate * 0.6);
        const std::vector<float> out = instance.render(frames, 512, first);
        const double pitch = 440.0 * std::pow(2.0, (c.key - 69) / 12.0);
        const int from = static_cast<int>(kRate * 0.2);
        int loudest = -99;
        double loudestAmplitude = 0.0;
        for (int semitone = -6; semitone <= 6; ++semitone) {
            const double a = amplitudeAt(out, from, frames, pitch * std::pow(2.0, semitone / 12.0), kRate);
            if (a > loudestAmplitude) {
                loudestAmplitude = a;
                loudest = semitone;
            }
        }
        EXPECT_EQ(loudest, 0);
        EXPECT_GT(loudestAmplitude, 1e-3);
    }
}

// A note ends by its key and channel, by the identifier its note on carried,
// or by a wildcard; an off that names another key or an identifier no note
// has leaves it sounding.
TEST(ClapPlugin, NotesEndByKeyIdentifierOrWildcard)
{
    struct Case {
        const char* what;
        std::uint16_t type;
        int key;
        int channel;
        int noteId;
        bool ends;
    };
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
            add(first, valueEvent(0, dry, 0.0));
        }
        add(first, noteEvent(CLAP_EVENT_NOTE_ON, 0, 60, 0.8, 2, 7));
        const std::vector<float> held = instance.render(static_cast<int>(kRate * 0.3), 512, first);
        EventList off(8);
        add(off, noteEvent(c.type, 0, c.key, 0.5, c.channel, c.noteId));
        const std::vector<float> after = instance.render(static_cast<int>(kRate * 1.0), 512, off);
        const float heldLevel = rms(held, held.size() / 2, held.size() / 2);
        const float endLevel = rms(after, after.size() - 4800, 4800);
        ASSERT_GT(heldLevel, 1e-3f);
        if (c.ends) {
            EXPECT_LT(endLevel, 0.01f * heldLevel);
        } else {
            EXPECT_GT(endLevel, 0.1f * heldLevel);
        }
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
            if (unit != "%" && unit != "s" && unit != "ms" && unit != "Hz" && unit != "semi" && unit != "beat"
                && unit != "bar") {
                continue;
            }
            const std::string bare = text.substr(0, space);
            double parsed = std::numeric_limits<double>::quiet_NaN();
            if (params->text_to_value(instance.plugin(), i, bare.c_str(), &parsed)) {
                EXPECT_EQ(valueText(*params, instance.plugin(), i, parsed), text) << i << " '" << bare << "'";
            } else {
                ADD_FAILURE() << i << ": '" << bare << "' of '" << text << "' refused";
            }
        }
    }
    struct Refused {
        clap_id id;
        const char* text;
    };
    for (const Refused& r : {Refused{tessarine::kVolume, "loud"}, Refused{tessarine::kVolume, ""},
                             Refused{tessarine::kVolume, "150 %"}, Refused{tessarine::kVolume, "-3"},
                             Refused{tessarine::kVolume, "50 Hz"}, Refused{tessarine::kFilterCutoff, "20 Hz"},
                             Refused{tessarine::kFilterCutoff, "nan"}, Refused{tessarine::kLfoRate, "1/3 beat"},
                             Refused{tessarine::kModSource1, "no such source"}, Refused{173, "50"}}) {
        double untouched = 12.5;
        EXPECT_FALSE(params->text_to_value(instance.plugin(), r.id, r.text, &untouched)) << r.id << " '" << r.text << "'";
        EXPECT_EQ(untouched, 12.5);
    }
    // A number between two displayed ones takes the nearer value.
    double typed = 0.0;
    ASSERT_TRUE(params->text_to_value(instance.plugin(), tessarine::kFilterCutoff, " 1000hz ", &typed));
    const std::string shown = valueText(*params, instance.plugin(), tessarine::kFilterCutoff, typed);
    EXPECT_NEAR(std::stod(shown), 1000.0, 2.0) << shown;
}

// The record saved through a stream that takes a little at a time loads into
// a second instance, which saves the very same bytes and, from the same seed,
// plays the same samples.
TEST(ClapPlugin, StateRoundTripPlaysTheSame)
{
    TestInstance first;
    TestInstance second;
    ASSERT_TRUE(first.valid() && second.valid());
    const auto* params = first->params;
    EventList changes(64);
    add(changes, valueEvent(0, tessarine::kFilterOn, 1.0));
    add(changes, valueEvent(0, tessarine::kFilterCutoff, 0.3));
    add(changes, valueEvent(0, tessarine::kModSource1, 5.0));
    EventList none(1);
    params->flush(first.plugin(), changes.in(), none.out());

    const std::vector<std::uint8_t> saved = savedState(first, 4093);
    ASSERT_GT(saved.size(), 0u);
    MemoryStream stream;
    stream.bytes = saved;
    stream.piece = 10007;
    const auto* state = second->state;
    ASSERT_TRUE(state->load(second.plugin(), &stream.in));
    EXPECT_GE(second.host().rescans(), 1) << "the host rereads the values";
    EXPECT_EQ(savedState(second), saved);
    double cutoff = 0.0;
    ASSERT_TRUE(params->get_value(second.plugin(), tessarine::kFilterCutoff, &cutoff));
    EXPECT_FLOAT_EQ(static_cast<float>(cutoff), 0.3f);

    first.seed(99);
    second.seed(99);
    EventList note(8);
    add(note, noteEvent(CLAP_EVENT_NOTE_ON, 10, 60));
    const int frames = static_cast<int>(kRate * 0.3);
    EXPECT_EQ(first.render(frames, 256, note), second.render(frames, 256, note));
}

// Streams that end early, err, hold nothing a record could be, or claim more
// than they were asked for, are refused and change nothing; a save into a
// stream that fails says so.
TEST(ClapPlugin, BadStreamsAreRefusedAndChangeNothing)
{
    TestInstance instance;
    ASSERT_TRUE(instance.valid());
    const auto* state = instance->state;
    const std::vector<std::uint8_t> before = savedState(instance);
    ASSERT_GT(before.size(), 16u);

    TestInstance other;
    EventList changes(64);
    add(changes, valueEvent(0, tessarine::kVolume, 0.9));
    EventList none(1);
    other->params->flush(other.plugin(), changes.in(), none.out());
    const std::vector<std::uint8_t> different = savedState(other);

    struct Bad {
        const char* what;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<std::uint8_t> corrupt = different;
    corrupt[corrupt.size() / 2] ^= 0xFF;
    corrupt[8] ^= 0x5A;
    const Bad bads[] = {
        {"empty", {}},
        {"the first half", std::vector<std::uint8_t>(different.begin(), different.begin() + different.size() / 2)},
        {"all but the last byte", std::vector<std::uint8_t>(different.begin(), different.end() - 1)},
        {"twelve bytes", std::vector<std::uint8_t>(different.begin(), different.begin() + 12)},
        {"text", std::vector<std::uint8_t>{'h', 'e', 'l', 'l', 'o'}},
    };
    for (const Bad& bad : bads) {
        MemoryStream stream;
        stream.bytes = bad.bytes;
        EXPECT_FALSE(state->load(instance.plugin(), &stream.in)) << bad.what;
        EXPECT_EQ(savedState(instance), before) << bad.what;
    }

    // Streams that misbehave, whatever bytes they would carry.
    struct Lying {
        const char* what;
        std::int64_t answer;
    };
    for (const Lying& lying : {Lying{"a read error", -1}, Lying{"more than asked", 1LL << 40}}) {
        clap_istream_t stream{};
        static std::int64_t answer;
        answer = lying.answer;
        stream.read = [](const clap_istream_t*, void*, std::uint64_t) { return answer; };
        EXPECT_FALSE(state->load(instance.plugin(), &stream)) << lying.what;
        EXPECT_EQ(savedState(instance), before) << lying.what;
        clap_ostream_t out{};
        out.write = [](const clap_ostream_t*, const void*, std::uint64_t) { return answer; };
        EXPECT_FALSE(state->save(instance.plugin(), &out)) << lying.what;
    }
    clap_ostream_t full{};
    full.write = [](const clap_ostream_t*, const void*, std::uint64_t) -> std::int64_t { return 0; };
    EXPECT_FALSE(state->save(instance.plugin(), &full)) << "a stream that takes nothing";
}

// A value change at a sample inside a block sounds exactly as the same change
// at the start of a block beginning at that sample.
TEST(ClapPlugin, ParameterEventsTakeEffectAtTheirSample)
{
    auto play = [](bool split) {
        TestInstance instance(kRate, 512);
        instance.seed(5);
        EventList note(8);
        add(note, noteEvent(CLAP_EVENT_NOTE_ON, 0, 60));
        std::vector<float> out = instance.render(2048, 512, note);
        EventList change(8);
        EventList ignored(64);
        const clap_event_param_value_t volume = valueEvent(split ? 0 : 300, tessarine::kVolume, 0.05);
        const clap_event_param_value_t harmonics = valueEvent(split ? 0 : 300, tessarine::kHarmAmount, 0.0);
        EventList none(1);
        if (split) {
            instance.process(300, none, ignored, &out);
            add(change, volume);
            add(change, harmonics);
            instance.process(212, change, ignored, &out);
        } else {
            add(change, volume);
            add(change, harmonics);
            instance.process(512, change, ignored, &out);
        }
        std::vector<float> rest = instance.render(4096, 512, none);
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
    clap_event_note_t shortNote = noteEvent(CLAP_EVENT_NOTE_ON, 0, 60);
    shortNote.header.size = sizeof(clap_event_header_t) + 2;
    add(events, shortNote);
    clap_event_note_t foreign = noteEvent(CLAP_EVENT_NOTE_ON, 0, 61);
    foreign.header.space_id = 77;
    add(events, foreign);
    add(events, noteEvent(CLAP_EVENT_NOTE_ON, 1'000'000, 62));
    add(events, noteEvent(CLAP_EVENT_NOTE_ON, 3, 300, 2.0, 40));
    add(events, noteEvent(CLAP_EVENT_NOTE_ON, 3, -5, -1.0, -7));
    add(events, noteEvent(CLAP_EVENT_NOTE_OFF, 4, -1, 0.0, -1));
    add(events, noteEvent(CLAP_EVENT_NOTE_CHOKE, 5, -1, 0.0, -1, 12345));
    add(events, noteEvent(CLAP_EVENT_NOTE_ON, 2, 64, std::numeric_limits<double>::quiet_NaN()));
    add(events, valueEvent(1, tessarine::kVolume, 1e300));
    add(events, valueEvent(1, tessarine::kModTarget1, -1e300));
    add(events, valueEvent(1, tessarine::kFilterCutoff, std::numeric_limits<double>::quiet_NaN()));
    add(events, valueEvent(1, 173, 0.5));
    add(events, valueEvent(1, CLAP_INVALID_ID, 0.5));
    clap_event_header_t bare{sizeof(clap_event_header_t), 0, 0, CLAP_EVENT_PARAM_VALUE, 0};
    events.push(bare);
    EventList out(64);
    EventList none(1);
    std::vector<float> left, right;
    for (int block = 0; block < 20; ++block) {
        EXPECT_EQ(instance.process(256, block == 0 ? events : none, out, &left, &right), CLAP_PROCESS_CONTINUE);
    }
    for (float x : left) {
        ASSERT_TRUE(std::isfinite(x) && std::fabs(x) <= 16.0f);
    }
    const auto* params = instance->params;
    double value = 0.0;
    ASSERT_TRUE(params->get_value(instance.plugin(), tessarine::kVolume, &value));
    EXPECT_EQ(value, 1.0);
    ASSERT_TRUE(params->get_value(instance.plugin(), tessarine::kModTarget1, &value));
    EXPECT_EQ(value, 0.0);
    ASSERT_TRUE(params->get_value(instance.plugin(), tessarine::kFilterCutoff, &value));
    EXPECT_FLOAT_EQ(static_cast<float>(value), 0.8f) << "not a number stands for the start value";
    EXPECT_FALSE(params->get_value(instance.plugin(), 173, &value));

    // No outputs, one channel, null channel pointers.
    clap_process_t process{};
    process.frames_count = 64;
    process.in_events = events.in();
    process.out_events = out.out();
    EXPECT_EQ(instance.plugin()->process(instance.plugin(), &process), CLAP_PROCESS_ERROR);
    float mono[64];
    float* channels[2] = {mono, nullptr};
    clap_audio_buffer_t buffer{};
    buffer.data32 = channels;
    buffer.channel_count = 1;
    process.audio_outputs = &buffer;
    process.audio_outputs_count = 1;
    EXPECT_EQ(instance.plugin()->process(instance.plugin(), &process), CLAP_PROCESS_ERROR);
    buffer.channel_count = 2;
    EXPECT_EQ(instance.plugin()->process(instance.plugin(), &process), CLAP_PROCESS_ERROR);
}

} // namespace
