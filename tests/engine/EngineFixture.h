#pragma once
// The engine as the render tests play it: the steady tone loaded, twelve
// voices, a block rendered into left and right, and the voices looked up by
// key; plus the one way they save a voice made in code.

#include "support/EngineTestVoice.h"
#include "support/SignalMeasure.h"
#include "sound/files/VoiceFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tessarine::test {

// Prepares voice and saves it under name in the test's folder.
inline std::string savedVoice(Voice& voice, const std::string& name)
{
    prepareVoice(voice);
    const std::string path = tempPath(name);
    RecordStream stream;
    EXPECT_TRUE(saveVoiceFile(path, voice, stream));
    return path;
}

// Modulation row 1 from source to target number over low..high.
inline void routeRowOne(SynthEngine& engine, int source, int target, float low, float high)
{
    engine.setParameter(kModSource1, static_cast<float>(source), true);
    engine.setParameter(kModTarget1, static_cast<float>(target), true);
    engine.setParameter(kModMin1, low, true);
    engine.setParameter(kModMax1, high, true);
}

class EngineFixture : public testing::Test {
protected:
    // A fresh engine at rate with values written over the steady synth's.
    void start(float rate, std::initializer_list<std::pair<int, float>> values = {})
    {
        rate_ = rate;
        engine = steadySynth(rate);
        engine->setParameter(kLoopSync1, 1.0f, true); // twelve voices
        for (const auto& [index, value] : values) engine->setParameter(index, value, true);
    }
    void midi(int status, int data1, int data2, int offset = 0) { sendMidi(*engine, status, data1, data2, offset); }
    void noteOn(int offset, int key) { midi(0x90, key, 100, offset); }
    // Renders a block into left and right; the loudest sample on the left.
    float block(int frames = 512)
    {
        left.resize(static_cast<std::size_t>(frames));
        right.resize(left.size());
        engine->render(left.data(), right.data(), frames);
        float peak = 0.0f;
        for (float s : left) peak = std::max(peak, std::fabs(s));
        return peak;
    }
    std::vector<float> play(const std::vector<int>& keys, float seconds) { return playKeys(*engine, keys, seconds, rate_); }
    const NoteVoice* voiceWithKey(int key) const
    {
        for (int i = 0; i < kNoteVoiceCount; ++i) {
            const NoteVoice& v = engine->voices().voice(i);
            if (v.sounding() && v.key() == key) return &v;
        }
        return nullptr;
    }
    int sounding() const
    {
        int count = 0;
        for (int i = 0; i < kNoteVoiceCount; ++i) count += engine->voices().voice(i).sounding() ? 1 : 0;
        return count;
    }

    float rate_ = 48000.0f;
    std::unique_ptr<SynthEngine> engine;
    std::vector<float> left = std::vector<float>(512), right = std::vector<float>(512);
};

} // namespace tessarine::test
