#pragma once
// Notes that fall due while an edit holds the voice hand-over. A note cannot
// start then (starting reads the sounds being edited), so it waits here, with
// every later note message in order, until the next block that may read the
// sounds plays them. Audio thread only; fixed capacity, nothing allocates.

#include <array>
#include <cstdint>

namespace tessarine {

class HeldNoteQueue {
public:
    static constexpr int kCapacity = 256; // far more than a player sends during one edit

    bool empty() const { return count_ == 0; }
    bool full() const { return count_ == kCapacity; }

    // False when full.
    bool push(const std::array<std::uint8_t, 3>& midi)
    {
        if (full()) {
            return false;
        }
        messages_[static_cast<std::size_t>(count_++)] = midi;
        return true;
    }

    // A note off that found no room: the waiting note on of its key must not
    // start later and hang.
    void forgetNoteOns(int key)
    {
        for (int i = 0; i < count_; ++i) {
            auto& m = messages_[static_cast<std::size_t>(i)];
            if ((m[0] & 0xF0) == 0x90 && (m[1] & 0x7F) == key) {
                m[0] = 0; // a status nothing acts on
            }
        }
    }

    // Hands every waiting message to take(status, data1, data2) in order of arrival.
    template <typename Take>
    void drain(Take&& take)
    {
        for (int i = 0; i < count_; ++i) {
            const auto& m = messages_[static_cast<std::size_t>(i)];
            if (m[0] != 0) {
                take(m[0], m[1], m[2]);
            }
        }
        count_ = 0;
    }

    void clear() { count_ = 0; }

private:
    std::array<std::array<std::uint8_t, 3>, kCapacity> messages_{};
    int count_ = 0;
};

} // namespace tessarine
