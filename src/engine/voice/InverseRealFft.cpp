#include "engine/voice/InverseRealFft.h"

#include "params/FftwPlannerMutex.h"

#include <cstddef>

namespace tessarine {

namespace {
constexpr int kLargestTransform = 1 << 16;

// Transforms alive in the process, counted under the planner mutex. When the
// last one goes, the planner's own tables are released too: a host that loads
// and unloads the plug-in again and again must not keep paying for them.
int liveTransforms = 0;
} // namespace

InverseRealFft::InverseRealFft(int n)
{
    std::lock_guard<std::mutex> lock(fftwPlannerMutex());
    ++liveTransforms;
    if (n < 2 || n > kLargestTransform || (n & (n - 1)) != 0) {
        return;
    }
    bins_ = fftwf_alloc_complex(static_cast<std::size_t>(n / 2 + 1));
    output_ = fftwf_alloc_real(static_cast<std::size_t>(n));
    if (bins_ == nullptr || output_ == nullptr) {
        return;
    }
    // Estimated: measuring would stall construction (and every other
    // instance waiting on the planner) for a transform of at most 1024 points.
    plan_ = fftwf_plan_dft_c2r_1d(n, bins_, output_, FFTW_ESTIMATE);
    if (plan_ == nullptr) {
        return;
    }
    size_ = n;
    for (int k = 0; k <= n / 2; ++k) {
        bins_[k][0] = 0.0f;
        bins_[k][1] = 0.0f;
    }
    for (int j = 0; j < n; ++j) {
        output_[j] = 0.0f;
    }
}

InverseRealFft::~InverseRealFft()
{
    std::lock_guard<std::mutex> lock(fftwPlannerMutex());
    if (plan_ != nullptr) {
        fftwf_destroy_plan(plan_);
    }
    fftwf_free(bins_);
    fftwf_free(output_);
    if (--liveTransforms == 0) {
        fftwf_cleanup();
    }
}

const float* InverseRealFft::transform()
{
    fftwf_execute(plan_);
    return output_;
}

} // namespace tessarine
