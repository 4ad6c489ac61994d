#pragma once
// Forward transform of a real frame of power-of-two length n into bins
// 0..n/2: X[k] = sum over j of x[j] e^(-2 pi i jk / n), unscaled. The plan is
// made once at construction (under the process-wide planner mutex) so that a
// short-time transform plans once and then runs frame after frame.

#include "analysis/NumVector.h"

#include <fftw3.h>

namespace tessarine {

class RealFft {
public:
    // n must be a power of two from 1 to 2^20; otherwise valid() is false.
    explicit RealFft(int n);
    ~RealFft();
    RealFft(const RealFft&) = delete;
    RealFft& operator=(const RealFft&) = delete;

    bool valid() const { return plan_ != nullptr; }
    int size() const { return size_; }

    // The frame to transform: size() values, filled by the caller.
    double* input() { return input_; }
    // Transforms input(); re and im receive size()/2 + 1 values each.
    void transform(double* re, double* im);

private:
    int size_ = 0;
    double* input_ = nullptr;
    fftw_complex* output_ = nullptr;
    fftw_plan plan_ = nullptr;
};

bool isPowerOfTwo(int n);

// One-shot transform of x (power-of-two length); false and re, im untouched otherwise.
bool realFft(const NumVector& x, NumVector& re, NumVector& im);

} // namespace tessarine
