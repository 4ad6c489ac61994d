#pragma once
// MIDI learn: which controller drives which engine value. The editor arms it
// and names the target; the next controller the audio thread sees becomes the
// target's, taken from any value that had it before, so one controller drives
// at most one value. Atomics only: any thread may arm it or read the map while
// the audio thread captures and looks up.

#include "params/ParameterTable.h"

#include <array>
#include <atomic>

namespace tessarine {

class MidiLearn {
public:
    MidiLearn();

    // Editor side.
    void arm(bool armed) { armed_.store(armed, kOrder); }
    void setTarget(int index) { target_.store(index, kOrder); }
    bool armed() const { return armed_.load(kOrder); }
    // The value the next controller will drive, or -1 while none is named.
    int target() const { return target_.load(kOrder); }
    // The controller learned for a value, or -1.
    int controllerOf(int index) const;
    // The value no longer follows its controller.
    void forget(int index);

    // Audio thread. When armed with a target, the controller becomes the
    // target's and learn disarms; true when it did.
    bool capture(int controller);
    // The value the controller drives, or -1.
    int valueOf(int controller) const;
    bool learned(int controller) const { return valueOf(controller) >= 0; }

private:
    static constexpr auto kOrder = std::memory_order_relaxed;

    std::atomic<bool> armed_{false};
    std::atomic<int> target_{-1};
    std::array<std::atomic<int>, kValueCount> controllerMap_{};
};

} // namespace tessarine
