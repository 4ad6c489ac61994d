#pragma once
// The resonant filter of one playing note: high-pass (mode 0), band-pass with
// a peaking boost (mode 1) or a fourth-order Butterworth low-pass (mode 2). An
// envelope follower on the note's own level moves the cutoff, so with a
// filter envelope a quiet note sounds darker than a loud one. An optional
// soft saturation bends the peaks a high resonance produces.
//
// Each note owns one, set up at note-on; the engine keeps one more that only
// takes parameter writes. Audio thread only; nothing here allocates.

#include "engine/effects/Biquad.h"

namespace tessarine {

class VoiceFilter {
public:
    static constexpr int kModeHighPass = 0;
    static constexpr int kModeBandPass = 1;
    static constexpr int kModeLowPass = 2;

    VoiceFilter() { design(); }

    // Rates a host cannot run at (0 during a scan) are ignored; the filter
    // keeps its last usable rate. Redesigns and keeps the running state.
    void setSampleRate(float rate);
    // Clears the running state and the follower; the settings stay.
    void reset();
    // Note-on: reset, take the note's settings and design. mode 0..2
    // (filterMode of the parameter); the other values 0..1.
    void setup(int mode, float envelopeAmount, bool saturation, float cutoff, float resonance);

    // Setters for the engine's own filter and for per-block smoothing. Cutoff
    // and resonance redesign only when the value actually changed.
    void setMode(int mode);
    void setEnvelopeAmount(float amount);
    void setSaturation(bool on) { saturation_ = on; }
    void setCutoff(float cutoff);
    void setResonance(float resonance);

    // Works out the coefficients for the current cutoff, follower and
    // resonance; restarts the 32-sample redesign count.
    void design();

    // Filters n samples in place.
    void process(float* buffer, int n);

    int mode() const { return mode_; }
    float cutoff() const { return cutoff_; }
    float resonance() const { return resonance_; }
    // The corner of the last design, 80..16000 Hz.
    float cutoffHz() const { return cutoffHz_; }

    // The knob's cutoff curve: 80 Hz at 0 and below, 16 kHz at 1 and above,
    // logarithmic in between. NaN counts as closed.
    static double cutoffFrequency(double k);

private:
    static constexpr int kRedesignInterval = 32;

    void filterRun(float* buffer, int n);
    void flushTinyStates();

    Biquad first_;  // high-pass, band-pass, or the lightly damped low-pass section
    Biquad second_; // the peaking boost, or the heavily damped low-pass section
    float follower_ = 0.0f;
    float sampleRate_ = 44100.0f;
    int mode_ = kModeLowPass;
    float envelopeAmount_ = 0.0f;
    float cutoff_ = 1.0f;
    float resonance_ = 0.0f;
    float mix_ = 1.0f; // filtered share of the output; the dry path is kept for it
    int counter_ = 0;
    bool saturation_ = false;
    float cutoffHz_ = 16000.0f;
};

} // namespace tessarine
