#pragma once
// One second-order section in direct form I, designed by the Audio EQ Cookbook
// formulas. The brightness filter and the drive stage's bass shaping are built
// from it. Coefficients are worked out in double and kept in float.

namespace tessarine {

// How wide a design is: a quality factor Q, or a bandwidth in octaves.
struct BiquadWidth {
    double value;
    bool inOctaves;

    static BiquadWidth quality(double q) { return {q, false}; }
    static BiquadWidth octaves(double bandwidth) { return {bandwidth, true}; }
};

class Biquad {
public:
    // Each design keeps the running state, so a redesign while sound passes
    // does not click. A sample rate that is not usable gives a pass-through.
    void designLowPass(double frequency, double sampleRate, BiquadWidth width);
    void designHighPass(double frequency, double sampleRate, BiquadWidth width);
    // Band-pass with constant 0 dB peak gain at the centre frequency.
    void designBandPass(double frequency, double sampleRate, BiquadWidth width);
    void designPeaking(double frequency, double sampleRate, BiquadWidth width, double gainDb);

    void reset() { x1_ = x2_ = y1_ = y2_ = 0.0f; }

    // A decayed state would otherwise ring on in the slow denormal range for
    // thousands of samples; once the output is below 1e-15 it is silence.
    void flushTinyState()
    {
        if (y1_ > -1e-15f && y1_ < 1e-15f) {
            y1_ = 0.0f;
            y2_ = 0.0f;
        }
    }

    // The section copied out for a loop: as locals the compiler keeps it in
    // registers, where members would be reloaded after every store to a
    // float buffer that might alias them.
    struct Running {
        float b0, b1, b2, a1, a2;
        float x1, x2, y1, y2;

        float step(float x)
        {
            // The feedback term through y1 comes last, so only one multiply
            // and one add lie on the sample-to-sample dependency chain.
            float y = (b0 * x + b1 * x1 + b2 * x2 - a2 * y2) - a1 * y1;
            x2 = x1;
            x1 = x;
            y2 = y1;
            y1 = y;
            return y;
        }
    };

    Running running() const { return {b0_, b1_, b2_, a1_, a2_, x1_, x2_, y1_, y2_}; }
    void keep(const Running& r)
    {
        x1_ = r.x1;
        x2_ = r.x2;
        y1_ = r.y1;
        y2_ = r.y2;
    }

    void process(float* buffer, int frames);

private:
    void setNormalised(double b0, double b1, double b2, double a0, double a1, double a2);
    void makePassThrough();

    float b0_ = 1.0f, b1_ = 0.0f, b2_ = 0.0f, a1_ = 0.0f, a2_ = 0.0f;
    float x1_ = 0.0f, x2_ = 0.0f, y1_ = 0.0f, y2_ = 0.0f;
};

} // namespace tessarine
