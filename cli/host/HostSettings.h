#pragma once
// What the host callback answers a plug-in: sample rate, block size and the
// transport. The owner changes them between blocks while the plug-in may ask
// from its audio thread or any other, so every field is read and written
// whole, without a lock.

#include <atomic>

namespace tessarine::host {

// One value any thread may read while another writes it. Copying takes a
// snapshot, so settings are still built and handed over as plain values.
template <typename T>
class Relaxed {
public:
    Relaxed(T value = T{}) noexcept : value_(value) {}
    Relaxed(const Relaxed& other) noexcept : value_(other.load()) {}
    Relaxed& operator=(const Relaxed& other) noexcept { return *this = other.load(); }
    Relaxed& operator=(T value) noexcept
    {
        value_.store(value, std::memory_order_relaxed);
        return *this;
    }
    // One writer at a time: the thread that owns the settings.
    Relaxed& operator+=(T step) noexcept { return *this = load() + step; }
    operator T() const noexcept { return load(); }
    T load() const noexcept { return value_.load(std::memory_order_relaxed); }

private:
    std::atomic<T> value_;
};

struct HostSettings {
    Relaxed<float> sampleRate = 44100.0f;
    Relaxed<int> blockSize = 512;
    Relaxed<double> tempo = 120.0;
    Relaxed<double> ppqPosition = 0.0;
    Relaxed<double> samplePosition = 0.0;
    Relaxed<double> barStart = 0.0;
    Relaxed<bool> playing = false;
    Relaxed<bool> answerTime = true; // false: getTime answers no record
    Relaxed<bool> wantMidi = true;   // the answer to wantMidi
    // True: every block moves the sample position on, and the musical
    // position follows it at the tempo, as in a host that just plays.
    // False: the owner sets the positions before each block.
    Relaxed<bool> followBlocks = false;
};

} // namespace tessarine::host
