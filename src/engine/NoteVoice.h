#pragma once
// One of the engine's thirteen playing voices: a note from note-on to the end
// of its release. It holds the settings captured at note-on, the amplitude
// envelope, the pitch (key, bend, glide) and, per slot, which multisamples and
// layers the note blends and with what weights. Audio thread only.

#include "sound/BreakpointCurve.h"
#include "sound/Instrument.h"

#include <array>

namespace tessarine {

// What a note takes from the parameters when it starts.
struct NoteSettings {
    float attackTime = 0.000001f; // seconds
    float releaseTime = 0.006f;   // seconds
    float stretchFactor = 1.0f;
    float harmonicMorphX = 0.5f, harmonicMorphY = 0.5f;
    float noiseMorphX = 0.5f, noiseMorphY = 0.5f;
    float amplitudeMorphX = 0.0f, amplitudeMorphY = 0.0f;
    int harmonicCount = 1;
    float cutoff = 0.8f, resonance = 0.03f, filterEnvelope = 0.1f;
    int filterMode = 2;
    bool filterOn = false, filterSaturation = false;
    bool formantOn = false;
    float formantFrequency = 0.0f;
    bool harmonicsOn = true, noiseOn = true;
    bool loop = false;
    struct Slot {
        bool solo = false;
        int multisample = 0;
        bool loudLayer = false;
        bool harmonize = false;
    };
    std::array<Slot, kVoiceSlotCount> slots{};
};

// Which stored sounds a slot's note blends: multisamples lo and hi, soft and
// loud layer, with the pitch weight k and the velocity weight v. A solo slot
// plays exactly one multisample and layer.
struct SlotBlend {
    int low = 0;
    int high = 0;
    float pitchWeight = 0.0f;    // towards high
    float velocityWeight = 0.0f; // towards the loud layer
    bool solo = false;
    int soloLayer = 0;

    // Weight of (multisample low or high, layer 0 or 1).
    float weight(bool highMultisample, int layer) const
    {
        float k = highMultisample ? pitchWeight : 1.0f - pitchWeight;
        float v = layer == 1 ? velocityWeight : 1.0f - velocityWeight;
        return k * v;
    }
};

// The blend of one slot for a note at frequency f with the given velocity factor.
SlotBlend chooseMultisamples(const Voice& voice, const NoteSettings::Slot& settings, float frequency,
                             float velocityFactor);

class NoteVoice {
public:
    void start(int key, float frequency, float velocityFactor, const NoteSettings& settings,
               const std::array<const Voice*, kVoiceSlotCount>& slots);
    // Note off: the release fades over the captured release time, unless the
    // sustain pedal holds the voice.
    void release(bool sustainHeld);
    // A 1 ms fade, for a repeated key or the voice limit.
    void cut();
    // Sets up a glide to frequency over glideTime seconds.
    void glideTo(float frequency, float glideTime);
    void stopGliding() { gliding_ = false; }
    // Evaluated before rendering; clears the voice when it has ended.
    bool isSounding(const std::array<const Voice*, kVoiceSlotCount>& slots);

    // The glide frequency at the current note time.
    float glideFrequency(bool portamentoOn) const;
    float envelopeGain() { return envelope_.valueAt(noteTime_); }

    // Advances note time and playback position by one rendered stretch.
    void advance(float seconds);

    void setPitchBend(float cents) { pitchBend_ = cents; }
    float pitchBend() const { return pitchBend_; }

    bool sounding() const { return sounding_; }
    bool keyHeld() const { return keyHeld_; }
    bool isCut() const { return cut_; }
    bool gliding() const { return gliding_; }
    int key() const { return key_; }
    float velocityFactor() const { return velocityFactor_; }
    float baseFrequency() const { return baseFrequency_; }
    float noteTime() const { return noteTime_; }
    float playbackPosition() const { return playbackPosition_; }
    float glideTarget() const { return glideTo_; }
    const NoteSettings& settings() const { return settings_; }
    const SlotBlend& blend(int slot) const { return blends_[static_cast<std::size_t>(slot)]; }
    BreakpointCurve& envelope() { return envelope_; }

private:
    NoteSettings settings_;
    std::array<SlotBlend, kVoiceSlotCount> blends_{};
    BreakpointCurve envelope_;
    bool keyHeld_ = false;
    bool sounding_ = false;
    bool cut_ = false;
    int key_ = -1;
    float velocityFactor_ = 1.0f;
    float baseFrequency_ = 0.0f;
    float pitchBend_ = 0.0f;
    float glideFrom_ = 0.0f, glideTo_ = 0.0f, glideStart_ = 0.0f, glideEnd_ = 0.0f;
    bool gliding_ = false;
    float noteTime_ = 0.0f;
    float playbackPosition_ = 0.0f;
};

} // namespace tessarine
