// What a host sees of the instrument, asked through the real Tessarine.so and
// the binary interface only.

#include "support/BarePlugin.h"
#include "host/PluginHost.h"
#include "support/EngineTestVoice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <dlfcn.h>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

using tessarine::host::PluginHost;
using namespace vst;

class HostAnswers : public testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        host = PluginHost::load(tessarine::test::barePluginPath(), error);
        ASSERT_NE(host, nullptr) << error;
    }

    std::unique_ptr<PluginHost> host;
};

// Names, counts, flags and the interface version are what `info` reports
// (PluginHost.InfoReportsTheInstrument); the rest of the record is here.
TEST_F(HostAnswers, IdentityAndRecord)
{
    const EffectRecord& e = *host->effect();
    EXPECT_EQ(e.numPrograms, 1);
    EXPECT_EQ(e.version, 1);
    EXPECT_EQ(e.ioRatio, 1.0f);
    EXPECT_EQ(std::memcmp(&e.uniqueID, "4TsN", 4), 0) << "every saved project finds the plug-in by it";
    EXPECT_EQ(e.processDoubleReplacing, nullptr);
    EXPECT_EQ(host->productString(), "Tessarine");
}

// The plain answers, in the order a host asks: identity (the interface
// version and category are `info`'s), programs, pins, the headless editor,
// rates and block sizes.
TEST_F(HostAnswers, DispatcherAnswers)
{
    struct Call {
        const char* what;
        int32 opcode;
        int32 index;
        intptr value;
        void* ptr;
        float opt;
        intptr answer;
    };
    PinProperties pin{};
    EditorRect* rect = nullptr;
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
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right - rect->left, 800);
    EXPECT_EQ(rect->bottom - rect->top, 550);
}

TEST_F(HostAnswers, Programs)
{
    EXPECT_EQ(host->programName(), "Init 1");
    host->dispatch(effSetProgram, 0, 1); // only program 0 exists
    EXPECT_EQ(host->dispatch(effGetProgram), 0);

    char indexed[kMaxProgramNameLen] = {};
    EXPECT_EQ(host->dispatch(effGetProgramNameIndexed, 0, 0, indexed), 1);
    EXPECT_STREQ(indexed, "Init") << "the stored name, without the number";
    EXPECT_EQ(host->dispatch(effGetProgramNameIndexed, 1, 0, indexed), 0);

    char pad[] = "Pad";
    host->dispatch(effSetProgramName, 0, 0, pad);
    EXPECT_EQ(host->programName(), "Pad");

    // A name longer than the field keeps its first 23 characters.
    std::string longName(40, 'x');
    host->dispatch(effSetProgramName, 0, 0, longName.data());
    EXPECT_EQ(host->programName(), std::string(23, 'x'));
}

TEST_F(HostAnswers, ParameterTexts)
{
    EXPECT_EQ(host->parameterName(0), "MasterDetune");
    EXPECT_EQ(host->parameterName(161), "Sustain On");
    EXPECT_EQ(host->parameterName(172), " ");
    EXPECT_EQ(host->parameterName(173), "Param 173");

    // The host shows the editor's value text in the editor's units; values
    // without a value display as rounded percentages.
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
    host->setParameter(47, std::numeric_limits<float>::infinity());
    EXPECT_LE(host->parameterDisplay(47).size(), 23u);
    host->setParameter(47, std::numeric_limits<float>::quiet_NaN());
    EXPECT_LE(host->parameterDisplay(47).size(), 23u);
}

TEST_F(HostAnswers, ParametersStartAtTheirTableValues)
{
    // MasterDetune, Release, Tube, ModMax1 and slot A's cutoff (none).
    for (auto [index, start] : {std::pair{0, 0.5f}, {46, 1.0f}, {52, 0.02f}, {105, 1.0f}, {25, 1.0f}}) {
        EXPECT_FLOAT_EQ(host->getParameter(index), start) << index;
    }
    host->setParameter(26, 0.3f); // slot B's cutoff lives with its voice
    EXPECT_FLOAT_EQ(host->getParameter(26), 0.3f);
}

TEST_F(HostAnswers, CanDoAndOutputPins)
{
    for (auto [text, answer] : {std::pair{"receiveVstEvents", 1}, {"receiveVstMidiEvent", 1}, {"receiveVstTimeInfo", 1},
                                {"receiveVst", -1}, {"receiveVstEventsX", -1}, {"", -1}, {"sendVstEvents", -1},
                                {"offline", -1}}) {
        EXPECT_EQ(host->canDo(text), answer) << text;
    }
    for (int pin = 0; pin < 2; ++pin) {
        PinProperties properties{};
        EXPECT_EQ(host->dispatch(effGetOutputProperties, pin, 0, &properties), 1);
        EXPECT_EQ(std::string(properties.label), "TS " + std::to_string(pin + 1));
        EXPECT_EQ(properties.flags, kPinIsActive | kPinIsStereo);
    }
}

