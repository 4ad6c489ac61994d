#pragma once
// Values the musician set in the editor, on their way from the main thread to
// the host's next process or flush call, which reports them as parameter
// events. One producer (the editor's thread), one consumer (whichever thread
// the host processes or flushes on; never two at once). Lock-free and free of
// allocation on both sides. When the queue is full a change is not lost: the
// parameter is marked with its value, and the consumer reports that; until
// every mark is reported, later changes are marked too. The
// host sees each control's values in the order made (a value may come twice)
// and always its last one.

#include "params/ParameterTable.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace tessarine {

class ClapEditorChanges {
public:
    struct Change {
        int index;
        float value;
    };

    // Main thread.
    void push(int index, float value)
    {
        if (index < 0 || index >= kParameterCount) {
            return;
        }
        // Marking goes on until the consumer has reported every mark: a change
        // queued meanwhile would reach the host after a newer marked value.
        if (marking_ && reportedEpoch_.load(std::memory_order_acquire) == marksMade_) {
            marking_ = false;
        }
        const std::size_t tail = tail_.load(std::memory_order_relaxed);
        const std::size_t next = (tail + 1) % kCapacity;
        if (marking_ || next == head_.load(std::memory_order_acquire)) {
            marking_ = true;
            marked_[static_cast<std::size_t>(index)].store(value, std::memory_order_relaxed);
            overflowed_[static_cast<std::size_t>(index)].store(true, std::memory_order_release);
            markEpoch_.store(++marksMade_, std::memory_order_release);
            return;
        }
        slots_[tail] = Change{index, value};
        tail_.store(next, std::memory_order_release);
    }

    // Consumer: every queued change in the order made, then each marked
    // parameter once with its last marked value. emit returns false when the
    // host takes no more; what it did not take waits for the next call.
    template <typename Emit>
    void drain(Emit&& emit)
    {
        // Read before the queue: every change queued before these marks is
        // then in sight, and goes out first.
        const std::uint64_t epoch = markEpoch_.load(std::memory_order_acquire);
        std::size_t head = head_.load(std::memory_order_relaxed);
        while (head != tail_.load(std::memory_order_acquire)) {
            if (!emit(slots_[head])) {
                return;
            }
            head = (head + 1) % kCapacity;
            head_.store(head, std::memory_order_release);
        }
        if (epoch == reportedEpoch_.load(std::memory_order_relaxed)) {
            return;
        }
        for (int index = 0; index < kParameterCount; ++index) {
            auto& marked = overflowed_[static_cast<std::size_t>(index)];
            if (!marked.exchange(false, std::memory_order_acquire)) {
                continue;
            }
            const float value = marked_[static_cast<std::size_t>(index)].load(std::memory_order_relaxed);
            if (!emit(Change{index, value})) {
                marked.store(true, std::memory_order_release);
                return;
            }
        }
        reportedEpoch_.store(epoch, std::memory_order_release);
    }

private:
    // A fast drag writes one value per mouse move; a second of them fits.
    static constexpr std::size_t kCapacity = 512;

    std::array<Change, kCapacity> slots_{};
    std::atomic<std::size_t> head_{0};
    std::atomic<std::size_t> tail_{0};
    std::array<std::atomic<bool>, kParameterCount> overflowed_{};
    std::array<std::atomic<float>, kParameterCount> marked_{};
    // The producer's own: whether it marks, and how many marks it made.
    bool marking_ = false;
    std::uint64_t marksMade_ = 0;
    // The count of marks made, published; and the count the consumer has
    // reported all marks up to.
    std::atomic<std::uint64_t> markEpoch_{0};
    std::atomic<std::uint64_t> reportedEpoch_{0};
};

} // namespace tessarine
