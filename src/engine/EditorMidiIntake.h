#pragma once
// MIDI played on the editor's keyboard, on its way to the audio thread. The
// event queue belongs to the audio thread alone, so the GUI thread drops its
// three-byte messages into this ring and render takes them at the start of the
// next block, at frame 0. One writer (the GUI thread), one reader (render);
// neither ever waits, and a full ring refuses the message rather than block.

#include <array>
#include <atomic>
#include <cstdint>

namespace tessarine {

class EditorMidiIntake {
public:
    static constexpr unsigned kCapacity = 256; // far more than a hand moves between two blocks

    // GUI thread. False when the ring is full.
    bool push(const std::uint8_t bytes[3])
    {
        const unsigned head = head_.load(std::memory_order_relaxed);
        if (head - tail_.load(std::memory_order_acquire) >= kCapacity) {
            return false;
        }
        auto& slot = slots_[head % kCapacity];
        slot = {bytes[0], bytes[1], bytes[2]};
        head_.store(head + 1, std::memory_order_release);
        return true;
    }

    // Audio thread: hands every waiting message to take(bytes) in order of arrival.
    template <typename Take>
    void drain(Take&& take)
    {
        unsigned tail = tail_.load(std::memory_order_relaxed);
        const unsigned head = head_.load(std::memory_order_acquire);
        while (tail != head) {
            const auto& slot = slots_[tail % kCapacity];
            const std::uint8_t bytes[3] = {slot[0], slot[1], slot[2]};
            take(bytes);
            ++tail;
        }
        tail_.store(tail, std::memory_order_release);
    }

private:
    std::array<std::array<std::uint8_t, 3>, kCapacity> slots_{};
    std::atomic<unsigned> head_{0};
    std::atomic<unsigned> tail_{0};
};

} // namespace tessarine
