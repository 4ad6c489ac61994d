#pragma once
// Single-precision inverse transform from bins 0..n/2 to n real samples,
// unscaled: x[j] = sum over all n bins of X[k] e^(+2 pi i jk / n), the upper
// half being the mirror image of the lower. The plan is made once at
// construction, on buffers owned here, under the process-wide planner mutex;
// transform() only executes it, so the audio thread may call it.

#include <fftw3.h>

namespace tessarine {

class InverseRealFft {
public:
    // n must be a power of two from 2 to 65,536; otherwise valid() is false.
    explicit InverseRealFft(int n);
    ~InverseRealFft();
    InverseRealFft(const InverseRealFft&) = delete;
    InverseRealFft& operator=(const InverseRealFft&) = delete;

    bool valid() const { return plan_ != nullptr; }
    int size() const { return size_; }

    // size()/2 + 1 bins as (re, im) pairs, filled by the caller before every
    // transform: executing the plan overwrites them.
    float* bins() { return reinterpret_cast<float*>(bins_); }
    // Transforms bins() into size() samples and returns them; they stay valid
    // until the next transform.
    const float* transform();

private:
    int size_ = 0;
    fftwf_complex* bins_ = nullptr;
    float* output_ = nullptr;
    fftwf_plan plan_ = nullptr;
};

} // namespace tessarine
