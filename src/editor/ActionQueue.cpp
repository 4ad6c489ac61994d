#include "editor/ActionQueue.h"

namespace tessarine {

void ActionQueue::post(int index, float value)
{
    if (index < 0 || index >= kValueCount) {
        return;
    }
    auto& slot = slots_[static_cast<std::size_t>(index)];
    slot.value.store(value, std::memory_order_relaxed);
    // Release pairs with drain's acquire: the value is visible before the flag.
    slot.pending.store(true, std::memory_order_release);
    anyPending_.store(true, std::memory_order_release);
}

void ActionQueue::clear()
{
    anyPending_.store(false, std::memory_order_relaxed);
    for (auto& slot : slots_) {
        slot.pending.store(false, std::memory_order_relaxed);
    }
}

} // namespace tessarine
