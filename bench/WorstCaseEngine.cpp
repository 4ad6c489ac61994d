#include "WorstCaseEngine.h"

#include "sound/files/VoiceFile.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <unistd.h>

namespace tessarine::bench {

namespace {

// An analysed-size voice: 80 harmonic frames, 48 noise frames over 4 s.
std::string writeAnalysedVoice(int slot)
{
    auto voice = std::make_unique<Voice>();
    voice->multisampleCount = 1;
    voice->layerCount = 2;
    voice->loopOn = true;
    voice->loopStart = 1.0f;
    voice->loopEnd = 3.0f;
    for (int layer = 0; layer < kLayersPerMultisample; ++layer) {
        LayerData& data = voice->layer(0, layer);
        data.harmonic.basePitch = 110.0f * static_cast<float>(slot + 1);
        for (int frame = 0; frame < 80; ++frame) {
            const float t = 4.0f * static_cast<float>(frame) / 79.0f;
            for (int h = 0; h < kHarmonicCount; ++h) {
                const float wobble = 1.0f + 0.002f * std::sin(static_cast<float>(frame + h + slot));
                data.harmonic.amplitude(h).insertPoint(t, 0.3f / static_cast<float>(h + 1));
                data.harmonic.frequency(h).insertPoint(t, static_cast<float>(h + 1) * wobble);
            }
        }
        for (int frame = 0; frame < 48; ++frame) {
            data.noise.insertFrame(4.0f * static_cast<float>(frame) / 47.0f);
        }
        for (int frame = 0; frame < data.noise.frameCount(); ++frame) {
            NoiseFrame& noise = data.noise.frame(frame);
            for (int band = 0; band < kNoiseBandCount; ++band) {
                noise.bands[static_cast<std::size_t>(band)] = 0.01f / static_cast<float>(band + 1);
            }
        }
    }
    prepareVoice(*voice);
    // One set of files per process: benchmarks run side by side must not share them.
    std::string path = "/tmp/tessarine-bench-voice-" + std::to_string(getpid()) + "-" + std::to_string(slot) + ".t9v";
    RecordStream stream;
    saveVoiceFile(path, *voice, stream);
    return path;
}

void sendNote(SynthEngine& engine, std::uint8_t status, int key)
{
    const std::uint8_t bytes[3] = {status, static_cast<std::uint8_t>(key), 100};
    engine.midiIn(bytes, 0);
}

} // namespace

std::unique_ptr<SynthEngine> makeWorstCaseEngine(Extras extras)
{
    auto engine = std::make_unique<SynthEngine>();
    engine->setSampleRate(kWorstCaseRate);
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const std::string path = writeAnalysedVoice(slot);
        const bool loaded = engine->loadVoice(slot, path.c_str());
        unlink(path.c_str());
        if (!loaded) {
            return nullptr;
        }
    }
    engine->setParameter(kLoopSync1, 1.0f, true);
    engine->setParameter(kLoopSync2, 1.0f, true);
    engine->setParameter(kStretch, 0.5f, true);
    engine->setParameter(kGlobalLoopOn, 1.0f, true);
    for (int index : {kMorphHarmX, kMorphHarmY, kMorphNoiseX, kMorphNoiseY, kMorphAmpX, kMorphAmpY}) {
        engine->setParameter(index, 0.5f, true);
    }
    if (extras == Extras::EverythingOn) {
        for (int index : {kFilterOn, kDistortionOn, kChorusOn, kDelayOn, kReverbOn}) {
            engine->setParameter(index, 1.0f, true);
        }
        for (int index : {kFilterCutoff, kFilterRes, kDistortion, kTube, kCompress, kChorusMix, kDelayMix,
                          kDelayFeedback, kReverbMix, kReverbSize, kReverbDecay, kBrightness}) {
            engine->setParameter(index, 0.6f, true);
        }
    }
    return engine;
}

void playChord(SynthEngine& engine)
{
    for (int n = 0; n < 12; ++n) {
        sendNote(engine, 0x90, 40 + 3 * n);
    }
}

void releaseChord(SynthEngine& engine)
{
    for (int n = 0; n < 12; ++n) {
        sendNote(engine, 0x80, 40 + 3 * n);
    }
}

} // namespace tessarine::bench
