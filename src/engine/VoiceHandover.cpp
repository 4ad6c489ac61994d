#include "engine/VoiceHandover.h"

#include <ctime>

namespace tessarine {

void VoiceHandover::beginEdit()
{
    editing_.fetch_add(1, std::memory_order_seq_cst);
    // A render that started before the count rose may still be reading; it ends
    // within one host block.
    const unsigned long long mayBeReading = started_.load(std::memory_order_seq_cst);
    while (finished_.load(std::memory_order_seq_cst) < mayBeReading) {
        if (waitHook_ != nullptr) {
            waitHook_(waitContext_);
            continue;
        }
        timespec pause{0, 200'000};
        nanosleep(&pause, nullptr);
    }
}

void VoiceHandover::endEdit()
{
    edits_.fetch_add(1, std::memory_order_seq_cst);
    editing_.fetch_sub(1, std::memory_order_seq_cst);
}

} // namespace tessarine
