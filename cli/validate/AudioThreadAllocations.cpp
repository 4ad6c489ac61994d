#include "validate/AudioThreadAllocations.h"

#include <atomic>

namespace tessarine::host {

namespace {

// Plain thread-locals of trivial type live in the executable's static TLS block,
// so reading them from inside malloc never allocates.
thread_local bool tArmed = false;
thread_local std::uint64_t tPending = 0;
thread_local std::uint64_t tTally[kAudioCallKinds] = {};

std::atomic<int> gAvailable{0}; // 0 none, 1 operator new, 2 operator new and malloc

} // namespace

namespace allocation_counting {

void noteAllocation() noexcept
{
    if (tArmed) {
        ++tPending;
    }
}

bool available() noexcept { return gAvailable.load(std::memory_order_relaxed) != 0; }
bool countsMalloc() noexcept { return gAvailable.load(std::memory_order_relaxed) == 2; }
void markAvailable(bool malloc) noexcept { gAvailable.store(malloc ? 2 : 1, std::memory_order_relaxed); }

} // namespace allocation_counting

ArmedAllocationCount::ArmedAllocationCount(AudioCall call) noexcept : call_(call), wasArmed_(tArmed)
{
    tPending = 0;
    tArmed = true;
}

ArmedAllocationCount::~ArmedAllocationCount()
{
    tArmed = wasArmed_;
    tTally[static_cast<int>(call_)] += tPending;
    tPending = 0;
}

std::uint64_t audioThreadAllocations(AudioCall call) noexcept { return tTally[static_cast<int>(call)]; }

} // namespace tessarine::host
