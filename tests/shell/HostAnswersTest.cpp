// What a host sees of the instrument, asked through the real Tessarine.so and
// the binary interface only.

#include "support/BarePlugin.h"
#include "support/EngineTestVoice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <dlfcn.h>
#include <limits>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using namespace vst;

class HostAnswers : public testing::Test {
protected:
    std::unique_ptr<tessarine::host::PluginHost> host = tessarine::test::loadPlugin(tessarine::test::barePluginPath());
};

// Names, counts, flags and the interface version are what `info` reports
// (PluginHost.InfoReportsTheInstrument); the rest of the record and the plain
// answers, in the order a host asks: identity, programs (one, whose name the
// host may change), pins, the headless editor, rates and block sizes.
TEST_F(HostAnswers, RecordAndDispatcherAnswers)
{
    ASSERT_NE(host, nullptr);
    const EffectRecord& e = *host->effect();
    EXPECT_EQ(std::tuple(e.numPrograms, e.version, e.ioRatio), std::tuple(1, 1, 1.0f));
    EXPECT_EQ(std::memcmp(&e.uniqueID, "4TsN", 4), 0) << "every saved project finds the plug-in by it";
    EXPECT_EQ(e.processDoubleReplacing, nullptr);
    EXPECT_EQ(host->productString(), "Tessarine");
    struct Call {
        const char* what;
        int32 opcode, index;
        intptr value;
        void* ptr;
        float opt;
        intptr answer;
    };
    PinProperties pin{};
    EditorRect* rect = nullptr;
    char indexed[kMaxProgramNameLen] = {};
    EXPECT_EQ(host->programName(), "Init 1");
    const Call calls[] = {
        {"vendor version", effGetVendorVersion, 0, 0, nullptr, 0, 1},
        {"identify", effIdentify, 0, 0, nullptr, 0, fourCC('N', 'v', 'E', 'f')},
        {"keys", effKeysRequired, 0, 0, nullptr, 0, 1},
        {"MIDI program", effGetCurrentMidiProgram, 0, 0, nullptr, 0, -1},
        {"program categories", effGetNumProgramCategories, 0, 0, nullptr, 0, 1},
        {"automatable", effCanBeAutomated, 47, 0, nullptr, 0, 1},
        {"unused, not automatable", effCanBeAutomated, 172, 0, nullptr, 0, 0},
        {"samples to process", effSetTotalSampleToProcess, 0, 4410, nullptr, 0, 4410},
        {"copy program 0", effCopyProgram, 0, 0, nullptr, 0, 1},
        {"copy program 1", effCopyProgram, 1, 0, nullptr, 0, 0},
        {"program 1, which does not exist", effSetProgram, 0, 1, nullptr, 0, 0},
        {"current program", effGetProgram, 0, 0, nullptr, 0, 0},
        {"name of program 1", effGetProgramNameIndexed, 1, 0, indexed, 0, 0},
        {"name of program 0", effGetProgramNameIndexed, 0, 0, indexed, 0, 1},
        {"output pin 2", effGetOutputProperties, 2, 0, &pin, 0, 0},
        {"output pin -1", effGetOutputProperties, -1, 0, &pin, 0, 0},
        {"input pin", effGetInputProperties, 0, 0, &pin, 0, 0},
        {"editor size", effEditGetRect, 0, 0, &rect, 0, 1},
        // Without a parent window the editor is built headless; keys and idle are served.
        {"editor open", effEditOpen, 0, 0, nullptr, 0, 1},
        {"editor idle", effEditIdle, 0, 0, nullptr, 0, 0},
        {"knob mode", effSetEditKnobMode, 0, 2, nullptr, 0, 1},
        {"editor close", effEditClose, 0, 0, nullptr, 0, 0},
        {"idle after close", effEditIdle, 0, 0, nullptr, 0, 0},
        {"wheel with a wrong code", effVendorSpecific, fourCC('s', 't', 'C', 'A'), fourCC('W', 'h', 'e', 'f'), nullptr,
         1.0f, 0},
        // Only effSetSampleRate reaches the plug-in's own rate; the combined call sets the base fields.
        {"block size and rate", effSetBlockSizeAndSampleRate, 0, 256, nullptr, 96000.0f, 1},
        {"sample rate", effSetSampleRate, 0, 0, nullptr, 48000.0f, 0},
        {"a scanning host's rate of 0", effSetSampleRate, 0, 0, nullptr, 0.0f, 0},
        {"block size", effSetBlockSize, 0, 512, nullptr, 0, 0},
    };
    for (const Call& c : calls) {
        EXPECT_EQ(host->dispatch(c.opcode, c.index, c.value, c.ptr, c.opt), c.answer) << c.what;
    }
    EXPECT_STREQ(indexed, "Init") << "the stored name, without the number";
    char pad[] = "Pad";
    host->dispatch(effSetProgramName, 0, 0, pad);
    EXPECT_EQ(host->programName(), "Pad");
    std::string longName(40, 'x');
    host->dispatch(effSetProgramName, 0, 0, longName.data());
    EXPECT_EQ(host->programName(), std::string(23, 'x')) << "a name longer than the field keeps its first 23";
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(std::pair(rect->right - rect->left, rect->bottom - rect->top), std::pair(800, 550));
    for (auto [text, answer] : {std::pair{"receiveVstEvents", 1}, {"receiveVstMidiEvent", 1}, {"receiveVstTimeInfo", 1},
                                {"receiveVst", -1}, {"receiveVstEventsX", -1}, {"", -1}, {"sendVstEvents", -1},
                                {"offline", -1}}) {
        EXPECT_EQ(host->canDo(text), answer) << text;
    }
    for (int index = 0; index < 2; ++index) {
        EXPECT_EQ(host->dispatch(effGetOutputProperties, index, 0, &pin), 1);
        EXPECT_EQ(std::string(pin.label), "TS " + std::to_string(index + 1));
        EXPECT_EQ(pin.flags, kPinIsActive | kPinIsStereo);
    }
}

