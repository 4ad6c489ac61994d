#pragma once
// Values written to the editor on a thread other than its own (the audio
// thread pushing what MIDI changed, a host automating from its audio or
// automation thread) wait here until the editor's next idle on the
// user-interface thread, which moves the controls and runs the actions:
// dialogs and file loads never run on the audio thread, and no control is
// touched while the window paints.
//
// One slot per value index, so the queue never fills and never allocates:
// posting is two atomic stores from any number of threads, and a second write
// of the same index before the idle replaces the first. A file or generator
// action is posted only for its write of 0, so replacing it loses nothing.

#include "params/ParameterTable.h"

#include <array>
#include <atomic>

namespace tessarine {

class ActionQueue {
public:
    // Any thread; real-time safe. Indices outside 0..254 are ignored.
    void post(int index, float value);

    // User-interface thread: hands every waiting (index, value) to run, in
    // index order, and forgets it. Returns how many were run.
    template <typename Run>
    int drain(Run&& run)
    {
        int count = 0;
        if (!anyPending_.exchange(false, std::memory_order_acquire)) {
            return 0;
        }
        for (int index = 0; index < kValueCount; ++index) {
            auto& slot = slots_[static_cast<std::size_t>(index)];
            if (slot.pending.exchange(false, std::memory_order_acquire)) {
                run(index, slot.value.load(std::memory_order_relaxed));
                ++count;
            }
        }
        return count;
    }

    // Drops everything waiting (the window closed).
    void clear();

private:
    struct Slot {
        std::atomic<float> value{0.0f};
        std::atomic<bool> pending{false};
    };
    std::array<Slot, kValueCount> slots_;
    std::atomic<bool> anyPending_{false};
};

} // namespace tessarine
