#include "analysis/RealFft.h"

#include "params/FftwPlannerMutex.h"

#include <utility>

namespace tessarine {

namespace {
constexpr int kLargestTransform = 1 << 20;
} // namespace

bool isPowerOfTwo(int n)
{
    return n > 0 && (n & (n - 1)) == 0;
}

RealFft::RealFft(int n)
{
    if (!isPowerOfTwo(n) || n > kLargestTransform) {
        return;
    }
    std::lock_guard<std::mutex> lock(fftwPlannerMutex());
    input_ = fftw_alloc_real(static_cast<std::size_t>(n));
    output_ = fftw_alloc_complex(static_cast<std::size_t>(n / 2 + 1));
    if (input_ == nullptr || output_ == nullptr) {
        return;
    }
    // Estimated plans: the analysis runs each size for a few hundred frames,
    // too few to repay a measured plan, and estimating leaves the buffers alone.
    plan_ = fftw_plan_dft_r2c_1d(n, input_, output_, FFTW_ESTIMATE);
    if (plan_ != nullptr) {
        size_ = n;
        for (int i = 0; i < n; ++i) {
            input_[i] = 0.0;
        }
    }
}

RealFft::~RealFft()
{
    std::lock_guard<std::mutex> lock(fftwPlannerMutex());
    if (plan_ != nullptr) {
        fftw_destroy_plan(plan_);
    }
    fftw_free(input_);
    fftw_free(output_);
}

void RealFft::transform(double* re, double* im)
{
    fftw_execute(plan_);
    const int bins = size_ / 2 + 1;
    for (int k = 0; k < bins; ++k) {
        re[k] = output_[k][0];
        im[k] = output_[k][1];
    }
    // The DC and Nyquist bins of a real signal are real.
    im[0] = 0.0;
    im[bins - 1] = 0.0;
}

bool realFft(const NumVector& x, NumVector& re, NumVector& im)
{
    RealFft fft(x.size());
    if (!fft.valid()) {
        return false;
    }
    for (int i = 0; i < x.size(); ++i) {
        fft.input()[i] = x.data()[i];
    }
    NumVector outRe(x.size() / 2 + 1);
    NumVector outIm(x.size() / 2 + 1);
    fft.transform(outRe.data(), outIm.data());
    re = std::move(outRe);
    im = std::move(outIm);
    return true;
}

} // namespace tessarine
