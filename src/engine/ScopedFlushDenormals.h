#pragma once
// Turns on flush-to-zero and denormals-are-zero for the current thread while in
// scope, so decaying filter states and tails never fall into the slow denormal
// range; the host's own setting is restored on the way out.

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#endif

namespace tessarine {

class ScopedFlushDenormals {
public:
#if defined(__SSE__) || defined(__x86_64__)
    ScopedFlushDenormals() : saved_(_mm_getcsr()) { _mm_setcsr(saved_ | kFlushToZero | kDenormalsAreZero); }
    ~ScopedFlushDenormals() { _mm_setcsr(saved_); }
#endif
    ScopedFlushDenormals(const ScopedFlushDenormals&) = delete;
    ScopedFlushDenormals& operator=(const ScopedFlushDenormals&) = delete;

private:
#if defined(__SSE__) || defined(__x86_64__)
    static constexpr unsigned kFlushToZero = 0x8000;
    static constexpr unsigned kDenormalsAreZero = 0x0040;
    unsigned saved_;
#endif
};

} // namespace tessarine
