#pragma once
// One of the engine's thirteen playing voices: a note from note-on to the end
// of its release. It holds the settings captured at note-on, the amplitude
// envelope, the pitch (key, bend, glide) and, per slot, which multisamples and
// layers the note blends and with what weights. Audio thread only.

#include "engine/voice/NoiseDataBlend.h"
#include "engine/voice/NoteSettings.h"
#include "engine/voice/SlotBlend.h"
#include "engine/voice/SubBlockInputs.h"
#include "sound/model/BreakpointCurve.h"
#include "sound/model/Instrument.h"

#include <array>
#include <cstdint>
#include <memory>

namespace tessarine {

class VoiceRenderTables;
class NoteHarmonics;
struct NoteVoiceData;
struct NoiseVoiceState;
class VoiceFilter;
class FormantShape;

// What a voice needs to start: the slots' sounds and their render tables.
struct NoteStartContext {
    std::array<const Voice*, kVoiceSlotCount> slots{};
    const BreakpointCurve* spectralShape = nullptr; // the instrument's formant shape
    std::array<const VoiceRenderTables*, kVoiceSlotCount> tables{};
    float sampleRate = 44100.0f;
    std::uint64_t editCount = 0; // the instrument's edit count as the starting render sees it
};

class ModulationMatrix;
class NoiseSynthesiser;
class RandomGenerator;

struct VoiceRenderContext {
    std::array<const Voice*, kVoiceSlotCount> slots{};
    const ModulationMatrix* modulation = nullptr; // the per-note LFO; none means no LFO
    double tempo = 120.0;
    float sampleRate = 44100.0f;
    std::array<float, kVoiceSlotCount> harmonicGains{}; // 2 x HarmAmount x the slot's harmonic volume
    std::array<float, kVoiceSlotCount> noiseGains{};    // 2 x NoiseAmount x the slot's noise volume
    NoiseSynthesiser* noise = nullptr;                  // none: the voice plays no noise
    RandomGenerator* random = nullptr;
    bool portamentoOn = false;
    bool sustainOn = false;
    float detuneCents = 0.0f; // slot A's detune
    // Whether this render may read the instrument (no edit is running), and
    // how many edits it has seen: notes finish blending their curves from it.
    bool instrumentReadable = false;
    std::uint64_t editCount = 0;
};

// The mod wheel's vibrato when no modulation row takes the wheel: at full
// wheel the pitch swings this many cents either way, at a singer's rate.
inline constexpr float kWheelVibratoCents = 40.0f;
inline constexpr float kWheelVibratoRate = 5.5f; // Hz

class NoteVoice {
public:
    // data holds what the note blends for itself; it outlives the voice.
    explicit NoteVoice(NoteVoiceData& data);
    ~NoteVoice();
    NoteVoice(const NoteVoice&) = delete;
    NoteVoice& operator=(const NoteVoice&) = delete;

    void start(int key, float frequency, float velocityFactor, const NoteSettings& settings,
               const NoteStartContext& context);
    // Note off: the release fades over the captured release time, unless the
    // sustain pedal holds the voice.
    void release(bool sustainHeld);
    // A 1 ms fade, for a repeated key or the voice limit.
    void cut();
    // Ends the note at once and puts its running state back at rest.
    void silence();
    // Sets up a glide to frequency over glideTime seconds.
    void glideTo(float frequency, float glideTime);
    void stopGliding() { gliding_ = false; }
    // Evaluated before rendering; clears the voice when it has ended.
    bool isSounding();

    // The glide frequency at the current note time.
    float glideFrequency(bool portamentoOn) const { return glideFrequencyAt(noteTime_, portamentoOn); }
    float glideFrequencyAt(float t, bool portamentoOn) const;
    float envelopeGain() { return envelope_.valueAt(noteTime_); }

    // Adds n samples (at most one sub-block) of the voice's harmonics to out and
    // moves the note on by n samples.
    void render(const VoiceRenderContext& context, const SubBlockInputs& inputs, float* out, int n);

    // Advances note time and playback position without rendering.
    void advance(float seconds);

    // The note's fundamental in Hz at note time t (glide, bend and detune).
    float fundamentalAt(float t, const VoiceRenderContext& context) const;
    // The note's filter restarts from rest (a write of FilterOn, resume).
    void resetFilter();

    // Where each slot is read in the last rendered sub-block: its own time at the start.
    const std::array<float, kVoiceSlotCount>& slotStartTimes() const { return slotStart_; }
    const NoteHarmonics& harmonics(int slot) const;

    void setPitchBend(float cents) { pitchBend_ = cents; }
    // The mod wheel's position, 0 to 1: a vibrato of up to kWheelVibratoCents.
    void setModWheel(float amount) { modWheel_ = amount; }
    float pitchBend() const { return pitchBend_; }

