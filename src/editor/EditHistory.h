#pragma once
// The editor's undo history: the instrument record as it stood after each
// step the musician took, oldest first, with the place undo has reached.
// Records are cut into content-defined chunks and equal chunks are stored
// once, so a step that moved one knob costs a few kilobytes, not the four
// voices again. Bounded by kMaxSteps and kMaxBytes; the oldest steps go first.
// Main (user-interface) thread only.

#include "params/ParameterTable.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <unordered_map>
#include <vector>

namespace tessarine {

class EditHistory {
public:
    static constexpr std::size_t kMaxSteps = 100;
    static constexpr std::size_t kMaxBytes = 32u * 1024u * 1024u;

    using Values = std::array<float, kParameterCount>;
    using Chunk = std::vector<std::byte>;

    // One state: the record's chunks and the host's values it holds.
    struct State {
        std::vector<std::shared_ptr<const Chunk>> chunks;
        Values values{};
        // Equal records are made of the very same chunks.
        bool sameRecord(const State& other) const { return chunks == other.chunks; }
    };

    State makeState(std::span<const std::byte> record, const Values& values);
    static std::vector<std::byte> recordOf(const State& state);

    bool empty() const { return states_.empty(); }
    // Forgets everything; state is where undo starts.
    void start(State state);
    // A step taken: false when state is the one undo stands at. Steps that
    // were undone are gone.
    bool push(State state);
    // What the instrument now is changed without a step (the host's own
    // writes between gestures): the place undo stands at takes it.
    void replaceCurrent(State state);

    bool canUndo() const { return current_ > 0; }
    bool canRedo() const { return current_ + 1 < states_.size(); }
    // The state to restore, or null when there is none; the place moves.
    const State* undo();
    const State* redo();
    const State* current() const { return empty() ? nullptr : &states_[current_]; }

    // The modified mark: the state last loaded or saved.
    void markUnmodified();
    bool modified() const;
    // The state last loaded or saved; null before any.
    const State* unmodifiedState() const { return hasUnmodified_ ? &unmodified_ : nullptr; }

    std::size_t steps() const { return states_.size(); }
    // Bytes of the distinct chunks held, the mark's included.
    std::size_t storedBytes();

private:
    void bound();

    std::vector<State> states_;
    std::size_t current_ = 0;
    State unmodified_;
    bool hasUnmodified_ = false;
    // Every chunk still held by a state, by content hash.
    std::unordered_multimap<std::uint64_t, std::weak_ptr<const Chunk>> chunks_;
};

} // namespace tessarine
