#pragma once
// The engine's two arrays of 255 values: current (what the sound uses and the
// host reads back) and saved (the last value written with storeAsSaved, which
// the editor's refresh and the reload after resume use). Each value is one
// atomic 32-bit float, written whole from any thread without a lock.

#include "params/ParameterTable.h"

#include <array>
#include <atomic>
#include <cstddef>

namespace tessarine {

class ParameterValues {
public:
    static bool valid(int index) { return index >= 0 && index < kValueCount; }

    float current(int index) const { return valid(index) ? at(current_, index).load(kOrder) : 0.0f; }
    float saved(int index) const { return valid(index) ? at(saved_, index).load(kOrder) : 0.0f; }
    bool on(int index) const { return current(index) > 0.5f; } // a switch is on above 0.5

    void store(int index, float value, bool asSaved)
    {
        if (!valid(index)) {
            return;
        }
        at(current_, index).store(value, kOrder);
        if (asSaved) {
            at(saved_, index).store(value, kOrder);
        }
    }

private:
    static constexpr auto kOrder = std::memory_order_relaxed;
    using Array = std::array<std::atomic<float>, kValueCount>;
    static std::atomic<float>& at(Array& a, int i) { return a[static_cast<std::size_t>(i)]; }
    static const std::atomic<float>& at(const Array& a, int i) { return a[static_cast<std::size_t>(i)]; }

    Array current_{};
    Array saved_{};
};

} // namespace tessarine
