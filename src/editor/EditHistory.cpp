#include "editor/EditHistory.h"

#include <algorithm>
#include <cstring>

namespace tessarine {

namespace {

// Chunk boundaries follow the content (a gear hash over the last 64 bytes),
// so bytes inserted early in a record move the cuts with them and the
// unchanged voices after still make the same chunks.
constexpr std::size_t kMinChunk = 1024;
constexpr std::size_t kMaxChunk = 32 * 1024;
constexpr std::uint64_t kCutMask = (1u << 12) - 1; // about 4 KiB past the minimum

constexpr std::array<std::uint64_t, 256> makeGear()
{
    std::array<std::uint64_t, 256> gear{};
    std::uint64_t x = 0x9E3779B97F4A7C15ull;
    for (auto& g : gear) {
        x += 0x9E3779B97F4A7C15ull;
        std::uint64_t z = x;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        g = z ^ (z >> 31);
    }
    return gear;
}
constexpr std::array<std::uint64_t, 256> kGear = makeGear();

std::size_t cutAfter(std::span<const std::byte> bytes)
{
    const std::size_t end = std::min(bytes.size(), kMaxChunk);
    if (end <= kMinChunk) {
        return end;
    }
    std::uint64_t hash = 0;
    for (std::size_t i = kMinChunk; i < end; ++i) {
        hash = (hash << 1) + kGear[static_cast<std::uint8_t>(bytes[i])];
        if ((hash & kCutMask) == 0) {
            return i + 1;
        }
    }
    return end;
}

std::uint64_t contentHash(std::span<const std::byte> bytes)
{
    std::uint64_t hash = 0xCBF29CE484222325ull;
    for (std::byte b : bytes) {
        hash = (hash ^ static_cast<std::uint8_t>(b)) * 0x100000001B3ull;
    }
    return hash ^ bytes.size();
}

} // namespace

EditHistory::State EditHistory::makeState(std::span<const std::byte> record, const Values& values)
{
    State state;
    state.values = values;
    while (!record.empty()) {
        const std::span<const std::byte> piece = record.first(cutAfter(record));
        record = record.subspan(piece.size());
        const std::uint64_t hash = contentHash(piece);
        std::shared_ptr<const Chunk> found;
        auto [from, to] = chunks_.equal_range(hash);
        for (auto it = from; it != to && !found; ++it) {
            auto held = it->second.lock();
            if (held && held->size() == piece.size() && std::memcmp(held->data(), piece.data(), piece.size()) == 0) {
                found = std::move(held);
            }
        }
        if (!found) {
            found = std::make_shared<const Chunk>(piece.begin(), piece.end());
            chunks_.emplace(hash, found);
        }
        state.chunks.push_back(std::move(found));
    }
    return state;
}

std::vector<std::byte> EditHistory::recordOf(const State& state)
{
    std::vector<std::byte> record;
    for (const auto& chunk : state.chunks) {
        record.insert(record.end(), chunk->begin(), chunk->end());
    }
    return record;
}

void EditHistory::start(State state)
{
    states_.clear();
    states_.push_back(std::move(state));
    current_ = 0;
}

bool EditHistory::push(State state)
{
    if (empty()) {
        start(std::move(state));
        return false;
    }
    if (states_[current_].sameRecord(state)) {
        return false;
    }
    states_.resize(current_ + 1);
    states_.push_back(std::move(state));
    current_ = states_.size() - 1;
    bound();
    return true;
}

void EditHistory::replaceCurrent(State state)
{
    if (empty()) {
        start(std::move(state));
        return;
    }
    states_[current_] = std::move(state);
}

const EditHistory::State* EditHistory::undo()
{
    if (!canUndo()) {
        return nullptr;
    }
    return &states_[--current_];
}

const EditHistory::State* EditHistory::redo()
{
    if (!canRedo()) {
        return nullptr;
    }
    return &states_[++current_];
}

void EditHistory::markUnmodified()
{
    if (const State* now = current()) {
        unmodified_ = *now;
        hasUnmodified_ = true;
    }
}

bool EditHistory::modified() const
{
    const State* now = current();
    return now != nullptr && hasUnmodified_ && !now->sameRecord(unmodified_);
}

std::size_t EditHistory::storedBytes()
{
    std::size_t bytes = 0;
    for (auto it = chunks_.begin(); it != chunks_.end();) {
        if (auto held = it->second.lock()) {
            bytes += held->size();
            ++it;
        } else {
            it = chunks_.erase(it);
        }
    }
    return bytes;
}

// Never the step undo stands at: the instrument must stay restorable.
void EditHistory::bound()
{
    while (states_.size() > 1 && (states_.size() > kMaxSteps || storedBytes() > kMaxBytes)) {
        states_.erase(states_.begin());
        --current_;
    }
}

} // namespace tessarine