TEST_F(HostAnswers, ResumeAsksForMidiAndClearsSustain)
{
    host->setParameter(161, 1.0f);
    host->dispatch(effMainsChanged, 0, 1);
    host->dispatch(effMainsChanged, 0, 1); // hosts repeat resume without a suspend
    EXPECT_EQ(host->wantMidiCalls(), 2);
    EXPECT_GE(host->timeQueries(), 2);
    EXPECT_EQ(host->getParameter(161), 0.0f);
    host->dispatch(effMainsChanged, 0, 0);

    host->settings().answerTime = false;
    host->dispatch(effMainsChanged, 0, 1);
    EXPECT_EQ(host->wantMidiCalls(), 3);
}

TEST_F(HostAnswers, RendersSilenceIntoBothChannels)
{
    host->dispatch(effMainsChanged, 0, 1);
    std::vector<float> left(512, 7.0f), right(512, 7.0f);
    float* outputs[2] = {left.data(), right.data()};
    host->effect()->processReplacing(host->effect(), nullptr, outputs, 512);
    host->effect()->process(host->effect(), nullptr, outputs, 512);
    EXPECT_EQ(left, std::vector<float>(512, 0.0f));
    EXPECT_EQ(right, std::vector<float>(512, 0.0f));
    host->effect()->processReplacing(host->effect(), nullptr, outputs, 0);
    host->effect()->processReplacing(host->effect(), nullptr, nullptr, 64);
}

// Hosts and fuzzing validators send nonsense; every answer is 0 and nothing breaks.
TEST_F(HostAnswers, HostileCallsAnswerZero)
{
    for (int32 opcode : {effGetParamName, effGetParamDisplay, effGetParamLabel, effGetProgramName, effSetProgramName,
                         effGetEffectName, effGetVendorString, effGetProductString, effCanDo, effGetChunk,
                         effGetOutputProperties, effProcessEvents, effGetProgramNameIndexed}) {
        EXPECT_EQ(host->dispatch(opcode, 0, 0, nullptr), 0) << "null text pointer, opcode " << opcode;
    }
    for (int32 index : {-1, -100000, 255, 100000, std::numeric_limits<int32>::min(), std::numeric_limits<int32>::max()}) {
        char text[kMaxParamStrLen + 64] = {};
        EXPECT_EQ(host->dispatch(effGetParamName, index, 0, text), 0);
        EXPECT_LT(std::strlen(text), static_cast<std::size_t>(kMaxParamStrLen));
        EXPECT_EQ(host->dispatch(effGetParamDisplay, index, 0, text), 0);
        EXPECT_LT(std::strlen(text), static_cast<std::size_t>(kMaxParamStrLen));
        host->setParameter(index, 0.7f);
        EXPECT_EQ(host->getParameter(index), 0.0f) << index;
    }
    for (int32 opcode : {77, 78, 79, 80, 1000, -1, std::numeric_limits<int32>::max()}) {
        EXPECT_EQ(host->dispatch(opcode, 1, 1, nullptr, 1.0f), 0) << opcode;
    }
}

TEST(HostEntry, RefusesAHostWithoutVersion)
{
    std::string error;
    auto host = PluginHost::load(TESSARINE_PLUGIN_PATH, error);
    ASSERT_NE(host, nullptr) << error;
    auto* module = dlopen(TESSARINE_PLUGIN_PATH, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(module, nullptr);
    using Entry = EffectRecord* (*)(HostCallback);
    auto entry = reinterpret_cast<Entry>(dlsym(module, "main"));
    ASSERT_NE(entry, nullptr) << "main is exported too";
    EXPECT_EQ(entry(+[](EffectRecord*, int32, int32, intptr, void*, float) -> intptr { return 0; }), nullptr);
    EXPECT_EQ(entry(nullptr), nullptr);
    dlclose(module);
}

// The file request headless callers use to load and save voices.
TEST_F(HostAnswers, VoiceFileRequests)
{
    const int32 request = fourCC('T', 's', 'n', 'F');
    std::string voice = tessarine::test::steadyVoiceFile();
    std::string saved = tessarine::test::tempPath("saved-through-request.t9v");
    std::string missing = "/no/such/voice.t9v";
    EXPECT_EQ(host->dispatch(effVendorSpecific, request, 3, voice.data(), 2.0f), 1);
    EXPECT_EQ(host->dispatch(effVendorSpecific, request, 4, saved.data(), 2.0f), 1);
    EXPECT_FALSE(tessarine::test::readFile(saved).empty());
    EXPECT_EQ(host->dispatch(effVendorSpecific, request, 3, missing.data(), 0.0f), 0);
    EXPECT_EQ(host->dispatch(effVendorSpecific, request, 3, voice.data(), 4.0f), 0) << "slots are 0..3";
    EXPECT_EQ(host->dispatch(effVendorSpecific, request, 3, voice.data(), -1.0f), 0);
    EXPECT_EQ(host->dispatch(effVendorSpecific, request, 3, voice.data(), std::nanf("")), 0);
    EXPECT_EQ(host->dispatch(effVendorSpecific, request, 3, nullptr, 0.0f), 0);
    EXPECT_EQ(host->dispatch(effVendorSpecific, request, 9, voice.data(), 0.0f), 0) << "unknown action";
}

} // namespace