// Parameters start at their table values (MasterDetune, Release, Tube, ModMax1
// and slot A's cutoff, none), and the host shows the editor's value text in the
// editor's units; values without a value display as rounded percentages.
TEST_F(HostAnswers, ParameterStartsNamesAndTexts)
{
    ASSERT_NE(host, nullptr);
    for (auto [index, start] : {std::pair{0, 0.5f}, {46, 1.0f}, {52, 0.02f}, {105, 1.0f}, {25, 1.0f}}) {
        EXPECT_FLOAT_EQ(host->getParameter(index), start) << index;
    }
    host->setParameter(26, 0.3f); // slot B's cutoff lives with its voice
    EXPECT_FLOAT_EQ(host->getParameter(26), 0.3f);
    for (auto [index, name] : {std::pair{0, "MasterDetune"}, {161, "Sustain On"}, {172, " "}, {173, "Param 173"}}) {
        EXPECT_EQ(host->parameterName(index), name);
    }
    struct Case {
        int index;
        float value;
        const char* display;
        const char* label;
    };
    const Case cases[] = {{47, 0.994f, "99", "%"},      {47, 1.0f, "100", "%"},    {47, 0.004f, "0", "%"},
                          {0, 0.5f, "50", "%"},         {0, 0.995f, "100", "%"},   {57, 0.8f, "2861", "Hz"},
                          {43, 0.9f, "4.5", "s"},       {60, 0.04f, "1.2", "ms"},  {35, 0.0f, "OFF", ""},
                          {20, 1.0f, "24", "semi"},     {66, 1.0f, "1/16", "bar"}, {75, 18.0f, "10 Pan", ""},
                          {85, 1.0f, "MorphHarmX", ""}, {200, 0.25f, "25", "%"}};
    for (const Case& c : cases) {
        host->setParameter(c.index, c.value);
        if (c.value <= 1.0f) {
            EXPECT_FLOAT_EQ(host->getParameter(c.index), c.value) << c.index << ": read back as written";
        }
        EXPECT_EQ(host->parameterDisplay(c.index), c.display) << c.index << " at " << c.value;
        EXPECT_EQ(host->parameterLabel(c.index), c.label) << c.index << " at " << c.value;
    }
    // Absurd automation values still display within the buffer.
    for (float absurd : {std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()}) {
        host->setParameter(47, absurd);
        EXPECT_LE(host->parameterDisplay(47).size(), 23u);
    }
}

// Hosts repeat resume without a suspend; each asks for MIDI and the time, and
// lets go of the sustain pedal. Blocks with no notes render silence into both
// channels, whichever process call the host makes.
TEST_F(HostAnswers, ResumeAsksForMidiClearsSustainAndRendersSilence)
{
    ASSERT_NE(host, nullptr);
    host->setParameter(161, 1.0f);
    host->dispatch(effMainsChanged, 0, 1);
    host->dispatch(effMainsChanged, 0, 1);
    EXPECT_EQ(host->wantMidiCalls(), 2);
    EXPECT_GE(host->timeQueries(), 2);
    EXPECT_EQ(host->getParameter(161), 0.0f);
    host->dispatch(effMainsChanged, 0, 0);
    host->settings().answerTime = false;
    host->dispatch(effMainsChanged, 0, 1);
    EXPECT_EQ(host->wantMidiCalls(), 3);

    std::vector<float> left(512, 7.0f), right(512, 7.0f);
    float* outputs[2] = {left.data(), right.data()};
    host->effect()->processReplacing(host->effect(), nullptr, outputs, 512);
    host->effect()->process(host->effect(), nullptr, outputs, 512);
    EXPECT_EQ(left, std::vector<float>(512, 0.0f));
    EXPECT_EQ(right, std::vector<float>(512, 0.0f));
    host->effect()->processReplacing(host->effect(), nullptr, outputs, 0);
    host->effect()->processReplacing(host->effect(), nullptr, nullptr, 64);
}