    bool sounding() const { return sounding_; }
    bool keyHeld() const { return keyHeld_; }
    bool isCut() const { return cut_; }
    int key() const { return key_; }
    float velocityFactor() const { return velocityFactor_; }
    float baseFrequency() const { return baseFrequency_; }
    float noteTime() const { return noteTime_; }
    float playbackPosition() const { return playbackPosition_; }
    const NoteSettings& settings() const { return settings_; }
    const SlotBlend& blend(int slot) const { return blends_[static_cast<std::size_t>(slot)]; }
    BreakpointCurve& envelope() { return envelope_; }

private:
    // One value per note curve of a slot: the amplitudes, then the frequencies.
    using CurveValues = std::array<float, 2 * kHarmonicCount>;

    // A value that follows its input gently, unless the note holds its own.
    struct Smoothed {
        float value = 0.0f;
        bool held = false;
        void follow(float input, float dt);
    };

    bool updatePosition(const VoiceRenderContext& context, float dt);
    float curveValue(const VoiceRenderContext& context, int slot, int c, float time);
    // Curves [0, count) and [kHarmonicCount, kHarmonicCount + count) of a slot at time.
    void slotCurves(const VoiceRenderContext& context, int slot, int count, float time, CurveValues& values);
    CurveValues& endValues(int slot)
    {
        const auto s = static_cast<std::size_t>(slot);
        return curveValues_[s][static_cast<std::size_t>(endBuffer_[s])];
    }
    CurveValues& startValues(int slot)
    {
        const auto s = static_cast<std::size_t>(slot);
        return curveValues_[s][static_cast<std::size_t>(endBuffer_[s] ^ 1)];
    }
    void renderHarmonics(const VoiceRenderContext& context, float gain0, float gain1, float pitch0, float pitch1,
                         float* out, int n);
    void renderNoise(const VoiceRenderContext& context, const SubBlockInputs& inputs, float gain0, float gain1,
                     float* out, int n);

    NoteSettings settings_;
    std::array<NoteHarmonics, kVoiceSlotCount>* harmonics_;
    std::array<NoiseData, kVoiceSlotCount>* noiseData_;
    std::array<NoiseDataBlend, kVoiceSlotCount> noiseBlends_{};
    std::unique_ptr<NoiseVoiceState> noiseState_;
    std::unique_ptr<VoiceFilter> filter_;
    std::unique_ptr<FormantShape> formant_;
    std::array<float, kHarmonicCount> phases_{};
    // The segment each of a slot's note curves was last read in, field by
    // field across the curves, in a few kilobytes: a sub-block usually reads
    // inside the segments the one before read, and then all of a slot's
    // curves come from one pass over these lines while the curves themselves
    // (scattered over megabytes of note data) are not touched at all.
    struct SlotSpans {
        CurveValues t0, v0, t1, slope;
        // Both comparisons always made (no branch), so that a loop of them runs on vectors.
        bool holds(std::size_t c, float time) const { return (t0[c] <= time) & (time < t1[c]); }
        // At t0 itself the curve answers v0, as this does.
        float line(std::size_t c, float time) const { return v0[c] + (time - t0[c]) * slope[c]; }
    };
    std::array<SlotSpans, kVoiceSlotCount> spans_{};
    // Each slot's curves at the start and at the end of the sub-block, in two
    // buffers that trade places when a sub-block starts where the last ended;
    // which one holds the end, and the number of the sub-block whose end it
    // holds (0: none).
    std::array<std::array<CurveValues, 2>, kVoiceSlotCount> curveValues_{};
    std::array<int, kVoiceSlotCount> endBuffer_{};
    std::array<std::uint32_t, kVoiceSlotCount> endSubBlock_{};
    std::array<float, kVoiceSlotCount> previousEnd_{};
    std::uint32_t subBlock_ = 1;
    std::array<bool, kHarmonicCount> harmonicPresent_{};
    // The slots' landmark times and where each slot's sound ends, taken at
    // note-on with the note's own data: a sounding note never reads the
    // instrument, which an edit may be changing while the note plays on.
    std::array<std::array<float, BreakpointCurve::kCapacity>, kVoiceSlotCount> outline_{};
    int outlineCount_ = 0;
    std::array<float, kVoiceSlotCount> slotEnds_{};
    Smoothed harmonicMorphX_, harmonicMorphY_, formantFrequency_, stretch_, cutoff_, resonance_;
    std::array<float, kVoiceSlotCount> slotStart_{};
    std::array<float, kVoiceSlotCount> slotEnd_{};
    std::array<SlotBlend, kVoiceSlotCount> blends_{};
    BreakpointCurve envelope_;
    bool keyHeld_ = false;
    bool sounding_ = false;
    bool cut_ = false;
    int key_ = -1;
    float velocityFactor_ = 1.0f;
    float baseFrequency_ = 0.0f;
    float pitchBend_ = 0.0f;
    float modWheel_ = 0.0f;
    float glideFrom_ = 0.0f, glideTo_ = 0.0f, glideStart_ = 0.0f, glideEnd_ = 0.0f;
    bool gliding_ = false;
    float noteTime_ = 0.0f;
    float playbackPosition_ = 0.0f;
    float nextPosition_ = 0.0f;
    bool formantOn_ = false; // the sub-block's formant switch
};

} // namespace tessarine
