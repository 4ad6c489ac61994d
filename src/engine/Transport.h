#pragma once
// The host's transport as the engine last heard it: tempo in beats per
// minute, the play position and the current bar's start in quarter notes, and
// the song time in seconds, on which the tempo-synced LFOs run. The host's
// thread writes the transport; render reads it and moves the song time on by
// each block it renders. Relaxed atomics: each value stands alone.

#include <atomic>

namespace tessarine {

class Transport {
public:
    void setTempo(double tempo) { tempo_.store(tempo, kOrder); }
    void setPpqPosition(double ppq) { ppqPosition_.store(ppq, kOrder); }
    void setBarStart(double barStart) { barStart_.store(barStart, kOrder); }
    void setSongTime(double seconds) { songTime_.store(seconds, kOrder); }

    double tempo() const { return tempo_.load(kOrder); }
    double ppqPosition() const { return ppqPosition_.load(kOrder); }
    double barStart() const { return barStart_.load(kOrder); }
    double songTime() const { return songTime_.load(kOrder); }

    // Audio thread, after a block of frames at rate.
    void advance(int frames, float rate)
    {
        songTime_.store(songTime() + static_cast<double>(frames) / static_cast<double>(rate), kOrder);
    }

private:
    static constexpr auto kOrder = std::memory_order_relaxed;

    std::atomic<double> tempo_{0.0};
    std::atomic<double> ppqPosition_{0.0};
    std::atomic<double> barStart_{0.0};
    std::atomic<double> songTime_{0.0};
};

} // namespace tessarine