// Hosts and fuzzing validators send nonsense; every answer is 0 and nothing
// breaks, and a block after nonsense events renders.
TEST_F(HostAnswers, HostileCallsAnswerZero)
{
    ASSERT_NE(host, nullptr);
    for (int32 opcode : {effGetParamName, effGetParamDisplay, effGetParamLabel, effGetProgramName, effSetProgramName,
                         effGetEffectName, effGetVendorString, effGetProductString, effCanDo, effGetChunk,
                         effGetOutputProperties, effProcessEvents, effGetProgramNameIndexed}) {
        EXPECT_EQ(host->dispatch(opcode, 0, 0, nullptr), 0) << "null text pointer, opcode " << opcode;
    }
    for (int32 index : {-1, -100000, 255, 100000, std::numeric_limits<int32>::min(), std::numeric_limits<int32>::max()}) {
        char text[kMaxParamStrLen + 64] = {};
        for (int32 opcode : {effGetParamName, effGetParamDisplay}) {
            EXPECT_EQ(host->dispatch(opcode, index, 0, text), 0);
            EXPECT_LT(std::strlen(text), static_cast<std::size_t>(kMaxParamStrLen));
        }
        host->setParameter(index, 0.7f);
        EXPECT_EQ(host->getParameter(index), 0.0f) << index;
    }
    for (int32 opcode : {77, 78, 79, 80, 1000, -1, std::numeric_limits<int32>::max()}) {
        EXPECT_EQ(host->dispatch(opcode, 1, 1, nullptr, 1.0f), 0) << opcode;
    }
    // Event lists with null entries, a negative count, offsets outside the
    // block, other event types and odd statuses, to an instrument that sounds.
    auto played = tessarine::test::loadPlugin();
    ASSERT_NE(played, nullptr);
    played->dispatch(effMainsChanged, 0, 1);
    struct {
        int32 numEvents;
        intptr reserved;
        Event* events[2];
    } list{2, 0, {nullptr, nullptr}};
    EXPECT_EQ(played->dispatch(effProcessEvents, 0, 0, &list), 1) << "null entries are skipped";
    list.numEvents = -5;
    EXPECT_EQ(played->dispatch(effProcessEvents, 0, 0, &list), 1);
    Event other{};
    other.type = 6;
    MidiEvent late{kMidiType, sizeof(MidiEvent), 100000, 0, 0, 0, {char(0x90), 60, 100, 0}, 0, 0, 0, 0};
    MidiEvent early{kMidiType, sizeof(MidiEvent), -100, 0, 0, 0, {char(0x80), 60, 0, 0}, 0, 0, 0, 0};
    list = {2, 0, {&other, reinterpret_cast<Event*>(&late)}};
    played->dispatch(effProcessEvents, 0, 0, &list);
    list.events[0] = reinterpret_cast<Event*>(&early);
    played->dispatch(effProcessEvents, 0, 0, &list);
    std::vector<float> left(128, 1.0f), right(128, 1.0f);
    float* outputs[2] = {left.data(), right.data()};
    played->effect()->processReplacing(played->effect(), nullptr, outputs, 128);
    EXPECT_EQ(left[0], 0.0f);

    // The entry point also exported as main refuses a host that gives no version.
    auto* module = dlopen(tessarine::test::barePluginPath().c_str(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(module, nullptr);
    auto entry = reinterpret_cast<EffectRecord* (*)(HostCallback)>(dlsym(module, "main"));
    ASSERT_NE(entry, nullptr) << "main is exported too";
    EXPECT_EQ(entry(+[](EffectRecord*, int32, int32, intptr, void*, float) -> intptr { return 0; }), nullptr);
    EXPECT_EQ(entry(nullptr), nullptr);
    dlclose(module);
}

// The file request headless callers use to load and save voices.
TEST_F(HostAnswers, VoiceFileRequests)
{
    ASSERT_NE(host, nullptr);
    const int32 request = fourCC('T', 's', 'n', 'F');
    std::string voice = tessarine::test::steadyVoiceFile();
    std::string saved = tessarine::test::tempPath("saved-through-request.t9v");
    std::string missing = "/no/such/voice.t9v";
    EXPECT_EQ(host->dispatch(effVendorSpecific, request, 3, voice.data(), 2.0f), 1);
    EXPECT_EQ(host->dispatch(effVendorSpecific, request, 4, saved.data(), 2.0f), 1);
    EXPECT_FALSE(tessarine::test::readFile(saved).empty());
    struct Refused {
        intptr action;
        char* path;
        float slot;
    };
    for (const Refused& r : {Refused{3, missing.data(), 0.0f}, Refused{3, voice.data(), 4.0f} /* slots are 0..3 */,
                             Refused{3, voice.data(), -1.0f}, Refused{3, voice.data(), std::nanf("")},
                             Refused{3, nullptr, 0.0f}, Refused{9, voice.data(), 0.0f} /* unknown action */}) {
        EXPECT_EQ(host->dispatch(effVendorSpecific, request, r.action, r.path, r.slot), 0) << r.action << " " << r.slot;
    }
}

} // namespace
