#pragma once
// The global effects after the voices, in their fixed order: brightness, drive,
// gain, chorus (which makes the stereo pair), delay, reverb and stereo width.
// Works on a stretch of the block between two effect-parameter changes.
//
// Threads: process runs on the audio thread. reset, the per-unit resets and
// setTempo may be called from any thread: they only leave a request that the
// next process carries out before it touches a sample. setSampleRate
// reallocates and must not overlap process (hosts change the rate while the
// plug-in is suspended).

#include "engine/effects/BrightnessFilter.h"
#include "engine/effects/Chorus.h"
#include "engine/effects/DriveStage.h"
#include "engine/effects/Reverb.h"
#include "engine/effects/StereoDelay.h"

#include <atomic>

namespace tessarine {

// The engine's current values of the effect parameters for one stretch, as the
// host sees them (0..1; a switch is on above 0.5). The chain hands a value to
// its unit only when it differs from the last stretch, so filter designs and
// ring lengths follow parameter writes, not every stretch.
struct EffectInputs {
    float volume = 0.5f; // gain = 2 x volume, so 0.5 is unity
    float width = 1.0f;  // 0 folds to mono; 0.99 and up leave the image as it is
    float brightness = 0.5f; // exactly 0.5 bypasses the filter

    float distortionOn = 0.0f;
    float distortion = 0.0f;
    float tube = 0.02f;
    float compress = 0.3f;
    float bass = 0.0f;

    float chorusOn = 0.0f;
    float chorusMix = 0.5f;
    float chorusDelay = 0.04f;
    float chorusDepth = 0.9f;
    float chorusRate = 0.2f;

    float delayOn = 0.0f;
    float delayMix = 1.0f;
    float delayFeedback = 0.4f;
    float delaySyncL = 1.0f;
    float delaySyncR = 0.5f;

    float reverbOn = 0.0f;
    float reverbMix = 1.0f;
    float reverbSize = 0.5f;
    float reverbDecay = 0.5f;
};

class ParameterValues;
// The effect parameters' current values, as the engine hands them to the chain.
EffectInputs currentEffectInputs(const ParameterValues& values);

class EffectChain {
public:
    // Ready for 44.1 kHz and 120 beats per minute, so the chain is usable
    // before the host announces its rate.
    EffectChain();

    // Rates outside 1 kHz..768 kHz (a host scanning with rate 0) are ignored.
    void setSampleRate(float rate);
    // Beats per minute, 0 or NaN meaning 120; a different tempo clears the delay.
    void setTempo(double bpm) { tempo_.store(bpm, std::memory_order_relaxed); }

    // Every unit's running state: tails, delay lines, filter states, compressor gain.
    void reset() { requestReset(kAllUnits); }
    void resetChorus() { requestReset(kChorusUnit); }
    void resetDelay() { requestReset(kDelayUnit); }
    void resetReverb() { requestReset(kReverbUnit); }

    // left holds the mono voice sum on entry; both channels hold the result.
    void process(const EffectInputs& inputs, float* left, float* right, int frames);

private:
    static constexpr unsigned kChorusUnit = 1;
    static constexpr unsigned kDelayUnit = 2;
    static constexpr unsigned kReverbUnit = 4;
    static constexpr unsigned kToneUnits = 8; // brightness and drive
    static constexpr unsigned kAllUnits = kChorusUnit | kDelayUnit | kReverbUnit | kToneUnits;

    void requestReset(unsigned units) { pendingResets_.fetch_or(units, std::memory_order_acq_rel); }
    void carryOutRequests();
    void applyInputs(const EffectInputs& inputs);

    BrightnessFilter brightness_;
    DriveStage drive_;
    Chorus chorus_;
    StereoDelay delay_;
    Reverb reverb_;

    std::atomic<unsigned> pendingResets_{0};
    std::atomic<double> tempo_{120.0};
    EffectInputs applied_{}; // what the units were last given
    bool appliedAny_ = false;
};

} // namespace tessarine
