#pragma once
// Skips the whole effect chain once the instrument has been quiet for two
// seconds, so an idle instance costs next to nothing; the first block whose dry
// voice sum starts or ends loud opens it again.

namespace tessarine {

class SilenceGate {
public:
    void setSampleRate(float rate) { threshold_ = static_cast<long long>(2.0f * rate); }

    // Before the effects pass; dry is the voice sum of this block. True when
    // the effects may run.
    bool check(const float* dry, int frames)
    {
        if (frames > 0 && counter_ > threshold_ && (!quiet(dry[0]) || !quiet(dry[frames - 1]))) {
            counter_ = 0;
        }
        return counter_ <= threshold_;
    }

    // After the effects pass; out is the left output of this block.
    void update(const float* out, int frames)
    {
        if (frames > 0 && quiet(out[0]) && quiet(out[frames - 1]) && counter_ <= threshold_) {
            counter_ += frames;
        }
    }

    void reset() { counter_ = 1; }

private:
    static bool quiet(float sample) { return sample >= -0.00003f && sample <= 0.00003f; }

    long long counter_ = 1;
    long long threshold_ = 88200;
};

} // namespace tessarine
