#pragma once
// The parameter changes a plug-in reported through audioMasterAutomate, in the
// order they arrived. The plug-in reports from its audio thread and its editor
// thread at once, so adding takes no lock and allocates nothing: the room is
// fixed when the host is made, and what comes after it is only counted.

#include <atomic>
#include <cstddef>
#include <memory>

namespace tessarine::host {

struct Automation {
    int index;
    float value;
};

class AutomationLog {
public:
    static constexpr std::size_t kCapacity = 16384;

    AutomationLog() : slots_(std::make_unique<Slot[]>(kCapacity)) {}

    // Any thread.
    void add(int index, float value) noexcept
    {
        const std::size_t slot = claimed_.fetch_add(1);
        if (slot >= kCapacity) {
            return;
        }
        slots_[slot].record = {index, value};
        slots_[slot].written.store(true);
        publish();
    }

    // The records readable so far: every one before the first still being written.
    std::size_t size() const noexcept { return published_.load(); }
    const Automation& operator[](std::size_t i) const noexcept { return slots_[i].record; }
    // Every report, the ones past the room included.
    long calls() const noexcept { return static_cast<long>(claimed_.load()); }

private:
    struct Slot {
        Automation record{};
        std::atomic<bool> written{false};
    };

    // Whichever writer finishes moves the readable end over every finished
    // slot, so an early slot still being written holds back only the later ones.
    void publish() noexcept
    {
        std::size_t end = published_.load();
        while (end < kCapacity && slots_[end].written.load()) {
            if (published_.compare_exchange_weak(end, end + 1)) {
                ++end;
            }
        }
    }

    std::unique_ptr<Slot[]> slots_;
    std::atomic<std::size_t> claimed_{0};
    std::atomic<std::size_t> published_{0};
};

} // namespace tessarine::host
