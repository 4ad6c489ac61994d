#pragma once
// Sample-stamped events waiting for their moment in the current block: MIDI
// messages and parameter changes. Fixed capacity, filled by event delivery and
// by the engine's own modulation, read by the two render passes, emptied at the
// end of every block. Audio thread only.

#include <array>
#include <cstdint>

namespace tessarine {

struct QueuedEvent {
    enum Kind : std::uint8_t { kParameter = 0, kMidi = 1 };

    std::int32_t offset = 0; // sample position inside the current block
    Kind kind = kParameter;
    std::int32_t index = 0;  // parameter events: 0..172
    float value = 0.0f;
    bool notify = false;     // store as saved and tell the host and editor afterwards
    std::array<std::uint8_t, 3> midi{};
};

class EventQueue {
public:
    static constexpr int kCapacity = 9999;

    // Inserts after every event at the same or an earlier offset, so events at one
    // offset keep their order of arrival. False when full or the index is not a
    // host parameter.
    bool queueParameter(int offset, int index, float value, bool notify);
    bool queueMidi(int offset, std::uint8_t status, std::uint8_t data1, std::uint8_t data2);

    // Which events a pass takes: the voice pass, or the effects pass.
    using Filter = bool (*)(const QueuedEvent&);

    // Offset of the next event the filter accepts at or after the cursor; -1 when none.
    int nextOffset(Filter accepts);
    // Hands out that event and moves the cursor past it; null when none.
    const QueuedEvent* take(Filter accepts);

    void rewind() { cursor_ = 0; }
    void clear()
    {
        count_ = 0;
        cursor_ = 0;
    }
    int size() const { return count_; }

private:
    bool insert(const QueuedEvent& event);
    void skipTo(Filter accepts);

    std::array<QueuedEvent, kCapacity> events_{};
    int count_ = 0;
    int cursor_ = 0;
};

} // namespace tessarine
