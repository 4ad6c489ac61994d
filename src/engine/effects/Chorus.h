#pragma once
// Turns the mono sum into a stereo pair: two taps read a short ring buffer at a
// delay that sweeps between D and D + W seconds, driven by one sine LFO in
// quadrature, so the left and right copies move against each other.

#include <vector>

namespace tessarine {

class Chorus {
public:
    // Allocates the ring for the longest delay plus depth, then resets. Until
    // the first usable rate the chorus copies its input to both sides.
    void setSampleRate(float rate);

    void setMix(float chorusMix);   // dry/delayed balance: mix = 0.5 x value
    void setRate(float chorusRate); // sweep rate = 3 x value Hz
    // Delay D = 0.03 x delay s and depth W = 0.005 x depth s set the ring
    // length, so changing either starts the ring afresh.
    void setTimes(float chorusDelay, float chorusDepth);

    void reset();
    // Reads the mono input from inOut0; writes left to inOut0 and right to out1.
    void process(float* inOut0, float* out1, int frames);

private:
    std::vector<float> ring_;
    float sampleRate_ = 0.0f;
    float delaySeconds_ = 0.0012f;
    float depthSeconds_ = 0.0045f;
    float rateHz_ = 0.6f;
    float mix_ = 0.25f;
    int length_ = 1; // active ring length L
    int write_ = 0;
    int read_ = 0;   // trails write by the fixed part D of the delay
    float phase_ = 0.0f; // in sine-table steps, 0..200 is one period
};

} // namespace tessarine
